#pragma once
// Where the raw SMBIOS structure table comes from: the seam between the platform and the
// identity logic.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "hal/hal_error.hpp"

namespace telvora {

class SmbiosSource {
  public:
    virtual ~SmbiosSource() = default;

    // The bare structure table (possibly empty), an owned copy.
    [[nodiscard]] virtual HalResult<std::vector<std::byte>> read_smbios_table() = 0;

    // Names the table source that the latest successful read used.
    [[nodiscard]] virtual std::string_view backend_name() const = 0;
};

// The platform's own source: the Windows firmware table interface, or sysfs on Linux.
[[nodiscard]] std::unique_ptr<SmbiosSource> make_system_smbios_source();

// The header Windows places in front of the table it returns for the RSMB provider. Only
// `length` is read; the version bytes do not change how the table is walked.
struct RsmbHeader {
    std::uint8_t calling_method;
    std::uint8_t major_version;
    std::uint8_t minor_version;
    std::uint8_t dmi_revision;
    std::uint32_t length;  // little-endian, bytes of structure table that follow
};
static_assert(sizeof(RsmbHeader) == 8);

// Validates the RSMB header of the bytes written and returns a copy of exactly `length` bytes of
// table; bytes after it are dropped.
[[nodiscard]] HalResult<std::vector<std::byte>> extract_structure_table(
    std::span<const std::byte> written);

}  // namespace telvora
