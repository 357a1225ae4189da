#pragma once
// Builds SMBIOS structure tables for tests: formatted bytes and a string-set in, bytes out.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "hal/smbios/smbios.hpp"

namespace telvora::test {

using Bytes = std::vector<std::byte>;

inline Bytes bytes(std::initializer_list<int> values) {
    Bytes out;
    for (const int v : values)
        out.push_back(static_cast<std::byte>(v));
    return out;
}

inline void append(Bytes& out, const std::string& text) {
    for (const char c : text)
        out.push_back(static_cast<std::byte>(c));
}

inline void append(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

// One structure: `numbers` puts string numbers at formatted offsets; the strings form its
// string-set (two NUL bytes when there are none).
inline Bytes structure(int type, int formatted_length,
                       std::initializer_list<std::pair<int, int>> numbers = {},
                       std::initializer_list<std::string> strings = {}) {
    Bytes out(static_cast<std::size_t>(formatted_length), std::byte{0});
    out[0] = static_cast<std::byte>(type);
    out[1] = static_cast<std::byte>(formatted_length);
    for (const auto& [offset, number] : numbers)
        out[static_cast<std::size_t>(offset)] = static_cast<std::byte>(number);
    for (const std::string& s : strings) {
        append(out, s);
        out.push_back(std::byte{0});
    }
    if (strings.size() == 0)
        out.push_back(std::byte{0});
    out.push_back(std::byte{0});
    return out;
}

inline Bytes end_of_table() {
    return structure(127, 4);
}

inline Bytes table(std::initializer_list<Bytes> structures) {
    Bytes out;
    for (const Bytes& s : structures)
        append(out, s);
    return out;
}

// Typical modern layouts: type 0 of 18h bytes, type 1 of 1Bh bytes, type 2 of 0Fh bytes.
inline Bytes bios_info(const std::string& vendor, const std::string& version,
                       const std::string& date) {
    return structure(0, 0x18, {{0x04, 1}, {0x05, 2}, {0x08, 3}}, {vendor, version, date});
}

inline Bytes system_info(const std::string& manufacturer, const std::string& product,
                         const std::string& version, const std::string& family) {
    return structure(1, 0x1B, {{0x04, 1}, {0x05, 2}, {0x06, 3}, {0x07, 4}, {0x19, 5}, {0x1A, 6}},
                     {manufacturer, product, version, "PF0ABCDE", "LENOVO_MT_20XW", family});
}

inline Bytes baseboard_info(const std::string& product) {
    return structure(2, 0x0F, {{0x04, 1}, {0x05, 2}}, {"LENOVO", product});
}

// The table of a ThinkPad X1 Carbon Gen 9, with structures the parser skips in between.
inline Bytes thinkpad_table() {
    return table({
        bios_info("LENOVO", "N32ET86W (1.62 )", "06/01/2023"),
        system_info("LENOVO", "20XWCTO1WW", "ThinkPad X1 Carbon Gen 9", "ThinkPad X1 Carbon Gen 9"),
        baseboard_info("20XWCTO1WW"),
        structure(3, 0x16, {{0x04, 1}}, {"LENOVO"}),
        structure(17, 0x28, {{0x10, 1}, {0x11, 2}}, {"ChannelA-DIMM0", "BANK 0"}),
        end_of_table(),
    });
}

// What the parser keeps of thinkpad_table().
inline const SmbiosInfo THINKPAD_INFO{
    .bios_vendor = "LENOVO",
    .bios_version = "N32ET86W (1.62 )",
    .bios_release_date = "06/01/2023",
    .system_manufacturer = "LENOVO",
    .system_product_name = "20XWCTO1WW",
    .system_version = "ThinkPad X1 Carbon Gen 9",
    .system_family = "ThinkPad X1 Carbon Gen 9",
    .baseboard_product = "20XWCTO1WW",
};

}  // namespace telvora::test
