#include <cstddef>

#include "hal/smbios/smbios_source.hpp"

namespace telvora {

HalResult<std::vector<std::byte>> extract_structure_table(std::span<const std::byte> written) {
    if (written.size() < sizeof(RsmbHeader))
        return hal_error(HalErrorKind::InvalidData, "en-tête RSMB trop court");
    // Assembled byte by byte: the header is little-endian whatever the host.
    const std::size_t at = offsetof(RsmbHeader, length);
    std::uint64_t length = 0;
    for (std::size_t i = 0; i < 4; ++i)
        length |= std::uint64_t{std::to_integer<std::uint8_t>(written[at + i])} << (8 * i);
    // 64-bit sum: a length near 2^32 must not wrap into a small one.
    if (sizeof(RsmbHeader) + length > written.size())
        return hal_error(HalErrorKind::InvalidData, "longueur RSMB incohérente");
    const auto table = written.subspan(sizeof(RsmbHeader), static_cast<std::size_t>(length));
    return std::vector<std::byte>(table.begin(), table.end());
}

}  // namespace telvora
