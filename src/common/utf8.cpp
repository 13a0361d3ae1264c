#include "common/utf8.h"

namespace nodrel {

namespace {

constexpr char32_t kNotDecoded = 0xFFFFFFFF;

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

struct Decoded {
    char32_t codePoint;  // kNotDecoded for a byte that starts no valid sequence
    std::size_t length;
};

// The character at the start of a non-empty text. Overlong forms, surrogates and values
// above U+10FFFF are not valid: their first byte then stands alone.
Decoded DecodeFirst(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80) return {lead, 1};
    std::size_t length = 0;
    char32_t value = 0;
    char32_t lowest = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1Fu, lowest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0Fu, lowest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07u, lowest = 0x10000;
    } else {
        return {kNotDecoded, 1};
    }
    if (text.size() < length) return {kNotDecoded, 1};
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if (!IsContinuation(next)) return {kNotDecoded, 1};
        value = (value << 6) | (next & 0x3Fu);
    }
    const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    if (value < lowest || value > 0x10FFFF || surrogate) return {kNotDecoded, 1};
    return {value, length};
}

template <class Visit>
void ForEachCharacter(std::string_view text, Visit visit) {
    while (!text.empty()) {
        const Decoded character = DecodeFirst(text);
        if (!visit(character.codePoint)) return;
        text.remove_prefix(character.length);
    }
}

// UTF-8 of a character below U+0800.
void AppendTwoByteCharacter(std::string& out, char32_t c) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
}

}  // namespace

std::size_t CharacterCount(std::string_view text) {
    std::size_t count = 0;
    ForEachCharacter(text, [&](char32_t) { return ++count, true; });
    return count;
}

bool HasControlCharacter(std::string_view text) {
    bool found = false;
    ForEachCharacter(text, [&](char32_t c) {
        found = c < 0x20 || (c >= 0x7F && c <= 0x9F);
        return !found;
    });
    return found;
}

bool IsValidUtf8(std::string_view text) {
    bool valid = true;
    ForEachCharacter(text, [&](char32_t c) { return valid = c != kNotDecoded; });
    return valid;
}

std::string ShownText(std::string_view text) {
    std::string shown;
    while (!text.empty()) {
        const Decoded character = DecodeFirst(text);
        const auto byte = static_cast<unsigned char>(text[0]);
        if (character.codePoint != kNotDecoded) {
            shown.append(text.substr(0, character.length));
        } else if (byte >= 0xA0) {
            AppendTwoByteCharacter(shown, byte);
        } else {
            shown += "\xEF\xBF\xBD";  // U+FFFD
        }
        text.remove_prefix(character.length);
    }
    return shown;
}

}  // namespace nodrel
