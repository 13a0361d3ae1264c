#include "config/settings.h"

#include <algorithm>

namespace nodrel {

std::filesystem::path LocalPath(std::string_view text) {
    std::string path(text);
    if constexpr (PathSeparator == '/') std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

}  // namespace nodrel
