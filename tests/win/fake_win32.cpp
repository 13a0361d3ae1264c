#include "fake_win32.h"

#include <cstdio>
#include <cstring>

namespace nodrel::windows_platform::testing {

std::string FakeWin32::Hex(DWORD value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%lX", static_cast<unsigned long>(value));
    return text;
}

BOOL FakeWin32::GetTokenInformation(HANDLE, TOKEN_INFORMATION_CLASS kind, void* buffer,
                                    DWORD length, DWORD* needed) {
    calls.push_back("GetTokenInformation " + std::to_string(kind) + " " + std::to_string(length));
    if (Fails("GetTokenInformation")) return FALSE;
    // Each group's identifier is the address of its index in the entries.
    entries_.assign(groups.size(), {});
    const std::size_t size =
        offsetof(TOKEN_GROUPS, Groups) + groups.size() * sizeof(SID_AND_ATTRIBUTES);
    *needed = static_cast<DWORD>(size);
    if (length < size) {
        lastError_ = ERROR_INSUFFICIENT_BUFFER;
        return FALSE;
    }
    auto* out = static_cast<TOKEN_GROUPS*>(buffer);
    out->GroupCount = static_cast<DWORD>(groups.size());
    for (std::size_t i = 0; i < groups.size(); ++i) {
        out->Groups[i].Sid = &entries_[i];
        out->Groups[i].Attributes = SE_GROUP_ENABLED;
    }
    return TRUE;
}

BOOL FakeWin32::AllocateAndInitializeSid(SID_IDENTIFIER_AUTHORITY* authority, BYTE count,
                                         DWORD first, DWORD second, PSID* sid) {
    calls.push_back("AllocateAndInitializeSid " + std::to_string(authority->Value[5]) + " " +
                    std::to_string(count) + " " + std::to_string(first) + " " +
                    std::to_string(second));
    if (Fails("AllocateAndInitializeSid")) return FALSE;
    *sid = &administrators_;
    ++liveSids;
    return TRUE;
}

BOOL FakeWin32::LookupAccountOf(PSID sid, char* name, DWORD* nameLength, char*, DWORD* domainLength,
                                SID_NAME_USE*) {
    if (*nameLength != 255 || *domainLength != 255) return FALSE;
    std::string found;
    if (sid == &administrators_) {
        if (Fails("LookupAccountSid")) return FALSE;
        found = administratorsName;
    } else {
        found = groups[static_cast<std::size_t>(static_cast<SID_AND_ATTRIBUTES*>(sid) -
                                                entries_.data())];
        if (found.empty()) return FALSE;
    }
    std::memcpy(name, found.c_str(), found.size() + 1);
    return TRUE;
}

}  // namespace nodrel::windows_platform::testing
