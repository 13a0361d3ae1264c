#pragma once
// The administrator check on Linux: the user's groups from the user and group databases.
#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace nodrel::linux_platform {

// The names of the groups the user belongs to, the primary group included, from the
// user and group databases (so NSS sources such as LDAP count too). Nothing when the user
// or one of the groups cannot be looked up; a group number without a name is left out.
std::optional<std::vector<std::string>> GroupNamesOf(uid_t uid);

// Whether the user the program runs as is an administrator: the superuser, or a member
// of sudo, wheel or admin. False on any failure.
bool IsAdmin();

}  // namespace nodrel::linux_platform
