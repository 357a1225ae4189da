#include <windows.h>

#include "hal/smbios/windows_smbios_source.hpp"

namespace telvora {

namespace {

// 'RSMB' with R in the most significant byte, spelled out to avoid a multi-character literal.
constexpr DWORD RSMB_PROVIDER =
    (DWORD{'R'} << 24) | (DWORD{'S'} << 16) | (DWORD{'M'} << 8) | DWORD{'B'};
static_assert(RSMB_PROVIDER == 0x52534D42);

}  // namespace

HalResult<std::vector<std::byte>> WindowsSmbiosSource::read_smbios_table() {
    const UINT needed = ::GetSystemFirmwareTable(RSMB_PROVIDER, 0, nullptr, 0);
    if (needed == 0)
        return hal_error(HalErrorKind::Unavailable, "table RSMB absente");
    // Owned by the vector: released on every return below.
    std::vector<std::byte> buffer(needed);
    const UINT written = ::GetSystemFirmwareTable(RSMB_PROVIDER, 0, buffer.data(), needed);
    if (written == 0 || written > needed)
        return hal_error(HalErrorKind::AccessDenied, "lecture de la table RSMB refusée");
    return extract_structure_table(std::span<const std::byte>(buffer).first(written));
}

std::unique_ptr<SmbiosSource> make_system_smbios_source() {
    return std::make_unique<WindowsSmbiosSource>();
}

}  // namespace telvora
