#pragma once
// Turns the firmware's SMBIOS strings into the machine identity, rejecting stock placeholders.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "hal/hal_error.hpp"
#include "hal/smbios/identity.hpp"
#include "hal/smbios/smbios.hpp"
#include "hal/smbios/smbios_source.hpp"

namespace telvora {

// Lower-case texts that firmware leaves in fields nobody filled in.
inline constexpr std::array<std::string_view, 9> PLACEHOLDER_VALUES = {
    "n/a",
    "none",
    "undefined",
    "not specified",
    "system version",
    "not applicable",
    "default string",
    "system product name",
    "to be filled by o.e.m.",
};

inline constexpr std::string_view LABEL_MANUFACTURER = "SMBIOS type 1 (System) : Manufacturer";
inline constexpr std::string_view LABEL_PRODUCT_NAME = "SMBIOS type 1 (System) : Product Name";
inline constexpr std::string_view LABEL_VERSION = "SMBIOS type 1 (System) : Version";
inline constexpr std::string_view LABEL_FAMILY = "SMBIOS type 1 (System) : Family";
inline constexpr std::string_view LABEL_BASEBOARD_PRODUCT = "SMBIOS type 2 (Baseboard) : Product";
inline constexpr std::string_view LABEL_BIOS_VENDOR = "SMBIOS type 0 (BIOS) : Vendor";
inline constexpr std::string_view LABEL_BIOS_VERSION = "SMBIOS type 0 (BIOS) : Version";
inline constexpr std::string_view LABEL_BIOS_RELEASE_DATE = "SMBIOS type 0 (BIOS) : Release Date";

// Trimmed; absent when empty or a placeholder (whole text, ASCII case folded).
[[nodiscard]] std::optional<std::string> clean_field(const std::optional<std::string>& value);

// The four-character machine type that opens a Lenovo product name ("20XWCTO1WW" -> "20XW"),
// upper-cased; absent unless the first four characters are ASCII alphanumerics led by a digit.
[[nodiscard]] std::optional<std::string> machine_type_from_product(std::string_view product);

[[nodiscard]] MachineIdentity build_identity(const SmbiosInfo& info);

// Reads the table from the source, parses it and builds the identity; errors pass unchanged.
[[nodiscard]] HalResult<MachineIdentity> detect_identity(SmbiosSource& source);

}  // namespace telvora
