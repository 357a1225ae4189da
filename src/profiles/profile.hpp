#pragma once
// One machine profile as read from its TOML document, and the errors of reading and validating it.

#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace telvora {

inline constexpr std::uint32_t SCHEMA_VERSION = 1;

enum class ProfileScope { Model, Family };

// "model" or "family".
[[nodiscard]] std::string_view scope_text(ProfileScope scope) noexcept;

enum class Confidence { Validated, Documented, Assumed };

struct Matches {
    std::vector<std::string> mtm;
    std::vector<std::string> version_contains;

    friend bool operator==(const Matches&, const Matches&) = default;
};

// How a capability is reached; the document names the alternative under the key `method`.
struct Access {
    struct Msr {
        std::uint32_t address;
        friend bool operator==(const Msr&, const Msr&) = default;
    };
    struct Ec {
        std::uint8_t offset;
        friend bool operator==(const Ec&, const Ec&) = default;
    };
    struct Wmi {
        std::string class_name;  // the document's key `class`
        std::string property;
        friend bool operator==(const Wmi&, const Wmi&) = default;
    };
    struct Acpi {
        std::string path;
        friend bool operator==(const Acpi&, const Acpi&) = default;
    };
    struct PlatformProfile {
        friend bool operator==(const PlatformProfile&, const PlatformProfile&) = default;
    };

    std::variant<Msr, Ec, Wmi, Acpi, PlatformProfile> method;

    friend bool operator==(const Access&, const Access&) = default;
};

struct Bounds {
    std::int64_t min = 0;
    std::int64_t max = 0;

    friend bool operator==(const Bounds&, const Bounds&) = default;
};

struct Capability {
    std::string id;
    std::string label;
    Access access;
    Confidence confidence = Confidence::Assumed;
    std::vector<std::string> sources;
    std::optional<std::string> validated_on;
    std::optional<Bounds> bounds;
    std::optional<std::string> notes;

    friend bool operator==(const Capability&, const Capability&) = default;
};

// Strings hold exactly what the document holds: nothing is trimmed or folded.
struct MachineProfile {
    std::uint32_t schema_version = 0;
    std::string id;
    std::string display_name;
    ProfileScope scope = ProfileScope::Model;
    Matches matches;
    std::vector<Capability> capabilities;

    friend bool operator==(const MachineProfile&, const MachineProfile&) = default;
};

struct ProfileError {
    struct InvalidToml {
        std::string message;
        friend bool operator==(const InvalidToml&, const InvalidToml&) = default;
    };
    struct UnsupportedSchema {
        std::uint32_t found = 0;
        friend bool operator==(const UnsupportedSchema&, const UnsupportedSchema&) = default;
    };
    struct InvalidProfile {
        std::string profile;  // the profile's id as written
        std::string message;
        friend bool operator==(const InvalidProfile&, const InvalidProfile&) = default;
    };

    std::variant<InvalidToml, UnsupportedSchema, InvalidProfile> detail;

    // "TOML invalide : …", "version de schéma … non supportée (attendu 1)" or "profil « … » : …".
    [[nodiscard]] std::string display() const;

    friend bool operator==(const ProfileError&, const ProfileError&) = default;
};

// Reads the structure and value kinds only; every failure is InvalidToml.
[[nodiscard]] std::expected<MachineProfile, ProfileError> parse_profile(std::string_view text);

// The rules on the values, first failure only: UnsupportedSchema or InvalidProfile.
[[nodiscard]] std::expected<void, ProfileError> validate_profile(const MachineProfile& profile);

// parse_profile, then validate_profile.
[[nodiscard]] std::expected<MachineProfile, ProfileError> load_profile_text(std::string_view text);

}  // namespace telvora
