#include <gtest/gtest.h>

#include <random>

#include "hal/smbios/smbios.hpp"
#include "hal/smbios/table_builder.hpp"

namespace telvora {
namespace {

using test::Bytes;
using test::bytes;
using test::end_of_table;
using test::structure;
using test::table;

TEST(SplitStringSet, SplitsAtEveryNulAndDecodesLossily) {
    struct Case {
        Bytes area;
        std::vector<std::string> strings;
    };
    const Case cases[] = {
        {{}, {}},
        {bytes({'A'}), {"A"}},
        {bytes({'A', 0, 'B', 'C'}), {"A", "BC"}},
        {bytes({0, 'A'}), {"", "A"}},
        // Each maximal ill-formed subsequence is one U+FFFD.
        {bytes({0xFF, 'x'}), {"\uFFFDx"}},
        {bytes({0xE0, 0x80, 'A'}), {"\uFFFD\uFFFDA"}},
        {bytes({0xF0, 0x9F, 0x98, 'A'}), {"\uFFFDA"}},
        {bytes({0xC3, 0x89, 0, 0xC3}), {"\u00C9", "\uFFFD"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(split_string_set(c.area), c.strings);
}

TEST(ParseSmbios, ReadsTheFirstStructureOfEachWantedType) {
    const auto info = parse_smbios(test::thinkpad_table());
    ASSERT_TRUE(info) << info.error().message;
    EXPECT_EQ(*info, test::THINKPAD_INFO);
}

TEST(ParseSmbios, TablesWithoutFieldsGiveAnEmptyResult) {
    const Bytes cases[] = {
        {},
        bytes({0x7F}),
        bytes({0x7F, 0x04, 0x00}),
        bytes({0x00, 0x00, 0x00}),
        end_of_table(),
        table({structure(17, 0x10, {{4, 1}}, {"DIMM"}), structure(3, 0x08)}),
        // Anything after the end-of-table structure is never looked at.
        table({end_of_table(), test::bios_info("LENOVO", "1", "2"), bytes({0x00, 0x02, 0, 0})}),
    };
    for (const Bytes& t : cases) {
        const auto info = parse_smbios(t);
        ASSERT_TRUE(info) << "size " << t.size() << ": " << info.error().message;
        EXPECT_EQ(*info, SmbiosInfo{}) << "size " << t.size();
    }
}

TEST(ParseSmbios, FramingErrorsFailTheWholeParse) {
    const std::string invalid_at = "structure SMBIOS invalide à l'offset ";
    const std::string unterminated = "section de chaînes SMBIOS non terminée";
    // Type 1 of 1Bh bytes plus "A" NUL NUL: bytes 0 to 29.
    const Bytes first = structure(1, 0x1B, {{4, 1}}, {"A"});
    ASSERT_EQ(first.size(), 30u);
    const Bytes lead = test::bios_info("L", "1", "2");
    struct Case {
        const char* name;
        Bytes table;
        std::string message;
    };
    const Case cases[] = {
        {"end-of-table without string-set", bytes({0x7F, 0x04, 0x00, 0x00}), unterminated},
        {"end-of-table with one NUL", bytes({0x7F, 0x04, 0x00, 0x00, 0x00}), unterminated},
        {"formatted length 3", bytes({0x01, 0x03, 0x00, 0x00, 0x00, 0x00}), invalid_at + "0"},
        {"formatted length 0", bytes({0x01, 0x00, 0x00, 0x00, 0x00, 0x00}), invalid_at + "0"},
        {"second structure runs past the end",
         table({first, bytes({0x02, 0x20, 0x00, 0x00, 0x00, 0x00})}), invalid_at + "30"},
        {"formatted area ends at the end", table({first, bytes({0x02, 0x06, 0, 0, 1, 1})}),
         unterminated},
        {"no NUL pair", bytes({0x02, 0x04, 0x00, 0x00, 'A', 0x00, 'B', 0x00, 'C'}), unterminated},
        {"NUL pair would straddle the end", bytes({0x02, 0x04, 0x00, 0x00, 'A', 0x00}),
         unterminated},
        // Every structure walked is checked, whatever its type, and wanted fields are dropped.
        {"bad unread type before the end",
         table({lead, bytes({17, 0x28, 0x00, 0x00}), end_of_table()}),
         invalid_at + std::to_string(lead.size())},
    };
    for (const Case& c : cases) {
        const auto info = parse_smbios(c.table);
        ASSERT_FALSE(info) << c.name;
        EXPECT_EQ(info.error(), (HalError{HalErrorKind::InvalidData, c.message})) << c.name;
    }
}

TEST(ParseSmbios, OnlyTheFirstStructureOfATypeCounts) {
    // SMBIOS 2.0 layout (8 bytes) first: no Family, and the complete one after it is ignored.
    const auto old_first = parse_smbios(table({
        structure(1, 0x08, {{4, 1}, {5, 2}, {6, 3}}, {"Maker", "Model", "Rev A"}),
        test::system_info("Other", "20XWCTO1WW", "X1", "ThinkPad"),
    }));
    ASSERT_TRUE(old_first);
    EXPECT_EQ(*old_first, (SmbiosInfo{.system_manufacturer = "Maker",
                                      .system_product_name = "Model",
                                      .system_version = "Rev A"}));

    // A type 0 too short for any field still takes the type's place.
    const auto short_bios = parse_smbios(table({
        structure(0, 0x04),
        test::bios_info("LENOVO", "1.0", "2023"),
    }));
    ASSERT_TRUE(short_bios);
    EXPECT_EQ(*short_bios, SmbiosInfo{});
}

TEST(ParseSmbios, FieldsNeedTheFormattedAreaToReachTheirOffset) {
    struct Case {
        int type;
        int length;
        SmbiosInfo expected;
    };
    // String numbers 1 to 4 at offsets 04h to 07h, 5 at 08h and 6 at 1Ah.
    const Case cases[] = {
        {0, 0x05, {.bios_vendor = "s1"}},
        {0, 0x08, {.bios_vendor = "s1", .bios_version = "s2"}},
        {0, 0x09, {.bios_vendor = "s1", .bios_version = "s2", .bios_release_date = "s5"}},
        {1,
         0x19,
         {.system_manufacturer = "s1", .system_product_name = "s2", .system_version = "s3"}},
        {1,
         0x1A,
         {.system_manufacturer = "s1", .system_product_name = "s2", .system_version = "s3"}},
        {1,
         0x1B,
         {.system_manufacturer = "s1",
          .system_product_name = "s2",
          .system_version = "s3",
          .system_family = "s6"}},
        {2, 0x05, {}},
        {2, 0x06, {.baseboard_product = "s2"}},
    };
    for (const Case& c : cases) {
        Bytes s = structure(c.type, c.length, {}, {"s1", "s2", "s3", "s4", "s5", "s6"});
        for (std::size_t offset = 4; offset < static_cast<std::size_t>(c.length); ++offset)
            s[offset] = std::byte{0};
        const std::pair<std::size_t, int> numbers[] = {{4, 1}, {5, 2}, {6, 3},
                                                       {7, 4}, {8, 5}, {0x1A, 6}};
        for (const auto& [offset, number] : numbers) {
            if (offset < static_cast<std::size_t>(c.length))
                s[offset] = static_cast<std::byte>(number);
        }
        const auto info = parse_smbios(s);
        ASSERT_TRUE(info);
        EXPECT_EQ(*info, c.expected) << "type " << c.type << " length " << c.length;
    }
}

TEST(ParseSmbios, StringValuesAreCheckedTrimmedAndDecoded) {
    struct Case {
        const char* name;
        Bytes structure;
        std::optional<std::string> manufacturer;
        std::optional<std::string> product;
    };
    const Case cases[] = {
        {"dangling number", structure(1, 0x08, {{4, 3}, {5, 2}}, {"a", "b"}), {}, "b"},
        {"empty string-set", structure(1, 0x08, {{4, 1}, {5, 2}}), {}, {}},
        {"string 1 empty", bytes({1, 0x08, 0, 0, 1, 2, 0, 0, 0, 'B', 0, 0}), {}, "B"},
        {"blank and padded",
         structure(1, 0x08, {{4, 1}, {5, 2}}, {" \t \t", " 20XW "}),
         {},
         "20XW"},
        {"Unicode white space",
         structure(1, 0x08, {{4, 1}, {5, 2}}, {"\u3000", "\u00A0X\u2028"}),
         {},
         "X"},
        {"byte FF", structure(1, 0x08, {{4, 1}}, {"LEN\xFFOVO"}), "LEN\uFFFDOVO", {}},
    };
    for (const Case& c : cases) {
        const auto info = parse_smbios(table({c.structure, test::baseboard_info("after")}));
        ASSERT_TRUE(info) << c.name << ": " << info.error().message;
        EXPECT_EQ(info->system_manufacturer, c.manufacturer) << c.name;
        EXPECT_EQ(info->system_product_name, c.product) << c.name;
        // The next structure starts right after the NUL pair.
        EXPECT_EQ(info->baseboard_product, "after") << c.name;
    }
}

TEST(ParseSmbios, TrailingBytesAndMissingEndAreAccepted) {
    for (int extra = 0; extra <= 3; ++extra) {
        Bytes t = table({test::baseboard_info("B")});
        t.resize(t.size() + static_cast<std::size_t>(extra), std::byte{0x7F});
        const auto info = parse_smbios(t);
        ASSERT_TRUE(info) << extra;
        EXPECT_EQ(info->baseboard_product, "B");
    }
}

// Firmware data is hostile: whatever the bytes, the parse ends with a result or an error and
// stays inside its input (the sanitizer build checks the latter).
TEST(ParseSmbios, SurvivesArbitraryBytes) {
    const Bytes good = test::thinkpad_table();
    for (std::size_t n = 0; n <= good.size(); ++n)
        (void)parse_smbios(std::span(good).first(n));

    std::mt19937 random(12345);
    std::uniform_int_distribution<int> size(0, 80);
    std::uniform_int_distribution<int> value(0, 255);
    for (int round = 0; round < 20000; ++round) {
        Bytes t(static_cast<std::size_t>(size(random)));
        // Mostly small values, so that lengths and NUL pairs come up often.
        for (std::byte& b : t)
            b = static_cast<std::byte>(value(random) % (round % 2 == 0 ? 8 : 256));
        const auto info = parse_smbios(t);
        if (!info) {
            EXPECT_EQ(info.error().kind, HalErrorKind::InvalidData);
        }
    }
}

}  // namespace
}  // namespace telvora
