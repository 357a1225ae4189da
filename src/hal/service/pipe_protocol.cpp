#include "hal/service/pipe_protocol.hpp"

#include <cstdint>
#include <limits>

#include "hal/json/json_reader.hpp"
#include "support/text.hpp"

namespace telvora {

namespace {

// Only the escapes JSON requires; non-ASCII stays raw UTF-8 so French reasons read as written.
void append_json_string(std::string& out, std::string_view text) {
    static constexpr char HEX[] = "0123456789abcdef";
    out += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                if (byte < 0x20) {
                    out += "\\u00";
                    out += HEX[byte >> 4];
                    out += HEX[byte & 0xF];
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}

std::string reply(bool ok, bool known, std::uint8_t level, std::uint8_t max_level,
                  std::string_view reason, std::string_view source) {
    const char* const flag = ok ? "true" : "false";
    std::string out = "{\"applied\":";
    out += flag;
    out += ",\"available\":";
    out += flag;
    out += ",\"known\":";
    out += known ? "true" : "false";
    out += ",\"level\":";
    out += std::to_string(level);
    out += ",\"max_level\":";
    out += std::to_string(max_level);
    out += ",\"reason\":";
    // A reply must stay valid JSON whatever an error message carries.
    if (is_valid_utf8(reason))
        append_json_string(out, reason);
    else
        append_json_string(out, decode_utf8_lossy(reason));
    out += ",\"source\":";
    append_json_string(out, source);
    out += '}';
    return out;
}

std::string state_reply(const HalResult<KeyboardState>& result) {
    if (!result)
        return error_reply(result.error().display());
    return success_reply(*result);
}

}  // namespace

std::string success_reply(const KeyboardState& state) {
    return reply(true, state.known, state.level, state.max_level, {},
                 keyboard_source_text(state.source));
}

std::string error_reply(std::string_view reason) {
    return reply(false, false, 0, 0, reason, {});
}

std::string handle_request(std::string_view request, KeyboardOperations& keyboard) {
    if (!is_valid_utf8(request))
        return error_reply("requête non UTF-8");
    const auto value = read_json_value(request);
    if (!value)
        return error_reply("requête illisible : " + value.error().text());

    std::string op;
    if (value->is_object()) {
        const auto found = value->find("op");
        if (found != value->end() && found->is_string())
            op = found->get<std::string>();
    }

    if (op == "keyboard_read")
        return state_reply(keyboard.read());
    if (op == "keyboard_write") {
        const auto found = value->find("level");
        // The reader keeps integers that fit 64 bits as integers; fractions and exponents
        // arrive as floats and are refused with negatives.
        if (found == value->end() || !(found->is_number_unsigned() || found->is_number_integer()))
            return error_reply("niveau manquant");
        if (found->is_number_integer() && !found->is_number_unsigned() &&
            found->get<std::int64_t>() < 0)
            return error_reply("niveau manquant");
        const std::uint64_t wanted = found->is_number_unsigned()
                                         ? found->get<std::uint64_t>()
                                         : static_cast<std::uint64_t>(found->get<std::int64_t>());
        const auto level = static_cast<std::uint8_t>(wanted > 2 ? 2 : wanted);
        return state_reply(keyboard.write(level));
    }
    return error_reply("opération inconnue : " + op);
}

}  // namespace telvora
