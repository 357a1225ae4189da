// One profile document through reading and validation, as the directory loader reads each file.

#include <cstddef>
#include <cstdint>
#include <variant>

#include "fuzz_check.hpp"
#include "profiles/profile.hpp"
#include "support/text.hpp"

using telvora::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = telvora::fuzz::as_text(data, size);
    // The loader refuses a file that is not UTF-8 before reading it.
    if (!telvora::is_valid_utf8(text))
        return 0;

    const auto loaded = telvora::load_profile_text(text);
    const auto parsed = telvora::parse_profile(text);
    if (!parsed) {
        check(std::holds_alternative<telvora::ProfileError::InvalidToml>(parsed.error().detail),
              "reading failed with a validation error");
        check(!loaded && loaded.error() == parsed.error(), "load differs from a failed read");
        check(!parsed.error().display().empty(), "error without text");
        return 0;
    }
    const auto valid = telvora::validate_profile(*parsed);
    if (!valid) {
        check(!std::holds_alternative<telvora::ProfileError::InvalidToml>(valid.error().detail),
              "validation failed with a reading error");
        check(!loaded && loaded.error() == valid.error(), "load differs from a failed validation");
        check(!valid.error().display().empty(), "error without text");
        return 0;
    }
    check(loaded && *loaded == *parsed, "load differs from read and validation");
    check(!loaded->matches.mtm.empty() || !loaded->matches.version_contains.empty(),
          "valid profile matches nothing");
    return 0;
}
