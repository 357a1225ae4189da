// The strict JSON reader in its record mode, on the probe script's answer or a pipe reply: an
// accepted record must read back the same once written out again.

#include <cstddef>
#include <cstdint>

#include <nlohmann/json.hpp>

#include "fuzz_check.hpp"
#include "hal/json/json_reader.hpp"
#include "support/text.hpp"

using telvora::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = telvora::fuzz::as_text(data, size);
    if (!telvora::is_valid_utf8(text))
        return 0;

    const auto record = telvora::read_keyboard_json(text);
    if (!record) {
        check(record.error().line >= 1, "error line below 1");
        check(!record.error().description.empty(), "error without description");
        return 0;
    }
    nlohmann::ordered_json object = {
        {"available", record->available}, {"known", record->known},   {"level", record->level},
        {"max_level", record->max_level}, {"source", record->source}, {"applied", record->applied},
    };
    if (!record->reason.empty())
        object["reason"] = record->reason;
    const auto again = telvora::read_keyboard_json(object.dump());
    check(again.has_value(), "written record does not read back");
    check(*again == *record, "written record reads back different");
    return 0;
}
