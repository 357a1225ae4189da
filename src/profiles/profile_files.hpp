#pragma once
// The file system as the loader needs it; implemented in profile_files_{windows,posix}.cpp.

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <vector>

namespace telvora::profile_files {

struct Entry {
    std::string name;    // UTF-8; characters that are not valid Unicode shown as U+FFFD
    std::string native;  // what the system gave, to open the entry by (bytes, or UTF-16 code units)
};

// The platform's path rules.
extern const char PATH_SEPARATOR;
extern const std::string_view PATH_SEPARATORS;

// Every entry but . and .., in the system's order. An entry the system fails to deliver is
// skipped. The error is the operating-system code.
[[nodiscard]] std::expected<std::vector<Entry>, std::uint32_t> list_directory(
    std::string_view directory);

// The whole content of the entry of the directory.
[[nodiscard]] std::expected<std::string, std::uint32_t> read_entry(std::string_view directory,
                                                                   const Entry& entry);

}  // namespace telvora::profile_files
