#include "common/text.h"

namespace nodrel {

std::string JoinLines(std::initializer_list<std::string_view> lines) {
    std::string out;
    bool first = true;
    for (auto line : lines) {
        if (!first) out += CRLF;
        out += line;
        first = false;
    }
    return out;
}

std::string_view TrimBlanks(std::string_view text) {
    const auto begin = text.find_first_not_of(' ');
    if (begin == std::string_view::npos) return {};
    const auto end = text.find_last_not_of(' ');
    return text.substr(begin, end - begin + 1);
}

std::string PadRight(std::string_view text, std::size_t width) {
    std::string out(text.substr(0, width));
    out.resize(width, ' ');
    return out;
}

std::string RightAlign(std::string_view text, std::size_t width) {
    std::string out = std::string(width, ' ') + std::string(text);
    return out.substr(out.size() - width);
}

}  // namespace nodrel
