#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "hal/json/json_reader.hpp"

namespace telvora {
namespace {

using Json = nlohmann::ordered_json;

struct ErrorCase {
    std::string input;
    std::string text;
};

std::string generic_error(const std::string& input) {
    const auto result = read_json_value(input);
    return result ? "accepted: " + result->dump() : result.error().text();
}

std::string record_error(const std::string& input) {
    const auto result = read_keyboard_json(input);
    return result ? "accepted" : result.error().text();
}

std::string nested(std::size_t depth, char open, char close, const std::string& inner = "") {
    return std::string(depth, open) + inner + std::string(depth, close);
}

const std::string VALID_RECORD =
    R"({"available":true,"known":false,"level":1,"max_level":2,"source":"hid","applied":true})";

TEST(JsonError, TextNamesDescriptionLineAndColumn) {
    EXPECT_EQ((JsonError{"expected value", 3, 7}.text()), "expected value at line 3 column 7");
}

TEST(ReadJsonValue, ReportsEachDescriptionAtItsPosition) {
    const ErrorCase cases[] = {
        {"", "EOF while parsing a value at line 1 column 0"},
        {" \t\u2003\n ", "EOF while parsing a value at line 1 column 0"},
        {R"({"op":"keyboard_read"} {})", "trailing characters at line 1 column 24"},
        {"1.5.5", "trailing characters at line 1 column 4"},
        {"[1,]", "trailing comma at line 1 column 4"},
        {R"({"a":1,})", "trailing comma at line 1 column 8"},
        {R"({"a" 1})", "expected `:` at line 1 column 6"},
        {"[\"\xC3\xA9\", x]", "expected value at line 1 column 8"},
        {"[,1]", "expected value at line 1 column 2"},
        {"\x01", "expected value at line 1 column 1"},
        {"[\"a\nb\"]",
         "control character (\\u0000-\\u001F) found while parsing a string at line 2 column 0"},
        {std::string("\"a\0\"", 4),
         "control character (\\u0000-\\u001F) found while parsing a string at line 1 column 3"},
        {"nil", "expected ident at line 1 column 2"},
        {"[nul]", "expected ident at line 1 column 5"},
        {"tru", "EOF while parsing a value at line 1 column 3"},
        {"[", "EOF while parsing a list at line 1 column 1"},
        {"[1", "EOF while parsing a list at line 1 column 2"},
        {"[1 2]", "expected `,` or `]` at line 1 column 4"},
        {"[1,", "EOF while parsing a value at line 1 column 3"},
        {"{", "EOF while parsing an object at line 1 column 1"},
        {R"({"a")", "EOF while parsing an object at line 1 column 4"},
        {R"({"a":)", "EOF while parsing a value at line 1 column 5"},
        {R"({"a":1)", "EOF while parsing an object at line 1 column 6"},
        {R"({"a":1,)", "EOF while parsing a value at line 1 column 7"},
        {R"({"a":1 "b":2})", "expected `,` or `}` at line 1 column 8"},
        {"{1:2}", "key must be a string at line 1 column 2"},
        {"{,}", "key must be a string at line 1 column 2"},
        {"\"ab", "EOF while parsing a string at line 1 column 3"},
        {"\"a\\", "EOF while parsing a string at line 1 column 3"},
        {"\"\\u12", "EOF while parsing a string at line 1 column 5"},
        {R"("\x")", "invalid escape at line 1 column 3"},
        {R"(["\u12"])", "invalid escape at line 1 column 8"},
        {R"("\uZ000")", "invalid escape at line 1 column 7"},
        {R"("\uDC00")", "lone leading surrogate in hex escape at line 1 column 7"},
        {R"("\uD800x")", "unexpected end of hex escape at line 1 column 8"},
        {R"("\uD800\n")", "unexpected end of hex escape at line 1 column 9"},
        {R"("\uD800\u0041")", "lone leading surrogate in hex escape at line 1 column 13"},
        {R"("\uD800\uD800")", "lone leading surrogate in hex escape at line 1 column 13"},
        {"\"\\uD800", "EOF while parsing a string at line 1 column 7"},
        {"\"\\uD800\\", "EOF while parsing a string at line 1 column 8"},
        {"-", "EOF while parsing a value at line 1 column 1"},
        {"-a", "invalid number at line 1 column 2"},
        {"01", "invalid number at line 1 column 2"},
        {"-00", "invalid number at line 1 column 3"},
        {"1.", "EOF while parsing a value at line 1 column 2"},
        {"1.e3", "invalid number at line 1 column 3"},
        {"1e", "EOF while parsing a value at line 1 column 2"},
        {"1e+", "EOF while parsing a value at line 1 column 3"},
        {"1ex", "invalid number at line 1 column 3"},
        {"1e309", "number out of range at line 1 column 5"},
        {"[-1.5e400]", "number out of range at line 1 column 9"},
        {"1e2147483647", "number out of range at line 1 column 12"},
        {"1e2147483648", "number out of range at line 1 column 12"},
        {"0e99999999999", "number out of range at line 1 column 12"},
        {nested(128, '[', ']'), "recursion limit exceeded at line 1 column 128"},
        {nested(127, '[', ']', "{\"a\":1}"), "recursion limit exceeded at line 1 column 128"},
        // Columns count bytes, only LF starts a line, and CR is an ordinary byte.
        {"[1,\r\n\xE2\x82\xAC\xE2\x82\xAC]", "expected value at line 2 column 1"},
        {"[\"\xE2\x82\xAC\",\r\n  x]", "expected value at line 2 column 3"},
        {"[1,\r\r x]", "expected value at line 1 column 7"},
        // Only JSON white space between tokens; other White_Space is judged by context.
        {"[1,\xC2\xA0"
         "2]",
         "expected value at line 1 column 4"},
        {"[1\x0B]", "expected `,` or `]` at line 1 column 3"},
        {"\xEF\xBB\xBF{}", "expected value at line 1 column 1"},
    };
    for (const ErrorCase& c : cases) {
        EXPECT_EQ(generic_error(c.input), c.text) << c.input;
    }
}

TEST(ReadJsonValue, PositionsReferToTheTrimmedText) {
    EXPECT_EQ(generic_error("\xE3\x80\x80\n  [1,]\n"), "trailing comma at line 1 column 4");
    EXPECT_EQ(generic_error("\r\n{\"a\":1}\u2028x"), "trailing characters at line 1 column 8");
}

TEST(ReadJsonValue, AllowsDepth127) {
    const auto arrays = read_json_value(nested(127, '[', ']'));
    ASSERT_TRUE(arrays.has_value());
    std::string objects;
    for (int i = 0; i < 127; ++i) {
        objects += "{\"a\":";
    }
    objects += '1';
    objects.append(127, '}');
    ASSERT_TRUE(read_json_value(objects).has_value());
    // Depth counts open containers, not containers seen.
    ASSERT_TRUE(read_json_value(nested(126, '[', ']', "[],[],[]")).has_value());
    EXPECT_EQ(generic_error(nested(100000, '[', ']')),
              "recursion limit exceeded at line 1 column 128");
}

TEST(ReadJsonValue, ClassifiesNumbers) {
    const auto u64_max = read_json_value("18446744073709551615");
    ASSERT_TRUE(u64_max && u64_max->is_number_unsigned());
    EXPECT_EQ(u64_max->get<std::uint64_t>(), std::numeric_limits<std::uint64_t>::max());

    const auto i64_min = read_json_value("-9223372036854775808");
    ASSERT_TRUE(i64_min && i64_min->is_number_integer() && !i64_min->is_number_unsigned());
    EXPECT_EQ(i64_min->get<std::int64_t>(), std::numeric_limits<std::int64_t>::min());

    const auto minus_one = read_json_value("-1");
    ASSERT_TRUE(minus_one && !minus_one->is_number_unsigned() && !minus_one->is_number_float());
    EXPECT_EQ(minus_one->get<std::int64_t>(), -1);

    struct FloatCase {
        std::string input;
        double value;
    };
    const FloatCase floats[] = {
        {"18446744073709551616", 18446744073709551616.0},
        {"-9223372036854775809", -9223372036854775809.0},
        {"-0", -0.0},
        {"1.0", 1.0},
        {"255e0", 255.0},
        {"-2.5E-3", -0.0025},
        {"1e-400", 0.0},
        {"-1e-400", -0.0},
        {"1e-2147483647", 0.0},
        {"0.1", 0.1},
    };
    for (const FloatCase& c : floats) {
        const auto value = read_json_value(c.input);
        ASSERT_TRUE(value && value->is_number_float()) << c.input;
        EXPECT_EQ(value->get<double>(), c.value) << c.input;
        EXPECT_EQ(std::signbit(value->get<double>()), std::signbit(c.value)) << c.input;
    }
}

TEST(ReadJsonValue, DecodesStrings) {
    const auto value =
        read_json_value(R"(["\"\\\/\b\f\n\r\t", "\u00e9\u20AC", "\uD83D\uDE00", "\u0000", "é)"
                        "\x7F\"]");
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ((*value)[0], "\"\\/\b\f\n\r\t");
    EXPECT_EQ((*value)[1], "\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ((*value)[2], "\xF0\x9F\x98\x80");
    EXPECT_EQ((*value)[3], std::string(1, '\0'));
    EXPECT_EQ((*value)[4], "\xC3\xA9\x7F");
}

TEST(ReadJsonValue, BuildsValuesWithTheLastDuplicateWinning) {
    const auto value = read_json_value(R"( {"b":1,"a":[true,false,null],"b":{"c":"d"},"e":{}} )");
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->dump(), R"({"b":{"c":"d"},"a":[true,false,null],"e":{}})");

    std::string many = "{";
    for (int i = 0; i < 2000; ++i) {
        many += "\"k" + std::to_string(i % 1000) + "\":" + std::to_string(i) + ",";
    }
    many.back() = '}';
    const auto big = read_json_value(many);
    ASSERT_TRUE(big.has_value());
    EXPECT_EQ(big->size(), 1000u);
    EXPECT_EQ((*big)["k0"], 1000);
    EXPECT_EQ(big->begin().key(), "k0");
}

TEST(ReadKeyboardJson, ReadsTheRecord) {
    const auto record = read_keyboard_json(
        "\n{ \"verified\": [1, {\"x\": null}], \"applied\": false, \"source\": \"thinkpad-pm\",\r\n"
        "\"max_level\": 2, \"level\": 255, \"known\": true, \"available\": true,\n"
        "\"reason\": \"caf\\u00e9\", \"verified\": 3 }\n");
    ASSERT_TRUE(record.has_value()) << record.error().text();
    EXPECT_EQ(*record, (KeyboardJson{true, true, 255, 2, "thinkpad-pm", false, "caf\xC3\xA9"}));

    const auto without_reason = read_keyboard_json(VALID_RECORD);
    ASSERT_TRUE(without_reason.has_value());
    EXPECT_EQ(*without_reason, (KeyboardJson{true, false, 1, 2, "hid", true, ""}));
}

TEST(ReadKeyboardJson, ReportsRecordErrors) {
    const std::string head = R"({"available":true,"known":true,"level":)";
    const std::string tail = R"(,"max_level":2,"source":"hid","applied":true})";
    const ErrorCase cases[] = {
        {"", "EOF while parsing a value at line 1 column 0"},
        {R"({"available":true,"available":true})",
         "duplicate field `available` at line 1 column 29"},
        {"{\"reason\":\"\",\"reason\" \n\t:1}", "duplicate field `reason` at line 2 column 1"},
        {R"({"available":true})", "missing field `known` at line 1 column 18"},
        {R"({"available":true,"known":true,"level":1,"max_level":2,"source":"hid"})",
         "missing field `applied` at line 1 column 70"},
        {head + "300" + tail, "invalid value: integer `300`, expected u8 at line 1 column 42"},
        {R"({"available":true,"known":true,"level":[],"max_level":2})",
         "invalid type: sequence, expected u8 at line 1 column 39"},
        {head + " \n {}" + tail, "invalid type: map, expected u8 at line 2 column 1"},
        {head + "-1" + tail, "invalid value: integer `-1`, expected u8 at line 1 column 41"},
        {head + "-0" + tail,
         "invalid type: floating point `-0.0`, expected u8 at line 1 column 41"},
        {head + "1.0" + tail,
         "invalid type: floating point `1.0`, expected u8 at line 1 column 42"},
        {head + "1e16" + tail,
         "invalid type: floating point `1e16`, expected u8 at line 1 column 43"},
        {head + "\"1\"" + tail, "invalid type: string \"1\", expected u8 at line 1 column 42"},
        {head + "null" + tail, "invalid type: null, expected u8 at line 1 column 43"},
        {head + "nul" + tail, "expected ident at line 1 column 43"},
        {head + "1e400" + tail, "number out of range at line 1 column 44"},
        {head + "\"\\q\"" + tail, "invalid escape at line 1 column 42"},
        {R"({"available":1})", "invalid type: integer `1`, expected a boolean at line 1 column 14"},
        {R"({"available":"true"})",
         "invalid type: string \"true\", expected a boolean at line 1 column 19"},
        {R"({"source":null})", "invalid type: null, expected a string at line 1 column 14"},
        {R"({"source":false})",
         "invalid type: boolean `false`, expected a string at line 1 column 15"},
        {R"({"reason":18446744073709551615})",
         "invalid type: integer `18446744073709551615`, expected a string at line 1 column 30"},
        {"\"x\"", "invalid type: string \"x\", expected struct KeyboardJson at line 1 column 3"},
        {"[true,true,1,2,\"hid\",true]",
         "invalid type: sequence, expected struct KeyboardJson at line 1 column 1"},
        {"[", "invalid type: sequence, expected struct KeyboardJson at line 1 column 1"},
        {"true", "invalid type: boolean `true`, expected struct KeyboardJson at line 1 column 4"},
        {"null", "invalid type: null, expected struct KeyboardJson at line 1 column 4"},
        {"x{}", "expected value at line 1 column 1"},
        {VALID_RECORD + " {}", "trailing characters at line 1 column 88"},
        {R"({"available":true,})", "trailing comma at line 1 column 19"},
        {R"({"available" true})", "expected `:` at line 1 column 14"},
        {R"({"x":[1,}})", "expected value at line 1 column 9"},
        // The first problem in document order wins.
        {R"({"level":300,"level":1})",
         "invalid value: integer `300`, expected u8 at line 1 column 12"},
        {R"({"level":1,"level":300})", "duplicate field `level` at line 1 column 18"},
        {R"({"known":true,"x":)" + nested(126, '[', ']') + "}",
         "missing field `available` at line 1 column 271"},
        {R"({"known":true,"x":)" + nested(127, '[', ']') + "}",
         "recursion limit exceeded at line 1 column 145"},
    };
    for (const ErrorCase& c : cases) {
        EXPECT_EQ(record_error(c.input), c.text) << c.input;
    }
}

TEST(ReadKeyboardJson, RendersValuesInTypeErrors) {
    const ErrorCase cases[] = {
        {"0.1", "floating point `0.1`"},
        {"-0.0", "floating point `-0.0`"},
        {"255e0", "floating point `255.0`"},
        {"1e-5", "floating point `0.00001`"},
        {"9.5e-6", "floating point `9.5e-6`"},
        {"1e-7", "floating point `1e-7`"},
        {"1.5e16", "floating point `1.5e16`"},
        {"9999999999999998", "integer `9999999999999998`"},
        {"9999999999999998.0", "floating point `9999999999999998.0`"},
        {"123456.789", "floating point `123456.789`"},
        {"18446744073709551616", "floating point `1.8446744073709552e19`"},
        {"-1.7976931348623157e308", "floating point `-1.7976931348623157e308`"},
        {"5e-324", "floating point `5e-324`"},
        {"-9223372036854775808", "integer `-9223372036854775808`"},
        {R"("q\"b\\s\tt\rr\nn\u0000z\u0001\u001f\u007f\u0085é")",
         R"(string "q\"b\\s\tt\rr\nn\0z\u{1}\u{1f}\u{7f}\u{85}é")"},
    };
    for (const ErrorCase& c : cases) {
        const std::string input = R"({"available":)" + c.input + "}";
        const std::string text = record_error(input);
        const std::string expected = "invalid type: " + c.text + ", expected a boolean";
        EXPECT_EQ(text.substr(0, text.find(" at line")), expected) << input;
    }
}

}  // namespace
}  // namespace telvora
