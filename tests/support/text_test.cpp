#include <gtest/gtest.h>

#include <string>

#include "support/text.hpp"

namespace telvora {
namespace {

TEST(Utf8, LossyDecodingReplacesEachMaximalSubpart) {
    struct Case {
        std::string bytes;
        std::string expected;
    };
    const std::string fffd = "\xEF\xBF\xBD";
    const Case cases[] = {
        {"", ""},
        {"ThinkPad", "ThinkPad"},
        {"\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"},
        {"a\xFF"
         "b",
         "a" + fffd + "b"},
        // A truncated three-byte sequence is one maximal subpart, so one replacement.
        {"\xE2\x82", fffd},
        {"\xE2\x82"
         "A",
         fffd + "A"},
        // Surrogates encoded in UTF-8 and overlong forms: each byte is its own subpart.
        {"\xED\xA0\x80", fffd + fffd + fffd},
        {"\xC0\xAF", fffd + fffd},
        {"\xF4\x90\x80\x80", fffd + fffd + fffd + fffd},
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
        {std::string("\0x", 2), std::string("\0x", 2)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(decode_utf8_lossy(c.bytes), c.expected) << c.bytes;
        EXPECT_EQ(is_valid_utf8(c.bytes), c.bytes == c.expected) << c.bytes;
    }
}

TEST(WhiteSpace, TrimsTheUnicodeWhiteSpaceSet) {
    struct Case {
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {" 20XW ", "20XW"},
        {"\t\n\v\f\r LENOVO\r\n", "LENOVO"},
        {"\xC2\x85\xC2\xA0x\xE1\x9A\x80", "x"},                          // U+0085, U+00A0, U+1680
        {"\xE2\x80\x80\xE2\x80\x8Ax y\xE2\x80\xA8\xE2\x80\xA9", "x y"},  // U+2000, U+200A, U+2028/9
        {"\xE2\x80\xAF\xE2\x81\x9F\xE3\x80\x80z", "z"},                  // U+202F, U+205F, U+3000
        // Not White_Space: zero-width space, BOM, NUL, ill-formed bytes.
        {"\xE2\x80\x8Bx", "\xE2\x80\x8Bx"},
        {"\xEF\xBB\xBFx", "\xEF\xBB\xBFx"},
        {std::string("\0", 1), std::string("\0", 1)},
        {" \xFF ", "\xFF"},
        {" \t ", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(trim_white_space(c.text), c.expected) << c.text;
        EXPECT_EQ(is_blank(c.text), c.expected.empty()) << c.text;
    }
}

TEST(AsciiFold, FoldsOnlyAsciiCapitals) {
    EXPECT_EQ(ascii_fold("ThinkPad X1 É"), "thinkpad x1 \xC3\x89");
    EXPECT_EQ(ascii_fold("@[`{"), "@[`{");
}

TEST(Wide, ConvertsToUtf16CodeUnitsAndBack) {
    const std::wstring wide = to_wide("a\xC3\xA9\xF0\x9F\x98\x80");
    ASSERT_EQ(wide.size(), 4u);
    EXPECT_EQ(static_cast<unsigned>(wide[0]), 0x61u);
    EXPECT_EQ(static_cast<unsigned>(wide[1]), 0xE9u);
    EXPECT_EQ(static_cast<unsigned>(wide[2]), 0xD83Du);
    EXPECT_EQ(static_cast<unsigned>(wide[3]), 0xDE00u);
    EXPECT_EQ(from_wide(wide), "a\xC3\xA9\xF0\x9F\x98\x80");
    // An unpaired surrogate cannot be UTF-8: it becomes U+FFFD.
    EXPECT_EQ(from_wide(std::wstring(1, static_cast<wchar_t>(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(to_wide("\xFF"), std::wstring(1, static_cast<wchar_t>(0xFFFD)));
}

}  // namespace
}  // namespace telvora
