// One pipe request, as a local client may send it, against a keyboard that answers from memory.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.hpp"
#include "hal/json/json_reader.hpp"
#include "hal/keyboard/keyboard.hpp"
#include "hal/service/pipe_protocol.hpp"
#include "support/text.hpp"

namespace {

using telvora::fuzz::check;

// Level 1 fails, so error replies carry a French message through the writer too.
class FakeKeyboard final : public telvora::KeyboardOperations {
  public:
    telvora::HalResult<telvora::KeyboardState> read() override {
        return telvora::KeyboardState{.known = true,
                                      .source = telvora::KeyboardSource::LenovoWmi,
                                      .level = 1,
                                      .max_level = 2};
    }
    telvora::HalResult<telvora::KeyboardState> write(std::uint8_t level) override {
        check(level <= 2, "level above 2 reached the keyboard");
        if (level == 1)
            return telvora::hal_error(telvora::HalErrorKind::AccessDenied,
                                      "pilote refusé « \\IBMPmDrv »\n");
        return telvora::KeyboardState{
            .known = true, .source = telvora::KeyboardSource::Hid, .level = level, .max_level = 2};
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > telvora::PIPE_REQUEST_MAX)
        return 0;
    const auto request = telvora::fuzz::as_text(data, size);
    FakeKeyboard keyboard;
    const std::string reply = telvora::handle_request(request, keyboard);

    check(telvora::is_valid_utf8(reply), "reply is not UTF-8");
    check(reply.find('\n') == std::string::npos, "reply spans lines");
    // A client reads the reply as the keyboard record, and it is written compact, keys sorted.
    const auto record = telvora::read_keyboard_json(reply);
    check(record.has_value(), "reply is not a keyboard record");
    const auto value = telvora::read_json_value(reply);
    check(value.has_value() && value->dump() == reply, "reply is not compact JSON");
    check(record->applied == record->available, "applied differs from available");
    if (record->available)
        check(record->reason.empty() && !record->source.empty(), "success reply fields");
    else
        check(!record->reason.empty() && record->source.empty(), "error reply fields");
    if (!telvora::is_valid_utf8(request))
        check(record->reason == "requête non UTF-8", "non-UTF-8 request not refused as such");
    return 0;
}
