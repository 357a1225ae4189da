#include "support/text.hpp"

namespace telvora {

namespace {

constexpr char32_t REPLACEMENT = U'\uFFFD';

bool in_range(unsigned char byte, unsigned char low, unsigned char high) noexcept {
    return byte >= low && byte <= high;
}

}  // namespace

Utf8Step utf8_decode_one(std::string_view text, std::size_t pos) noexcept {
    const auto byte_at = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte_at(pos);
    if (lead < 0x80) {
        return {lead, 1, true};
    }
    std::size_t needed = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    char32_t value = 0;
    if (in_range(lead, 0xC2, 0xDF)) {
        needed = 1;
        value = lead & 0x1Fu;
    } else if (in_range(lead, 0xE0, 0xEF)) {
        needed = 2;
        value = lead & 0x0Fu;
        if (lead == 0xE0)
            low = 0xA0;
        if (lead == 0xED)
            high = 0x9F;
    } else if (in_range(lead, 0xF0, 0xF4)) {
        needed = 3;
        value = lead & 0x07u;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else {
        return {REPLACEMENT, 1, false};
    }
    std::size_t length = 1;
    for (std::size_t k = 0; k < needed; ++k) {
        const std::size_t i = pos + length;
        // Only the second byte has a restricted range; the others are plain continuations.
        const unsigned char lo = k == 0 ? low : 0x80;
        const unsigned char hi = k == 0 ? high : 0xBF;
        if (i >= text.size() || !in_range(byte_at(i), lo, hi)) {
            return {REPLACEMENT, length, false};
        }
        value = (value << 6) | (byte_at(i) & 0x3Fu);
        ++length;
    }
    return {value, length, true};
}

bool is_valid_utf8(std::string_view text) noexcept {
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (static_cast<unsigned char>(text[pos]) < 0x80) {
            ++pos;
            continue;
        }
        const Utf8Step step = utf8_decode_one(text, pos);
        if (!step.valid)
            return false;
        pos += step.length;
    }
    return true;
}

void append_utf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string decode_utf8_lossy(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const Utf8Step step = utf8_decode_one(bytes, pos);
        if (step.valid) {
            out.append(bytes.substr(pos, step.length));
        } else {
            append_utf8(out, REPLACEMENT);
        }
        pos += step.length;
    }
    return out;
}

std::string decode_utf8_lossy(std::span<const std::byte> bytes) {
    return decode_utf8_lossy(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

bool is_white_space(char32_t c) noexcept {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

std::string_view trim_white_space(std::string_view text) noexcept {
    std::size_t pos = 0;
    std::size_t first = text.size();
    std::size_t end = 0;
    // One forward pass: the kept range runs from the first to the last non-white character.
    while (pos < text.size()) {
        const Utf8Step step = utf8_decode_one(text, pos);
        if (!(step.valid && is_white_space(step.code_point))) {
            if (first == text.size())
                first = pos;
            end = pos + step.length;
        }
        pos += step.length;
    }
    if (first == text.size())
        return text.substr(0, 0);
    return text.substr(first, end - first);
}

bool is_blank(std::string_view text) noexcept {
    return trim_white_space(text).empty();
}

std::string ascii_fold(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + ('a' - 'A'));
    }
    return out;
}

std::wstring to_wide(std::string_view utf8) {
    std::wstring out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const Utf8Step step = utf8_decode_one(utf8, pos);
        const char32_t cp = step.valid ? step.code_point : REPLACEMENT;
        if (cp >= 0x10000) {
            const char32_t v = cp - 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (v >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (v & 0x3FF)));
        } else {
            out.push_back(static_cast<wchar_t>(cp));
        }
        pos += step.length;
    }
    return out;
}

std::string from_wide(std::wstring_view wide) {
    std::string out;
    out.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const auto unit = static_cast<char32_t>(static_cast<std::uint16_t>(wide[i]));
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < wide.size()) {
            const auto next = static_cast<char32_t>(static_cast<std::uint16_t>(wide[i + 1]));
            if (next >= 0xDC00 && next <= 0xDFFF) {
                append_utf8(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
                ++i;
                continue;
            }
        }
        append_utf8(out, (unit >= 0xD800 && unit <= 0xDFFF) ? REPLACEMENT : unit);
    }
    return out;
}

}  // namespace telvora
