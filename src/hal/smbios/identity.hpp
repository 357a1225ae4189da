#pragma once
// The machine's identity as read from the firmware, with the SMBIOS field each value came from.

#include <optional>
#include <string>
#include <string_view>

namespace telvora {

// Each label is a constant text naming an SMBIOS structure and field; present exactly when the
// value of the same name is present.
struct IdentitySources {
    std::optional<std::string_view> manufacturer{};
    std::optional<std::string_view> mtm{};
    std::optional<std::string_view> display_name{};
    std::optional<std::string_view> bios_vendor{};
    std::optional<std::string_view> bios_version{};
    std::optional<std::string_view> bios_release_date{};

    friend bool operator==(const IdentitySources&, const IdentitySources&) = default;
};

// A present value is never empty and has no leading or trailing white space.
struct MachineIdentity {
    std::optional<std::string> manufacturer{};
    std::optional<std::string> mtm{};  // four characters 0-9 A-Z, the first a digit
    std::optional<std::string> display_name{};
    std::optional<std::string> bios_vendor{};
    std::optional<std::string> bios_version{};
    std::optional<std::string> bios_release_date{};
    IdentitySources sources{};

    friend bool operator==(const MachineIdentity&, const MachineIdentity&) = default;
};

}  // namespace telvora
