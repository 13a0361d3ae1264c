#pragma once
// The Win32 calls behind the power actions and the administrator check, one virtual per
// call, so that the refusals Wine never produces (it grants every privilege and accepts
// every power request) can be played by a stand-in.
#include <windows.h>

namespace nodrel::windows_platform {

class Win32Api {
public:
    virtual ~Win32Api() = default;

    virtual DWORD GetLastError() = 0;
    // The system's text for an error code in UTF-8 (FormatMessageW, inserts ignored,
    // language neutral); the bytes written, at most `size`.
    virtual DWORD FormatSystemMessage(DWORD code, char* buffer, DWORD size) = 0;
    virtual HANDLE GetCurrentProcess() = 0;
    virtual BOOL OpenProcessToken(HANDLE process, DWORD access, HANDLE* token) = 0;
    virtual BOOL CloseHandle(HANDLE handle) = 0;

    // The shutdown privilege.
    virtual BOOL LookupPrivilegeValueOf(const char* name, LUID* luid) = 0;
    virtual BOOL AdjustTokenPrivileges(HANDLE token, TOKEN_PRIVILEGES* privileges, DWORD length,
                                       TOKEN_PRIVILEGES* previous, DWORD* returned) = 0;
    virtual BOOL ExitWindowsEx(UINT flags, DWORD reason) = 0;
    virtual BOOLEAN SetSuspendState(BOOLEAN hibernate, BOOLEAN force, BOOLEAN noWakeEvents) = 0;

    // The single-instance guard: CreateMutexExW without attributes, not taken.
    virtual HANDLE CreateMutexEx(const wchar_t* name, DWORD access) = 0;

    // The administrator check.
    virtual BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind, void* buffer,
                                     DWORD length, DWORD* needed) = 0;
    virtual BOOL AllocateAndInitializeSid(SID_IDENTIFIER_AUTHORITY* authority, BYTE count,
                                          DWORD first, DWORD second, PSID* sid) = 0;
    virtual BOOL LookupAccountOf(PSID sid, char* name, DWORD* nameLength, char* domain,
                                 DWORD* domainLength, SID_NAME_USE* use) = 0;
    virtual void FreeSid(PSID sid) = 0;

    // InitiateShutdownW on this computer with no message and no grace period: ERROR_SUCCESS
    // or the error's code.
    virtual DWORD InitiateShutdown(DWORD flags, DWORD reason) = 0;
};

// The system's own calls.
class RealWin32Api : public Win32Api {
public:
    DWORD GetLastError() override;
    DWORD FormatSystemMessage(DWORD code, char* buffer, DWORD size) override;
    HANDLE GetCurrentProcess() override;
    BOOL OpenProcessToken(HANDLE process, DWORD access, HANDLE* token) override;
    BOOL CloseHandle(HANDLE handle) override;
    BOOL LookupPrivilegeValueOf(const char* name, LUID* luid) override;
    BOOL AdjustTokenPrivileges(HANDLE token, TOKEN_PRIVILEGES* privileges, DWORD length,
                               TOKEN_PRIVILEGES* previous, DWORD* returned) override;
    BOOL ExitWindowsEx(UINT flags, DWORD reason) override;
    BOOLEAN SetSuspendState(BOOLEAN hibernate, BOOLEAN force, BOOLEAN noWakeEvents) override;
    HANDLE CreateMutexEx(const wchar_t* name, DWORD access) override;
    BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind, void* buffer, DWORD length,
                             DWORD* needed) override;
    BOOL AllocateAndInitializeSid(SID_IDENTIFIER_AUTHORITY* authority, BYTE count, DWORD first,
                                  DWORD second, PSID* sid) override;
    BOOL LookupAccountOf(PSID sid, char* name, DWORD* nameLength, char* domain, DWORD* domainLength,
                         SID_NAME_USE* use) override;
    void FreeSid(PSID sid) override;
    DWORD InitiateShutdown(DWORD flags, DWORD reason) override;
};

}  // namespace nodrel::windows_platform
