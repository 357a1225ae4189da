#pragma once
// Loading every profile document of a directory, all or nothing.

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "profiles/profile.hpp"

namespace telvora {

struct ProfileLoadError {
    // Listing the directory or reading a file failed with this operating-system error code.
    struct SystemFailure {
        std::uint32_t code = 0;
        friend bool operator==(const SystemFailure&, const SystemFailure&) = default;
    };
    // A file was read but is not UTF-8.
    struct InvalidUtf8 {
        friend bool operator==(const InvalidUtf8&, const InvalidUtf8&) = default;
    };
    // A file was read but its document failed parsing or validation.
    struct InvalidFile {
        std::string path;  // the directory as given, joined with the file's name
        ProfileError error;
        friend bool operator==(const InvalidFile&, const InvalidFile&) = default;
    };

    std::variant<SystemFailure, InvalidUtf8, InvalidFile> detail;

    // "{} (os error {})", "stream did not contain valid UTF-8" or "{path} : {profile error}".
    [[nodiscard]] std::string display() const;

    friend bool operator==(const ProfileLoadError&, const ProfileLoadError&) = default;
};

// The valid profiles of the directory's *.toml entries, in byte order of their names; the first
// entry that cannot be read or is invalid fails the whole load.
[[nodiscard]] std::expected<std::vector<MachineProfile>, ProfileLoadError> load_profiles(
    std::string_view directory);

// Whether a directory entry is a profile document: the part after the name's last dot is
// exactly "toml", and that dot is not the leading dot of a hidden name.
[[nodiscard]] bool is_profile_file_name(std::string_view name) noexcept;

// The directory joined with an entry's name: the separator is inserted unless the directory
// already ends with one of the given separators.
[[nodiscard]] std::string join_path(std::string_view directory, std::string_view name,
                                    char separator, std::string_view separators);

}  // namespace telvora
