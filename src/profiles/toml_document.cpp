// The only file that sees toml++. Its defects (aborting assertions, unreachable code reached on
// some non-ASCII input, unbounded recursion on keys with many parts) are kept away by the
// no-op assertion hook below and by sanitize_toml, which runs before every parse.

#define TOML_EXCEPTIONS 0
#define TOML_ENABLE_FORMATTERS 0
#define TOML_ASSERT(expr) static_cast<void>(0)
#include <toml++/toml.h>

#include "profiles/toml_document.hpp"
#include "support/text.hpp"

namespace telvora {

namespace {

enum class Lexeme { Normal, Comment, Basic, Literal, MultiBasic, MultiLiteral };

bool is_toml_blank(char c) {
    return c == ' ' || c == '\t';
}

// Counts the quotes that close a multi-line string at pos: three, plus up to two that belong to
// the content; zero when pos does not close it.
std::size_t closing_quotes(std::string_view text, std::size_t pos, char quote) {
    std::size_t run = 0;
    while (pos + run < text.size() && text[pos + run] == quote && run < 5)
        ++run;
    return run >= 3 ? run : 0;
}

}  // namespace

std::expected<std::string, TomlReadError> sanitize_toml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    Lexeme state = Lexeme::Normal;
    std::uint32_t line = 1;
    std::uint32_t column = 1;
    std::size_t separators = 0;  // on the current line

    std::size_t i = 0;
    // Copies n bytes to the output, keeping line and column in step.
    auto take = [&](std::size_t n) {
        for (std::size_t end = i + n; i < end; ++i) {
            const char c = text[i];
            out.push_back(c);
            if (c == '\n') {
                ++line;
                column = 1;
                separators = 0;
            } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
                ++column;
            }
        }
    };
    auto error = [&](std::string message) {
        return std::unexpected(TomlReadError{std::move(message), {line, column}});
    };

    while (i < text.size()) {
        const char c = text[i];
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80) {
            const Utf8Step step = utf8_decode_one(text, i);
            if (!step.valid)
                return error("texte UTF-8 invalide");
            if (state == Lexeme::Normal)
                return error("caractère non ASCII hors d'une chaîne ou d'un commentaire");
            take(step.length);
            continue;
        }
        switch (state) {
            case Lexeme::Normal:
                if (c == '#') {
                    state = Lexeme::Comment;
                } else if (c == '"' || c == '\'') {
                    const bool multi = text.substr(i, 3) == std::string(3, c);
                    state = c == '"' ? (multi ? Lexeme::MultiBasic : Lexeme::Basic)
                                     : (multi ? Lexeme::MultiLiteral : Lexeme::Literal);
                    take(multi ? 3 : 1);
                    continue;
                } else if (c == '.' || c == '[' || c == '{') {
                    if (++separators > MAX_LINE_SEPARATORS)
                        return error("plus de " + std::to_string(MAX_LINE_SEPARATORS) +
                                     " « . », « [ » ou « { » sur une même ligne");
                }
                break;
            case Lexeme::Comment:
                if (c == '\n')
                    state = Lexeme::Normal;
                break;
            case Lexeme::Basic:
                if (c == '\\' && i + 1 < text.size() && text[i + 1] != '\n') {
                    // An escaped ASCII byte never ends the string; a non-ASCII one is checked
                    // on the next turn.
                    take(static_cast<unsigned char>(text[i + 1]) < 0x80 ? 2 : 1);
                    continue;
                }
                if (c == '"' || c == '\n')
                    state = Lexeme::Normal;
                break;
            case Lexeme::Literal:
                if (c == '\'' || c == '\n')
                    state = Lexeme::Normal;
                break;
            case Lexeme::MultiBasic:
                if (c == '\\') {
                    std::size_t j = i + 1;
                    while (j < text.size() && is_toml_blank(text[j]))
                        ++j;
                    const bool line_ending =
                        j < text.size() && (text[j] == '\n' || text.substr(j, 2) == "\r\n");
                    if (line_ending) {
                        std::size_t k = j;
                        while (k < text.size() &&
                               (is_toml_blank(text[k]) || text[k] == '\n' || text[k] == '\r'))
                            ++k;
                        // The library trims all of it, but stumbles when a non-ASCII
                        // character comes next: trim it here instead, with the same meaning.
                        if (k < text.size() && static_cast<unsigned char>(text[k]) >= 0x80) {
                            for (; i < k; ++i) {
                                if (text[i] == '\n') {
                                    ++line;
                                    column = 1;
                                }
                            }
                            continue;
                        }
                        break;
                    }
                    if (j == i + 1 && j < text.size() &&
                        static_cast<unsigned char>(text[j]) < 0x80) {
                        take(2);
                        continue;
                    }
                } else if (c == '"') {
                    if (const std::size_t n = closing_quotes(text, i, '"')) {
                        take(n);
                        state = Lexeme::Normal;
                        continue;
                    }
                }
                break;
            case Lexeme::MultiLiteral:
                if (c == '\'') {
                    if (const std::size_t n = closing_quotes(text, i, '\'')) {
                        take(n);
                        state = Lexeme::Normal;
                        continue;
                    }
                }
                break;
        }
        take(1);
    }
    return out;
}

namespace {

TomlPosition position_of(const toml::node& node) {
    const toml::source_position begin = node.source().begin;
    return {begin.line, begin.column};
}

void convert(const toml::node& node, TomlNode& out) {
    out.position = position_of(node);
    switch (node.type()) {
        case toml::node_type::table:
            out.kind = TomlKind::Table;
            for (const auto& [key, value] : *node.as_table()) {
                TomlNode& member = out.children.emplace_back();
                member.key = std::string(key.str());
                convert(value, member);
            }
            break;
        case toml::node_type::array:
            out.kind = TomlKind::Array;
            for (const toml::node& element : *node.as_array())
                convert(element, out.children.emplace_back());
            break;
        case toml::node_type::string:
            out.kind = TomlKind::String;
            out.text = node.as_string()->get();
            break;
        case toml::node_type::integer:
            out.kind = TomlKind::Integer;
            out.integer = node.as_integer()->get();
            break;
        case toml::node_type::floating_point:
            out.kind = TomlKind::Float;
            break;
        case toml::node_type::boolean:
            out.kind = TomlKind::Boolean;
            break;
        case toml::node_type::date:
            out.kind = TomlKind::Date;
            break;
        case toml::node_type::time:
            out.kind = TomlKind::Time;
            break;
        case toml::node_type::date_time:
        case toml::node_type::none:
            out.kind = TomlKind::DateTime;
            break;
    }
}

}  // namespace

std::expected<TomlNode, TomlReadError> read_toml(std::string_view text) {
    constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";
    if (text.starts_with(BYTE_ORDER_MARK))
        text.remove_prefix(BYTE_ORDER_MARK.size());
    auto sanitized = sanitize_toml(text);
    if (!sanitized)
        return std::unexpected(std::move(sanitized.error()));
    toml::parse_result parsed = toml::parse(std::string_view(*sanitized));
    if (!parsed) {
        const toml::parse_error& failure = parsed.error();
        return std::unexpected(
            TomlReadError{std::string(failure.description()),
                          {failure.source().begin.line, failure.source().begin.column}});
    }
    TomlNode root;
    convert(parsed.table(), root);
    return root;
}

}  // namespace telvora
