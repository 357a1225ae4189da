// The strict JSON reader on any value, as the pipe server reads a request: an accepted document
// must read back to the same value once written out again.

#include <cstddef>
#include <cstdint>

#include "fuzz_check.hpp"
#include "hal/json/json_reader.hpp"
#include "support/text.hpp"

using telvora::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = telvora::fuzz::as_text(data, size);
    // Callers check UTF-8 with their own message before reading.
    if (!telvora::is_valid_utf8(text))
        return 0;

    const auto value = telvora::read_json_value(text);
    if (!value) {
        check(value.error().line >= 1, "error line below 1");
        check(!value.error().description.empty(), "error without description");
        return 0;
    }
    const auto written = value->dump();
    const auto again = telvora::read_json_value(written);
    check(again.has_value(), "written value does not read back");
    check(*again == *value, "written value reads back different");
    check(again->dump() == written, "second writing differs");
    return 0;
}
