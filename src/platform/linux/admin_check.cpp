#include "platform/linux/admin_check.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

namespace nodrel::linux_platform {

namespace {

// The *_r look-ups ask for a buffer of unknown size: start with the system's hint and
// double it while they answer ERANGE.
std::size_t FirstBufferSize(int name) {
    const long hint = sysconf(name);
    return hint > 0 ? static_cast<std::size_t>(hint) : 1024;
}

constexpr std::size_t kLargestBuffer = 1 << 20;

// Runs `lookUp` (a *_r call given the buffer, answering its error number) with a growing
// buffer; the call's last answer, ERANGE when even the largest buffer was too small.
template <typename LookUp>
int WithGrowingBuffer(int sizeHint, LookUp lookUp) {
    std::vector<char> buffer(FirstBufferSize(sizeHint));
    for (; buffer.size() <= kLargestBuffer; buffer.resize(buffer.size() * 2)) {
        if (const int error = lookUp(buffer); error != ERANGE) return error;
    }
    return ERANGE;
}

using User = AccountLookUps::User;

std::optional<User> LookUpUser(uid_t uid) {
    std::optional<User> user;
    WithGrowingBuffer(_SC_GETPW_R_SIZE_MAX, [&](std::vector<char>& buffer) {
        passwd entry{};
        passwd* found = nullptr;
        const int error = getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found);
        if (error == 0 && found != nullptr) user = User{found->pw_name, found->pw_gid};
        return error;
    });
    return user;
}

std::optional<std::vector<gid_t>> GroupNumbersOf(const User& user) {
    int count = 32;
    std::vector<gid_t> groups;
    for (int attempt = 0; attempt < 8; ++attempt) {
        groups.resize(static_cast<std::size_t>(count));
        const int wanted = count;
        if (getgrouplist(user.name.c_str(), user.primary, groups.data(), &count) >= 0) {
            groups.resize(static_cast<std::size_t>(count));
            return groups;
        }
        // Too small: `count` now says how many there are (some systems leave it alone).
        count = count > wanted ? count : wanted * 4;
    }
    return std::nullopt;
}

// The group's name; an empty text for a number without a group entry; nothing on failure.
std::optional<std::string> GroupName(gid_t gid) {
    std::optional<std::string> name;
    WithGrowingBuffer(_SC_GETGR_R_SIZE_MAX, [&](std::vector<char>& buffer) {
        group entry{};
        group* found = nullptr;
        const int error = getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found);
        if (error == 0) name = found == nullptr ? std::string() : std::string(found->gr_name);
        return error;
    });
    return name;
}

}  // namespace

AccountLookUps SystemLookUps() {
    return {LookUpUser, GroupNumbersOf, GroupName};
}

std::optional<std::vector<std::string>> GroupNamesOf(uid_t uid, const AccountLookUps& lookUps) {
    const auto user = lookUps.user(uid);
    if (!user) return std::nullopt;
    const auto numbers = lookUps.groups(*user);
    if (!numbers) return std::nullopt;
    std::vector<std::string> names;
    for (const gid_t gid : *numbers) {
        auto name = lookUps.groupName(gid);
        if (name && !name->empty()) names.push_back(std::move(*name));
    }
    return names;
}

bool IsAdminFrom(unsigned uid, const std::optional<std::vector<std::string>>& groups) {
    if (uid == 0) return true;
    if (!groups) return false;
    return std::any_of(groups->begin(), groups->end(), [](const std::string& name) {
        return std::any_of(std::begin(kAdminGroups), std::end(kAdminGroups),
                           [&](const char* admin) { return name == admin; });
    });
}

bool IsAdmin() {
    const uid_t uid = getuid();
    return IsAdminFrom(uid, GroupNamesOf(uid));
}

}  // namespace nodrel::linux_platform
