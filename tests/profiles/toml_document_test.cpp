#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "profiles/profile.hpp"
#include "profiles/toml_document.hpp"

namespace telvora {
namespace {

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Every document of the public compliance suite for TOML 1.1.0: valid ones read, invalid ones
// refused, none crashes.
TEST(ReadToml, FollowsTheComplianceSuite) {
    const std::string suite = TELVORA_TOML_TEST_DIR;
    std::ifstream list(suite + "/files-toml-1.1.0");
    if (!list)
        GTEST_SKIP() << "toml-test not found at " << suite;
    std::string entry;
    int checked = 0;
    while (std::getline(list, entry)) {
        if (!entry.ends_with(".toml"))
            continue;
        const std::string text = read_file(suite + "/" + entry);
        const auto read = read_toml(text);
        if (entry.starts_with("valid/"))
            EXPECT_TRUE(read) << entry << ": " << read.error().message;
        else
            EXPECT_FALSE(read) << entry;
        ++checked;
    }
    EXPECT_GT(checked, 600);
}

// Fails when the build loses the library's TOML 1.1.0 switch.
TEST(ReadToml, ReadsTimesWithoutSeconds) {
    const auto read = read_toml("t = 07:32\n");
    ASSERT_TRUE(read) << read.error().message;
    ASSERT_EQ(read->children.size(), 1u);
    EXPECT_EQ(read->children[0].kind, TomlKind::Time);
}

std::string repeat(std::string_view part, std::size_t count) {
    std::string text;
    text.reserve(part.size() * count);
    for (std::size_t i = 0; i < count; ++i)
        text += part;
    return text;
}

// Documents that crash or misbehave in the library unguarded, or that are hostile in size: each
// gives a clean error (or reads), never a crash. Run in the sanitizer build too.
TEST(ReadToml, RefusesHostileDocumentsCleanly) {
    struct Case {
        const char* name;
        std::string text;
        bool readable;
    };
    const Case cases[] = {
        {"lone bracket as key", "[ = 1\n", false},
        {"bare dot header", "[.]\n", false},
        {"dot key", ". = 1\n", false},
        {"unterminated header", "[a", false},
        {"non-ASCII bare key", "\xC3\xA9t\xC3\xA9 = 1\n", false},
        {"non-ASCII after a key", "a\xC3\xA9 = 1\n", false},
        {"non-ASCII in a value", "a = tru\xC3\xA9\n", false},
        {"non-ASCII after a line-ending backslash", "a = \"\"\"x\\\n   \xC3\xA9t\xC3\xA9\"\"\"\n",
         true},
        {"non-ASCII after a backslash and blank lines", "a = \"\"\"\\  \r\n\n \xE2\x82\xAC\"\"\"\n",
         true},
        {"escaped non-ASCII", "a = \"\\\xC3\xA9\"\n", false},
        {"quote after a bare value, then non-ASCII", "l=2\"\xC3\xAA", false},
        {"non-ASCII escaped in a multi-line string", "a = \"\"\"\\\xC3\xA0\"\"\"", false},
        {"non-ASCII after a backslash and blanks", "a = \"\"\"\\  \xC3\xA0\"\"\"", false},
        {"quote after a float, then non-ASCII", "c=8.'\xCF\x85", false},
        {"million-part dotted key", "a" + repeat(".a", 1'000'000) + " = 1\n", false},
        {"million-part header", "[a" + repeat(".a", 1'000'000) + "]\n", false},
        {"deeply nested arrays", "a = " + repeat("[", 100'000) + repeat("]", 100'000), false},
        {"deeply nested inline tables",
         "a = " + repeat("{b=", 100'000) + "1" + repeat("}", 100'000), false},
        {"nesting on many lines", "a = " + repeat("[\n", 100'000), false},
        {"NUL bytes", std::string("a = \"x\0y\"\n", 10), false},
        {"NUL key", std::string("\0 = 1", 5), false},
        {"invalid UTF-8 in a string", "a = \"\xFF\"\n", false},
        {"invalid UTF-8 in a comment", "# \xC3\n", false},
        {"truncated UTF-8 at the end", "a = \"\xE2\x82", false},
        {"huge string", "a = \"" + std::string(20'000'000, 'x') + "\"\n", true},
        {"many separators on one line", "a = [" + repeat("1.5,", 1'000) + "]\n", true},
    };
    for (const Case& c : cases) {
        const auto read = read_toml(c.text);
        EXPECT_EQ(read.has_value(), c.readable) << c.name;
    }
    // The rewritten string keeps its value.
    const auto read = read_toml("a = \"\"\"x\\\n   \xC3\xA9t\xC3\xA9\"\"\"\n");
    ASSERT_TRUE(read);
    EXPECT_EQ(read->children[0].text, "x\xC3\xA9t\xC3\xA9");
}

TEST(ReadToml, LocatesItsOwnRefusals) {
    auto read = read_toml("a = 1\n  b\xC3\xA9 = 2\n");
    ASSERT_FALSE(read);
    EXPECT_EQ(read.error().message, "caractère non ASCII hors d'une chaîne ou d'un commentaire");
    EXPECT_EQ(read.error().position.line, 2u);
    EXPECT_EQ(read.error().position.column, 4u);

    read = read_toml("# \xC3\xA9\na = \"\xC3\x28\"\n");
    ASSERT_FALSE(read);
    EXPECT_EQ(read.error().message, "texte UTF-8 invalide");
    EXPECT_EQ(read.error().position.line, 2u);
    EXPECT_EQ(read.error().position.column, 6u);
}

TEST(ParseProfile, HostileProfilesGiveInvalidToml) {
    for (const std::string& text :
         {std::string("id = \"\0\"", 8), std::string("\xEF\xBB\xBF\xEF\xBB\xBF"),
          std::string("schema_version = 1\nid = \"\xC0\x80\"")}) {
        auto profile = parse_profile(text);
        ASSERT_FALSE(profile);
        EXPECT_TRUE(std::holds_alternative<ProfileError::InvalidToml>(profile.error().detail));
    }
}

}  // namespace
}  // namespace telvora
