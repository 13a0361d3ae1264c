// Who counts as an administrator: root or a member of sudo, wheel or admin.
#include <gmock/gmock.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include "platform/linux/admin_check.h"

namespace nodrel::linux_platform {
namespace {

using Groups = std::optional<std::vector<std::string>>;

TEST(IsAdminFrom, TheSuperuserOrAMemberOfAnAdministratorsGroup) {
    const std::tuple<unsigned, Groups, bool> cases[] = {
        {0, std::nullopt, true},  // uid 0 needs no group look-up
        {1000, Groups{{"alice", "sudo"}}, true},
        {1000, Groups{{"wheel"}}, true},
        {1000, Groups{{"users", "audio", "admin", "video"}}, true},
        {1000, Groups{std::vector<std::string>{}}, false},
        {1000, Groups{{"alice", "users", "adm", "staff", "root"}}, false},
        {1000, Groups{{"Sudo", "WHEEL", "admins", "sudoers", " admin"}}, false},  // near misses
        {1000, std::nullopt, false},  // a look-up failure
    };
    for (const auto& [uid, groups, admin] : cases) {
        EXPECT_EQ(IsAdminFrom(uid, groups), admin) << ::testing::PrintToString(groups);
    }
}

// The system's own look-ups: the user's primary group by name; an unknown user fails.
TEST(AdminGroups, ListsThePrimaryGroupByNameAndFailsForAnUnknownUser) {
    const uid_t unknown = 3999999999u;
    EXPECT_TRUE(getpwuid(unknown) != nullptr || !GroupNamesOf(unknown).has_value());
    const passwd* user = getpwuid(getuid());
    if (user == nullptr) GTEST_SKIP() << "the user running the tests has no passwd entry";
    const group* primary = getgrgid(user->pw_gid);
    if (primary == nullptr) GTEST_SKIP() << "the user's primary group has no name";
    const std::string primaryName = primary->gr_name;
    const auto names = GroupNamesOf(getuid());
    ASSERT_TRUE(names.has_value());
    EXPECT_THAT(*names, ::testing::Contains(primaryName));
    EXPECT_EQ(IsAdmin(), IsAdminFrom(getuid(), names));
}

// A group whose name cannot be looked up (a directory service offline) is skipped and the
// others still count; only the user or their list of groups unknown is a failure.
TEST(AdminGroups, AGroupThatCannotBeLookedUpIsSkipped) {
    const auto lookUps = [](bool user, bool list) {
        AccountLookUps a;
        a.user = [user](uid_t) {
            return user ? std::optional<AccountLookUps::User>({"alice", 1000}) : std::nullopt;
        };
        a.groups = [list](const AccountLookUps::User&) {
            return list ? std::optional<std::vector<gid_t>>({1000, 5000, 27, 6000}) : std::nullopt;
        };
        a.groupName = [](gid_t gid) -> std::optional<std::string> {
            if (gid == 5000) return std::nullopt;  // the look-up failed
            if (gid == 6000) return "";            // a number without a name
            return gid == 27 ? "sudo" : "alice";
        };
        return a;
    };
    EXPECT_EQ(GroupNamesOf(1000, lookUps(true, true)), Groups({"alice", "sudo"}));
    EXPECT_EQ(GroupNamesOf(1000, lookUps(false, true)), std::nullopt);
    EXPECT_EQ(GroupNamesOf(1000, lookUps(true, false)), std::nullopt);
}

}  // namespace
}  // namespace nodrel::linux_platform
