#pragma once
// Who may rewrite the settings: the configuration window enables Save and Restore only
// for an administrator.
#include <optional>
#include <string>
#include <vector>

namespace nodrel {

// The groups whose members administer the machine.
inline constexpr const char* AdminGroups[] = {"sudo", "wheel", "admin"};

// True for the superuser (uid 0), or when `groups` (the names of the user's groups)
// holds one of AdminGroups, compared exactly. `groups` is nothing when they could not be
// looked up, which answers False for everybody but the superuser.
bool IsAdminFrom(unsigned uid, const std::optional<std::vector<std::string>>& groups);

}  // namespace nodrel
