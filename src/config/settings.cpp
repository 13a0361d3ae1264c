#include "config/settings.h"

#include <algorithm>

namespace nodrel {

std::filesystem::path LocalPath(std::string_view text) {
    // Made from UTF-8 code units: a plain std::string would pass through the system's
    // narrow code page where it has one.
    std::u8string path(text.begin(), text.end());
    if constexpr (kPathSeparator == '/') std::replace(path.begin(), path.end(), u8'\\', u8'/');
    try {
        return path;
    } catch (const std::filesystem::filesystem_error&) {
        // Not UTF-8 where the system converts (a file saved in its code page): read in that
        // code page, as the system's own narrow calls would.
        return std::string(text);
    }
}

std::string PathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

}  // namespace nodrel
