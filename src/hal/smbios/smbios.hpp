#pragma once
// Walks an SMBIOS structure table and keeps the eight strings the machine identity needs.

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "hal/hal_error.hpp"

namespace telvora {

// Present values are never empty and carry no leading or trailing white space.
struct SmbiosInfo {
    std::optional<std::string> bios_vendor{};          // type 0, 04h
    std::optional<std::string> bios_version{};         // type 0, 05h
    std::optional<std::string> bios_release_date{};    // type 0, 08h, free text
    std::optional<std::string> system_manufacturer{};  // type 1, 04h
    std::optional<std::string> system_product_name{};  // type 1, 05h
    std::optional<std::string> system_version{};       // type 1, 06h
    std::optional<std::string> system_family{};        // type 1, 1Ah
    std::optional<std::string> baseboard_product{};    // type 2, 05h

    friend bool operator==(const SmbiosInfo&, const SmbiosInfo&) = default;
};

// Fields come from the first structure of each type 0, 1 and 2; the walk stops at type 127 or at
// the end of the data. Any malformed structure walked fails the whole parse (InvalidData).
[[nodiscard]] HalResult<SmbiosInfo> parse_smbios(std::span<const std::byte> table);

// The strings of one string-set, without its final NUL pair: string number k is element k - 1.
// Ill-formed UTF-8 is decoded lossily. An empty area has no strings.
[[nodiscard]] std::vector<std::string> split_string_set(std::span<const std::byte> area);

}  // namespace telvora
