#pragma once
// The administrator check on Linux: the user's groups from the user and group databases.
#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace nodrel::linux_platform {

// The look-ups the check makes in the user and group databases.
struct AccountLookUps {
    struct User {
        std::string name;
        gid_t primary;
    };
    // Nothing when the user cannot be looked up.
    std::function<std::optional<User>(uid_t)> user;
    // The numbers of the user's groups, the primary one included; nothing on failure.
    std::function<std::optional<std::vector<gid_t>>(const User&)> groups;
    // A group's name: empty for a number without a group entry, nothing on failure.
    std::function<std::optional<std::string>(gid_t)> groupName;
};

// The system's look-ups (so NSS sources such as LDAP count too).
AccountLookUps SystemLookUps();

// The names of the groups the user belongs to, the primary group included. Nothing when
// the user or the list of their groups cannot be learnt; a group whose name cannot be
// looked up (a directory service offline) is left out, as is a number without a name.
std::optional<std::vector<std::string>> GroupNamesOf(
    uid_t uid, const AccountLookUps& lookUps = SystemLookUps());

// The groups whose members administer the machine.
inline constexpr const char* kAdminGroups[] = {"sudo", "wheel", "admin"};

// True for the superuser (uid 0), or when `groups` (the names of the user's groups)
// holds one of kAdminGroups, compared exactly. `groups` is nothing when they could not be
// looked up, which answers False for everybody but the superuser.
bool IsAdminFrom(unsigned uid, const std::optional<std::vector<std::string>>& groups);

// Whether the user the program runs as is an administrator: the superuser, or a member
// of sudo, wheel or admin. False when the user or their groups cannot be learnt.
bool IsAdmin();

}  // namespace nodrel::linux_platform
