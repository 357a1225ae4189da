// The probe script's standard output, in both modes, turned into a backlight state or an error.
// The script's output is not checked for UTF-8 before it gets here.

#include <cstddef>
#include <cstdint>

#include "fuzz_check.hpp"
#include "hal/keyboard/keyboard.hpp"

using telvora::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = telvora::fuzz::as_text(data, size);
    for (const auto mode : {telvora::KeyboardMode::Read, telvora::KeyboardMode::Write}) {
        const auto state = telvora::interpret_keyboard_json(text, mode);
        if (!state) {
            check(!state.error().message.empty(), "error without message");
            continue;
        }
        check(state->max_level == 1 || state->max_level == 2, "maximum level out of range");
        check(state->level <= state->max_level, "level above the maximum");
        check(!telvora::keyboard_source_text(state->source).empty(), "unnamed source");
    }
    return 0;
}
