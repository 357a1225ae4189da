#include "hal/smbios/smbios.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>
#include <utility>

#include "support/text.hpp"

namespace telvora {

namespace {

constexpr std::size_t HEADER_SIZE = 4;
constexpr std::uint8_t END_OF_TABLE = 127;

struct StringField {
    std::size_t offset;
    std::optional<std::string> SmbiosInfo::*member;
};

constexpr std::array<StringField, 3> BIOS_FIELDS = {{
    {0x04, &SmbiosInfo::bios_vendor},
    {0x05, &SmbiosInfo::bios_version},
    {0x08, &SmbiosInfo::bios_release_date},
}};
constexpr std::array<StringField, 4> SYSTEM_FIELDS = {{
    {0x04, &SmbiosInfo::system_manufacturer},
    {0x05, &SmbiosInfo::system_product_name},
    {0x06, &SmbiosInfo::system_version},
    {0x1A, &SmbiosInfo::system_family},
}};
constexpr std::array<StringField, 1> BASEBOARD_FIELDS = {{
    {0x05, &SmbiosInfo::baseboard_product},
}};

std::uint8_t byte_at(std::span<const std::byte> bytes, std::size_t i) {
    return std::to_integer<std::uint8_t>(bytes[i]);
}

void take_fields(std::span<const StringField> fields, std::span<const std::byte> formatted,
                 std::span<const std::byte> strings_area, SmbiosInfo& info) {
    const std::vector<std::string> strings = split_string_set(strings_area);
    for (const StringField& field : fields) {
        if (formatted.size() <= field.offset)
            continue;
        const std::size_t number = byte_at(formatted, field.offset);
        if (number == 0 || number > strings.size())
            continue;
        const std::string_view trimmed = trim_white_space(strings[number - 1]);
        if (!trimmed.empty())
            info.*field.member = std::string(trimmed);
    }
}

HalError invalid_structure(std::size_t offset) {
    return HalError{HalErrorKind::InvalidData,
                    "structure SMBIOS invalide à l'offset " + std::to_string(offset)};
}

HalError unterminated_strings() {
    return HalError{HalErrorKind::InvalidData, "section de chaînes SMBIOS non terminée"};
}

}  // namespace

std::vector<std::string> split_string_set(std::span<const std::byte> area) {
    std::vector<std::string> strings;
    if (area.empty())
        return strings;
    auto begin = area.begin();
    while (true) {
        const auto nul = std::find(begin, area.end(), std::byte{0});
        strings.push_back(decode_utf8_lossy(std::span<const std::byte>(begin, nul)));
        if (nul == area.end())
            break;
        begin = nul + 1;
    }
    return strings;
}

HalResult<SmbiosInfo> parse_smbios(std::span<const std::byte> table) {
    SmbiosInfo info;
    // Only the first structure of each wanted type counts, even one too short to hold a field.
    bool seen_bios = false;
    bool seen_system = false;
    bool seen_baseboard = false;

    const std::size_t size = table.size();
    std::size_t p = 0;
    // Invariant: p <= size, so none of the sums below can wrap.
    while (size - p >= HEADER_SIZE) {
        const std::size_t formatted_length = byte_at(table, p + 1);
        if (formatted_length < HEADER_SIZE)
            return std::unexpected(invalid_structure(p));
        const std::size_t s = p + formatted_length;
        if (s > size)
            return std::unexpected(invalid_structure(p));
        if (s + 1 >= size)
            return std::unexpected(unterminated_strings());

        std::size_t end = s;  // first byte of the terminating NUL pair
        while (end + 1 < size && !(table[end] == std::byte{0} && table[end + 1] == std::byte{0}))
            ++end;
        if (end + 1 >= size)
            return std::unexpected(unterminated_strings());

        const auto formatted = table.subspan(p, formatted_length);
        const auto strings_area = table.subspan(s, end - s);
        switch (byte_at(table, p)) {
            case 0:
                if (!std::exchange(seen_bios, true))
                    take_fields(BIOS_FIELDS, formatted, strings_area, info);
                break;
            case 1:
                if (!std::exchange(seen_system, true))
                    take_fields(SYSTEM_FIELDS, formatted, strings_area, info);
                break;
            case 2:
                if (!std::exchange(seen_baseboard, true))
                    take_fields(BASEBOARD_FIELDS, formatted, strings_area, info);
                break;
            case END_OF_TABLE:
                return info;
            default:
                break;
        }
        p = end + 2;
    }
    return info;
}

}  // namespace telvora
