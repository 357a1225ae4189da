#include "hal/json/json_reader.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <system_error>
#include <unordered_map>
#include <utility>
#include <vector>

#include "support/text.hpp"

namespace telvora {

std::string JsonError::text() const {
    return description + " at line " + std::to_string(line) + " column " + std::to_string(column);
}

namespace {

using Json = nlohmann::ordered_json;

// An error before its position is turned into line and column: `offset` is the number of bytes
// of the trimmed text that the position covers.
struct Failure {
    std::string description;
    std::size_t offset;
};

template <class T>
using Step = std::expected<T, Failure>;

bool is_json_space(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool is_digit(char c) noexcept {
    return c >= '0' && c <= '9';
}

int hex_value(char c) noexcept {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

JsonError locate(std::string_view text, const Failure& failure) {
    JsonError error{failure.description, 1, 0};
    const std::string_view covered = text.substr(0, failure.offset);
    std::size_t line_start = 0;
    for (std::size_t i = 0; i < covered.size(); ++i) {
        if (covered[i] == '\n') {
            ++error.line;
            line_start = i + 1;
        }
    }
    error.column = covered.size() - line_start;
    return error;
}

// The shortest decimal that reads back as the same double: plain with ".0" on integral values
// for 1e-5 <= |v| < 1e16, scientific without "+" or padding otherwise.
std::string render_float(double value) {
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::scientific);
    const std::string_view sci(buffer.data(), static_cast<std::size_t>(result.ptr - buffer.data()));
    const std::size_t e = sci.find('e');
    std::string_view mantissa = sci.substr(0, e);
    const bool negative = !mantissa.empty() && mantissa.front() == '-';
    if (negative) {
        mantissa.remove_prefix(1);
    }
    std::string digits;
    for (char c : mantissa) {
        if (c != '.') {
            digits += c;
        }
    }
    int exponent = 0;
    std::string_view exp_text = sci.substr(e + 1);
    if (!exp_text.empty() && exp_text.front() == '+') {
        exp_text.remove_prefix(1);
    }
    std::from_chars(exp_text.data(), exp_text.data() + exp_text.size(), exponent);

    std::string out = negative ? "-" : "";
    if (value == 0.0 || (exponent >= -5 && exponent <= 15)) {
        if (exponent < 0) {
            out += "0.";
            out.append(static_cast<std::size_t>(-exponent - 1), '0');
            out += digits;
        } else {
            const auto int_len = static_cast<std::size_t>(exponent) + 1;
            if (digits.size() <= int_len) {
                out += digits;
                out.append(int_len - digits.size(), '0');
                out += ".0";
            } else {
                out += digits.substr(0, int_len);
                out += '.';
                out += digits.substr(int_len);
            }
        }
        return out;
    }
    out += digits.front();
    if (digits.size() > 1) {
        out += '.';
        out += digits.substr(1);
    }
    out += 'e';
    out += std::to_string(exponent);
    return out;
}

std::string render_string(const std::string& text) {
    std::string out = "string \"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        switch (byte) {
            case '"':
                out += "\\\"";
                continue;
            case '\\':
                out += "\\\\";
                continue;
            case '\t':
                out += "\\t";
                continue;
            case '\r':
                out += "\\r";
                continue;
            case '\n':
                out += "\\n";
                continue;
            case 0:
                out += "\\0";
                continue;
            default:
                break;
        }
        unsigned code = 0;
        bool control = false;
        if (byte < 0x20 || byte == 0x7F) {
            code = byte;
            control = true;
        } else if (byte == 0xC2 && i + 1 < text.size()) {
            // U+0080 to U+009F, the C1 controls.
            const auto next = static_cast<unsigned char>(text[i + 1]);
            if (next >= 0x80 && next <= 0x9F) {
                code = next;
                control = true;
                ++i;
            }
        }
        if (control) {
            std::array<char, 8> hex{};
            const auto r = std::to_chars(hex.data(), hex.data() + hex.size(), code, 16);
            out += "\\u{";
            out.append(hex.data(), r.ptr);
            out += '}';
        } else {
            out += text[i];
        }
    }
    out += '"';
    return out;
}

// How a scalar reads in a type error: boolean `true`, integer `5`, string "x", null, ...
std::string describe(const Json& value) {
    switch (value.type()) {
        case Json::value_t::boolean:
            return value.get<bool>() ? "boolean `true`" : "boolean `false`";
        case Json::value_t::number_unsigned:
            return "integer `" + std::to_string(value.get<std::uint64_t>()) + "`";
        case Json::value_t::number_integer:
            return "integer `" + std::to_string(value.get<std::int64_t>()) + "`";
        case Json::value_t::number_float:
            return "floating point `" + render_float(value.get<double>()) + "`";
        case Json::value_t::string:
            return render_string(value.get_ref<const std::string&>());
        case Json::value_t::array:
            return "sequence";
        case Json::value_t::object:
            return "map";
        default:
            return "null";
    }
}

class Reader {
  public:
    explicit Reader(std::string_view text) : text_(text) {}

    Step<Json> document() {
        auto value = value_after_space();
        if (!value) {
            return value;
        }
        if (auto end = finish(); !end) {
            return std::unexpected(std::move(end.error()));
        }
        return value;
    }

    Step<KeyboardJson> keyboard_document() {
        skip_space();
        if (at_end()) {
            return fail_at_end("EOF while parsing a value");
        }
        const char first = text_[pos_];
        if (first == '{') {
            auto record = keyboard_record();
            if (!record) {
                return record;
            }
            if (auto end = finish(); !end) {
                return std::unexpected(std::move(end.error()));
            }
            return record;
        }
        if (first == '[') {
            return fail_at(type_error("sequence", "struct KeyboardJson"), pos_ + 1);
        }
        auto scalar = value();
        if (!scalar) {
            return std::unexpected(std::move(scalar.error()));
        }
        return fail_at(type_error(describe(*scalar), "struct KeyboardJson"), pos_);
    }

  private:
    static constexpr std::size_t RECORD_FIELDS = 7;
    static constexpr std::array<std::string_view, RECORD_FIELDS> FIELD_NAMES = {
        "available", "known", "level", "max_level", "source", "applied", "reason"};

    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t depth_ = 0;

    [[nodiscard]] bool at_end() const noexcept { return pos_ >= text_.size(); }

    void skip_space() noexcept {
        while (pos_ < text_.size() && is_json_space(text_[pos_])) {
            ++pos_;
        }
    }

    static std::unexpected<Failure> fail_at(std::string description, std::size_t offset) {
        return std::unexpected(Failure{std::move(description), offset});
    }

    // The byte at pos_ is the culprit.
    [[nodiscard]] std::unexpected<Failure> fail_here(std::string description) const {
        return fail_at(std::move(description), pos_ + 1);
    }

    [[nodiscard]] std::unexpected<Failure> fail_at_end(std::string description) const {
        return fail_at(std::move(description), text_.size());
    }

    static std::string type_error(const std::string& found, std::string_view expected) {
        return "invalid type: " + found + ", expected " + std::string(expected);
    }

    Step<void> finish() {
        skip_space();
        if (!at_end()) {
            return fail_here("trailing characters");
        }
        return {};
    }

    // Checked when the bracket is read; pos_ is on it.
    Step<void> open_bracket() {
        ++depth_;
        if (depth_ > JSON_MAX_DEPTH) {
            return fail_here("recursion limit exceeded");
        }
        ++pos_;
        return {};
    }

    Step<Json> value_after_space() {
        skip_space();
        return value();
    }

    Step<Json> value() {
        if (at_end()) {
            return fail_at_end("EOF while parsing a value");
        }
        switch (text_[pos_]) {
            case '"': {
                auto text = string();
                if (!text) {
                    return std::unexpected(std::move(text.error()));
                }
                return Json(std::move(*text));
            }
            case 't':
                return literal("true", Json(true));
            case 'f':
                return literal("false", Json(false));
            case 'n':
                return literal("null", Json(nullptr));
            case '[':
                return array();
            case '{':
                return object();
            default:
                if (text_[pos_] == '-' || is_digit(text_[pos_])) {
                    return number();
                }
                return fail_here("expected value");
        }
    }

    Step<Json> literal(std::string_view word, Json result) {
        ++pos_;
        for (char expected : word.substr(1)) {
            if (at_end()) {
                return fail_at_end("EOF while parsing a value");
            }
            if (text_[pos_] != expected) {
                return fail_here("expected ident");
            }
            ++pos_;
        }
        return result;
    }

    // Digits at pos_; false when there is none (pos_ unchanged).
    bool digits() noexcept {
        const std::size_t start = pos_;
        while (pos_ < text_.size() && is_digit(text_[pos_])) {
            ++pos_;
        }
        return pos_ > start;
    }

    Step<void> require_digit() const {
        if (at_end()) {
            return fail_at_end("EOF while parsing a value");
        }
        if (!is_digit(text_[pos_])) {
            return fail_here("invalid number");
        }
        return {};
    }

    Step<Json> number() {
        const std::size_t start = pos_;
        const bool negative = text_[pos_] == '-';
        if (negative) {
            ++pos_;
        }
        if (auto ok = require_digit(); !ok) {
            return std::unexpected(std::move(ok.error()));
        }
        const std::size_t int_start = pos_;
        if (text_[pos_] == '0') {
            ++pos_;
            if (!at_end() && is_digit(text_[pos_])) {
                return fail_here("invalid number");
            }
        } else {
            digits();
        }
        const std::size_t int_end = pos_;
        bool is_float = false;
        if (!at_end() && text_[pos_] == '.') {
            is_float = true;
            ++pos_;
            if (auto ok = require_digit(); !ok) {
                return std::unexpected(std::move(ok.error()));
            }
            digits();
        }
        if (!at_end() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
            is_float = true;
            ++pos_;
            if (!at_end() && (text_[pos_] == '+' || text_[pos_] == '-')) {
                ++pos_;
            }
            if (auto ok = require_digit(); !ok) {
                return std::unexpected(std::move(ok.error()));
            }
            std::int64_t exponent = 0;
            while (!at_end() && is_digit(text_[pos_])) {
                exponent = exponent * 10 + (text_[pos_] - '0');
                if (exponent > std::numeric_limits<std::int32_t>::max()) {
                    return fail_here("number out of range");
                }
                ++pos_;
            }
        }
        const std::string_view token = text_.substr(start, pos_ - start);
        if (!is_float) {
            std::uint64_t magnitude = 0;
            const std::string_view int_digits = text_.substr(int_start, int_end - int_start);
            const auto parsed = std::from_chars(int_digits.data(),
                                                int_digits.data() + int_digits.size(), magnitude);
            if (parsed.ec == std::errc{}) {
                constexpr std::uint64_t min_magnitude = std::uint64_t{1} << 63;
                if (!negative) {
                    return Json(magnitude);
                }
                if (magnitude == min_magnitude) {
                    return Json(std::numeric_limits<std::int64_t>::min());
                }
                if (magnitude != 0 && magnitude < min_magnitude) {
                    return Json(-static_cast<std::int64_t>(magnitude));
                }
            }
        }
        double value = 0.0;
        const auto parsed = std::from_chars(token.data(), token.data() + token.size(), value);
        if (parsed.ec == std::errc::result_out_of_range) {
            // Overflow is an error, underflow is zero: strtod tells the two apart.
            const std::string copy(token);
            value = std::strtod(copy.c_str(), nullptr);
            if (std::isinf(value)) {
                return fail_at("number out of range", pos_);
            }
        }
        return Json(value);
    }

    // Four hex digits after "\u"; pos_ is on the first and ends after the fourth.
    Step<unsigned> hex_escape() {
        if (text_.size() - pos_ < 4) {
            return fail_at_end("EOF while parsing a string");
        }
        unsigned code = 0;
        bool valid = true;
        for (std::size_t i = 0; i < 4; ++i) {
            const int digit = hex_value(text_[pos_ + i]);
            valid = valid && digit >= 0;
            code = code * 16 + static_cast<unsigned>(digit < 0 ? 0 : digit);
        }
        pos_ += 4;
        if (!valid) {
            return fail_at("invalid escape", pos_);
        }
        return code;
    }

    // The character after "\u" escapes, surrogate pairs joined.
    Step<char32_t> unicode_escape() {
        auto first = hex_escape();
        if (!first) {
            return std::unexpected(std::move(first.error()));
        }
        if (*first >= 0xDC00 && *first <= 0xDFFF) {
            return fail_at("lone leading surrogate in hex escape", pos_);
        }
        if (*first < 0xD800 || *first > 0xDBFF) {
            return static_cast<char32_t>(*first);
        }
        for (char expected : {'\\', 'u'}) {
            if (at_end()) {
                return fail_at_end("EOF while parsing a string");
            }
            if (text_[pos_] != expected) {
                return fail_here("unexpected end of hex escape");
            }
            ++pos_;
        }
        auto second = hex_escape();
        if (!second) {
            return std::unexpected(std::move(second.error()));
        }
        if (*second < 0xDC00 || *second > 0xDFFF) {
            return fail_at("lone leading surrogate in hex escape", pos_);
        }
        return static_cast<char32_t>(0x10000 + ((*first - 0xD800) << 10) + (*second - 0xDC00));
    }

    // pos_ is on the opening quote and ends after the closing one.
    Step<std::string> string() {
        ++pos_;
        std::string out;
        while (true) {
            const std::size_t run = pos_;
            while (pos_ < text_.size()) {
                const auto byte = static_cast<unsigned char>(text_[pos_]);
                if (byte == '"' || byte == '\\' || byte < 0x20) {
                    break;
                }
                ++pos_;
            }
            out.append(text_.substr(run, pos_ - run));
            if (at_end()) {
                return fail_at_end("EOF while parsing a string");
            }
            const char c = text_[pos_];
            if (c == '"') {
                ++pos_;
                return out;
            }
            if (c != '\\') {
                return fail_here(
                    "control character (\\u0000-\\u001F) found while parsing a string");
            }
            ++pos_;
            if (at_end()) {
                return fail_at_end("EOF while parsing a string");
            }
            const char escape = text_[pos_];
            char plain = 0;
            switch (escape) {
                case '"':
                    plain = '"';
                    break;
                case '\\':
                    plain = '\\';
                    break;
                case '/':
                    plain = '/';
                    break;
                case 'b':
                    plain = '\b';
                    break;
                case 'f':
                    plain = '\f';
                    break;
                case 'n':
                    plain = '\n';
                    break;
                case 'r':
                    plain = '\r';
                    break;
                case 't':
                    plain = '\t';
                    break;
                case 'u': {
                    ++pos_;
                    auto code = unicode_escape();
                    if (!code) {
                        return std::unexpected(std::move(code.error()));
                    }
                    append_utf8(out, *code);
                    continue;
                }
                default:
                    return fail_here("invalid escape");
            }
            out += plain;
            ++pos_;
        }
    }

    Step<Json> array() {
        if (auto ok = open_bracket(); !ok) {
            return std::unexpected(std::move(ok.error()));
        }
        Json result = Json::array();
        skip_space();
        if (at_end()) {
            return fail_at_end("EOF while parsing a list");
        }
        if (text_[pos_] != ']') {
            while (true) {
                auto element = value();
                if (!element) {
                    return element;
                }
                result.push_back(std::move(*element));
                skip_space();
                if (at_end()) {
                    return fail_at_end("EOF while parsing a list");
                }
                if (text_[pos_] == ']') {
                    break;
                }
                if (text_[pos_] != ',') {
                    return fail_here("expected `,` or `]`");
                }
                ++pos_;
                skip_space();
                if (!at_end() && text_[pos_] == ']') {
                    return fail_here("trailing comma");
                }
            }
        }
        ++pos_;
        --depth_;
        return result;
    }

    // After `{` or `,`: the next key, or nothing at the closing brace (pos_ stays on it).
    // `first` tells the two apart, since `{}` is fine and `,}` is not.
    Step<std::optional<std::string>> next_key(bool first) {
        skip_space();
        if (at_end()) {
            return first ? fail_at_end("EOF while parsing an object")
                         : fail_at_end("EOF while parsing a value");
        }
        if (text_[pos_] == '}') {
            if (first) {
                return std::nullopt;
            }
            return fail_here("trailing comma");
        }
        if (text_[pos_] != '"') {
            return fail_here("key must be a string");
        }
        return string();
    }

    Step<void> colon() {
        skip_space();
        if (at_end()) {
            return fail_at_end("EOF while parsing an object");
        }
        if (text_[pos_] != ':') {
            return fail_here("expected `:`");
        }
        ++pos_;
        return {};
    }

    // After a member: true at the closing brace (pos_ stays on it), false after a comma.
    Step<bool> after_member() {
        skip_space();
        if (at_end()) {
            return fail_at_end("EOF while parsing an object");
        }
        if (text_[pos_] == '}') {
            return true;
        }
        if (text_[pos_] != ',') {
            return fail_here("expected `,` or `}`");
        }
        ++pos_;
        return false;
    }

    Step<Json> object() {
        if (auto ok = open_bracket(); !ok) {
            return std::unexpected(std::move(ok.error()));
        }
        // ordered_map looks keys up linearly; an index keeps many keys linear overall.
        std::vector<std::pair<std::string, Json>> members;
        std::unordered_map<std::string, std::size_t> index;
        bool first = true;
        while (true) {
            auto key = next_key(first);
            if (!key) {
                return std::unexpected(std::move(key.error()));
            }
            if (!*key) {
                break;
            }
            first = false;
            if (auto ok = colon(); !ok) {
                return std::unexpected(std::move(ok.error()));
            }
            auto member = value_after_space();
            if (!member) {
                return member;
            }
            const auto [slot, inserted] = index.try_emplace(**key, members.size());
            if (inserted) {
                members.emplace_back(std::move(**key), std::move(*member));
            } else {
                members[slot->second].second = std::move(*member);  // the last one wins
            }
            auto closed = after_member();
            if (!closed) {
                return std::unexpected(std::move(closed.error()));
            }
            if (*closed) {
                break;
            }
        }
        ++pos_;
        --depth_;
        Json result = Json::object();
        auto& map = result.get_ref<Json::object_t&>();
        auto& storage = static_cast<Json::object_t::Container&>(map);
        storage.reserve(members.size());
        for (auto& [name, member] : members) {
            storage.emplace_back(std::move(name), std::move(member));
        }
        return result;
    }

    // A known field's value. Arrays and objects are refused at once, positioned before their
    // bracket; scalars are read whole first, so that their syntax errors come first.
    Step<Json> field_value(std::string_view expected) {
        skip_space();
        if (!at_end() && (text_[pos_] == '[' || text_[pos_] == '{')) {
            return fail_at(type_error(text_[pos_] == '[' ? "sequence" : "map", expected), pos_);
        }
        return value();
    }

    Step<void> read_bool(bool& out) {
        auto v = field_value("a boolean");
        if (!v) {
            return std::unexpected(std::move(v.error()));
        }
        if (!v->is_boolean()) {
            return fail_at(type_error(describe(*v), "a boolean"), pos_);
        }
        out = v->get<bool>();
        return {};
    }

    Step<void> read_u8(std::uint8_t& out) {
        auto v = field_value("u8");
        if (!v) {
            return std::unexpected(std::move(v.error()));
        }
        if (v->is_number_unsigned() && v->get<std::uint64_t>() <= 255) {
            out = static_cast<std::uint8_t>(v->get<std::uint64_t>());
            return {};
        }
        if (v->is_number_integer()) {
            return fail_at("invalid value: " + describe(*v) + ", expected u8", pos_);
        }
        return fail_at(type_error(describe(*v), "u8"), pos_);
    }

    Step<void> read_string(std::string& out) {
        auto v = field_value("a string");
        if (!v) {
            return std::unexpected(std::move(v.error()));
        }
        if (!v->is_string()) {
            return fail_at(type_error(describe(*v), "a string"), pos_);
        }
        out = std::move(v->get_ref<std::string&>());
        return {};
    }

    Step<void> read_field(std::size_t field, KeyboardJson& record) {
        switch (field) {
            case 0:
                return read_bool(record.available);
            case 1:
                return read_bool(record.known);
            case 2:
                return read_u8(record.level);
            case 3:
                return read_u8(record.max_level);
            case 4:
                return read_string(record.source);
            case 5:
                return read_bool(record.applied);
            default:
                return read_string(record.reason);
        }
    }

    Step<KeyboardJson> keyboard_record() {
        if (auto ok = open_bracket(); !ok) {
            return std::unexpected(std::move(ok.error()));
        }
        KeyboardJson record;
        std::array<bool, RECORD_FIELDS> seen{};
        bool first = true;
        while (true) {
            auto key = next_key(first);
            if (!key) {
                return std::unexpected(std::move(key.error()));
            }
            if (!*key) {
                break;
            }
            first = false;
            std::size_t field = RECORD_FIELDS;
            for (std::size_t i = 0; i < RECORD_FIELDS; ++i) {
                if (**key == FIELD_NAMES[i]) {
                    field = i;
                }
            }
            if (field < RECORD_FIELDS && seen[field]) {
                skip_space();
                return fail_at("duplicate field `" + **key + "`", pos_);
            }
            if (auto ok = colon(); !ok) {
                return std::unexpected(std::move(ok.error()));
            }
            if (field < RECORD_FIELDS) {
                seen[field] = true;
                if (auto ok = read_field(field, record); !ok) {
                    return std::unexpected(std::move(ok.error()));
                }
            } else if (auto ignored = value_after_space(); !ignored) {
                return std::unexpected(std::move(ignored.error()));
            }
            auto closed = after_member();
            if (!closed) {
                return std::unexpected(std::move(closed.error()));
            }
            if (*closed) {
                break;
            }
        }
        ++pos_;
        --depth_;
        // `reason`, the last field, is optional.
        for (std::size_t i = 0; i + 1 < RECORD_FIELDS; ++i) {
            if (!seen[i]) {
                return fail_at("missing field `" + std::string(FIELD_NAMES[i]) + "`", pos_);
            }
        }
        return record;
    }
};

}  // namespace

std::expected<nlohmann::ordered_json, JsonError> read_json_value(std::string_view text) {
    const std::string_view trimmed = trim_white_space(text);
    auto result = Reader(trimmed).document();
    if (!result) {
        return std::unexpected(locate(trimmed, result.error()));
    }
    return std::move(*result);
}

std::expected<KeyboardJson, JsonError> read_keyboard_json(std::string_view text) {
    const std::string_view trimmed = trim_white_space(text);
    auto result = Reader(trimmed).keyboard_document();
    if (!result) {
        return std::unexpected(locate(trimmed, result.error()));
    }
    return std::move(*result);
}

}  // namespace telvora
