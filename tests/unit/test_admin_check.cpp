// Who counts as an administrator: the superuser, or a member of sudo, wheel or admin;
// nobody else, and nobody when the groups cannot be looked up.
#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/linux/admin_groups.h"
#include "ui/admin_check.h"

namespace nodrel {
namespace {

using Groups = std::optional<std::vector<std::string>>;

TEST(IsAdminFrom, TheSuperuserWhateverTheGroups) {
    EXPECT_TRUE(IsAdminFrom(0, Groups{{"root"}}));
    EXPECT_TRUE(IsAdminFrom(0, Groups{std::vector<std::string>{}}));
    EXPECT_TRUE(IsAdminFrom(0, std::nullopt)) << "uid 0 needs no group look-up";
}

TEST(IsAdminFrom, AMemberOfAnAdministratorsGroup) {
    EXPECT_TRUE(IsAdminFrom(1000, Groups{{"alice", "sudo"}}));
    EXPECT_TRUE(IsAdminFrom(1000, Groups{{"wheel"}}));
    EXPECT_TRUE(IsAdminFrom(1000, Groups{{"users", "audio", "admin", "video"}}));
}

TEST(IsAdminFrom, NobodyElse) {
    EXPECT_FALSE(IsAdminFrom(1000, Groups{std::vector<std::string>{}}));
    EXPECT_FALSE(IsAdminFrom(1000, Groups{{"alice", "users", "adm", "staff", "root"}}));
    // Names are compared exactly: near misses are other groups.
    EXPECT_FALSE(IsAdminFrom(1000, Groups{{"Sudo", "WHEEL", "admins", "sudoers", " admin"}}));
}

TEST(IsAdminFrom, ALookupFailureAnswersFalse) {
    EXPECT_FALSE(IsAdminFrom(1000, std::nullopt));
    EXPECT_FALSE(IsAdminFrom(65534, std::nullopt));
}

TEST(AdminGroups, ListsThePrimaryGroupByName) {
    const passwd* user = getpwuid(getuid());
    if (user == nullptr) GTEST_SKIP() << "the user running the tests has no passwd entry";
    const group* primary = getgrgid(user->pw_gid);
    if (primary == nullptr) GTEST_SKIP() << "the user's primary group has no name";
    const std::string primaryName = primary->gr_name;
    const auto names = linux_platform::GroupNamesOf(getuid());
    ASSERT_TRUE(names.has_value());
    EXPECT_THAT(*names, ::testing::Contains(primaryName));
    EXPECT_EQ(linux_platform::IsAdmin(), IsAdminFrom(getuid(), names));
}

TEST(AdminGroups, AnUnknownUserIsALookupFailure) {
    const uid_t unknown = 3999999999u;
    if (getpwuid(unknown) != nullptr) GTEST_SKIP() << "uid " << unknown << " exists here";
    EXPECT_FALSE(linux_platform::GroupNamesOf(unknown).has_value());
}

}  // namespace
}  // namespace nodrel
