#include "ui/admin_check.h"

#include <algorithm>

namespace nodrel {

bool IsAdminFrom(unsigned uid, const std::optional<std::vector<std::string>>& groups) {
    if (uid == 0) return true;
    if (!groups) return false;
    return std::any_of(groups->begin(), groups->end(), [](const std::string& name) {
        return std::any_of(std::begin(AdminGroups), std::end(AdminGroups),
                           [&](const char* admin) { return name == admin; });
    });
}

}  // namespace nodrel
