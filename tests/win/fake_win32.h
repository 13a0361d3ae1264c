#pragma once
// A stand-in for the Win32 calls: every call succeeds unless the test says otherwise, and
// each one is noted in `calls` with its arguments.
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "platform/windows/win32_api.h"

namespace nodrel::windows_platform::testing {

struct FakeWin32 : Win32Api {
    // The call that fails, with the error code it leaves behind.
    std::string failing;
    DWORD failingError = ERROR_ACCESS_DENIED;
    // The system's texts by code; a code without one has no text.
    std::map<DWORD, std::string> texts = {{ERROR_ACCESS_DENIED, "Access is denied.\r\n"}};
    // The token's groups, as account names; "" stands for a group whose name is unknown.
    std::vector<std::string> groups = {"Everyone", "Administrators", "Users"};
    std::string administratorsName = "Administrators";
    HANDLE process = reinterpret_cast<HANDLE>(0x100);
    std::vector<std::string> calls;
    int openHandles = 0, liveSids = 0;

    DWORD GetLastError() override { return lastError_; }
    DWORD FormatSystemMessage(DWORD code, char* buffer, DWORD size) override {
        const auto text = texts.find(code);
        if (text == texts.end()) return 0;
        const DWORD n = std::min(static_cast<DWORD>(text->second.size()), size);
        text->second.copy(buffer, n);
        return n;
    }
    HANDLE GetCurrentProcess() override {
        calls.push_back("GetCurrentProcess");
        return Fails("GetCurrentProcess") ? nullptr : process;
    }
    BOOL OpenProcessToken(HANDLE, DWORD access, HANDLE* token) override {
        calls.push_back("OpenProcessToken " + Hex(access));
        if (Fails("OpenProcessToken")) return FALSE;
        *token = reinterpret_cast<HANDLE>(0x200);
        ++openHandles;
        return TRUE;
    }
    BOOL CloseHandle(HANDLE handle) override {
        calls.push_back("CloseHandle");
        if (handle != process) --openHandles;
        return TRUE;
    }
    BOOL LookupPrivilegeValueOf(const char* name, LUID* luid) override {
        calls.push_back(std::string("LookupPrivilegeValue ") + name);
        if (Fails("LookupPrivilegeValue")) return FALSE;
        luid->LowPart = 19;
        return TRUE;
    }
    BOOL AdjustTokenPrivileges(HANDLE, TOKEN_PRIVILEGES* privileges, DWORD length,
                               TOKEN_PRIVILEGES*, DWORD*) override {
        calls.push_back("AdjustTokenPrivileges count " +
                        std::to_string(privileges->PrivilegeCount) + " luid " +
                        std::to_string(privileges->Privileges[0].Luid.LowPart) + " attributes " +
                        std::to_string(privileges->Privileges[0].Attributes) + " length " +
                        std::to_string(length));
        return Fails("AdjustTokenPrivileges") ? FALSE : TRUE;
    }
    BOOL ExitWindowsEx(UINT flags, DWORD reason) override {
        calls.push_back("ExitWindowsEx " + std::to_string(flags) + " " + Hex(reason));
        return Fails("ExitWindowsEx") ? FALSE : TRUE;
    }
    BOOLEAN SetSuspendState(BOOLEAN hibernate, BOOLEAN force, BOOLEAN noWake) override {
        calls.push_back("SetSuspendState " + std::to_string(hibernate) + std::to_string(force) +
                        std::to_string(noWake));
        return Fails("SetSuspendState") ? FALSE : TRUE;
    }
    HANDLE CreateMutexEx(const wchar_t* name, DWORD access) override {
        calls.push_back("CreateMutexEx " + std::string(name, name + wcslen(name)) + " " +
                        Hex(access));
        if (Fails("CreateMutexEx")) return nullptr;
        lastError_ = 0;
        ++openHandles;
        return reinterpret_cast<HANDLE>(0x300);
    }
    BOOL GetTokenInformation(HANDLE, TOKEN_INFORMATION_CLASS kind, void* buffer, DWORD length,
                             DWORD* needed) override;
    BOOL AllocateAndInitializeSid(SID_IDENTIFIER_AUTHORITY* authority, BYTE count, DWORD first,
                                  DWORD second, PSID* sid) override;
    BOOL LookupAccountOf(PSID sid, char* name, DWORD* nameLength, char*, DWORD* domainLength,
                         SID_NAME_USE*) override;
    void FreeSid(PSID) override { --liveSids; }
    DWORD InitiateShutdown(DWORD flags, DWORD reason) override {
        calls.push_back("InitiateShutdown " + Hex(flags) + " " + Hex(reason));
        return Fails("InitiateShutdown") ? failingError : ERROR_SUCCESS;
    }

private:
    bool Fails(const std::string& call) {
        if (failing != call) return false;
        lastError_ = failingError;
        return true;
    }
    static std::string Hex(DWORD value);

    DWORD lastError_ = 0;
    std::vector<SID_AND_ATTRIBUTES> entries_;
    BYTE administrators_ = 0;  // its address stands for the Administrators identifier
};

}  // namespace nodrel::windows_platform::testing
