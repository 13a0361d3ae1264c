#include "platform/windows/admin_check.h"

#include <string>
#include <vector>

namespace nodrel::windows_platform {

namespace {

constexpr DWORD kNameRoom = 255;

// The account name as the look-up leaves it in a blank-filled buffer: name, terminating
// zero, then the blanks it did not overwrite. Buffers are compared whole.
std::string AccountName(Win32Api& api, PSID sid, bool* found = nullptr) {
    std::string name(kNameRoom, ' ');
    std::string domain(kNameRoom, ' ');
    DWORD nameLength = kNameRoom;
    DWORD domainLength = kNameRoom;
    SID_NAME_USE use{};
    const BOOL ok =
        api.LookupAccountOf(sid, name.data(), &nameLength, domain.data(), &domainLength, &use);
    if (found) *found = ok != FALSE;
    return name;
}

// The token's groups, read into a buffer of the size the system asks for, so that no
// group list is too long for it.
std::vector<BYTE> GroupsOf(Win32Api& api, HANDLE token) {
    DWORD needed = 0;
    if (api.GetTokenInformation(token, ::TokenGroups, nullptr, 0, &needed) || needed < 1) return {};
    std::vector<BYTE> buffer(needed);
    if (!api.GetTokenInformation(token, ::TokenGroups, buffer.data(), needed, &needed)) return {};
    if (buffer.size() < sizeof(TOKEN_GROUPS) - sizeof(SID_AND_ATTRIBUTES)) return {};
    return buffer;
}

bool HasGroupNamed(Win32Api& api, const std::vector<BYTE>& buffer, const std::string& wanted) {
    const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
    const std::size_t room =
        (buffer.size() - offsetof(TOKEN_GROUPS, Groups)) / sizeof(SID_AND_ATTRIBUTES);
    const std::size_t count = groups->GroupCount < room ? groups->GroupCount : room;
    for (std::size_t i = 0; i < count; ++i) {
        if (AccountName(api, groups->Groups[i].Sid) == wanted) return true;
    }
    return false;
}

bool TokenHasAdministrators(Win32Api& api, HANDLE token) {
    const std::vector<BYTE> groups = GroupsOf(api, token);
    if (groups.empty()) return false;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!api.AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS,
                                      &administrators)) {
        return false;
    }
    bool found = false;
    const std::string reference = AccountName(api, administrators, &found);
    const bool admin = found && HasGroupNamed(api, groups, reference);
    api.FreeSid(administrators);
    return admin;
}

}  // namespace

bool IsAdmin(Win32Api& api) {
    const HANDLE process = api.GetCurrentProcess();
    if (process == nullptr) return false;
    HANDLE token = nullptr;
    bool admin = false;
    if (api.OpenProcessToken(process, TOKEN_READ, &token)) {
        admin = TokenHasAdministrators(api, token);
        api.CloseHandle(token);
    }
    api.CloseHandle(process);
    return admin;
}

}  // namespace nodrel::windows_platform
