#include "platform/windows/win32_api.h"

#include <powrprof.h>

namespace nodrel::windows_platform {

DWORD RealWin32Api::GetLastError() {
    return ::GetLastError();
}

DWORD RealWin32Api::FormatSystemMessage(DWORD code, char* buffer, DWORD size) {
    return ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                            code, 0, buffer, size, nullptr);
}

HANDLE RealWin32Api::GetCurrentProcess() {
    return ::GetCurrentProcess();
}

BOOL RealWin32Api::OpenProcessToken(HANDLE process, DWORD access, HANDLE* token) {
    return ::OpenProcessToken(process, access, token);
}

BOOL RealWin32Api::CloseHandle(HANDLE handle) {
    return ::CloseHandle(handle);
}

BOOL RealWin32Api::LookupPrivilegeValueOf(const char* name, LUID* luid) {
    return ::LookupPrivilegeValueA(nullptr, name, luid);
}

BOOL RealWin32Api::AdjustTokenPrivileges(HANDLE token, TOKEN_PRIVILEGES* privileges, DWORD length,
                                         TOKEN_PRIVILEGES* previous, DWORD* returned) {
    return ::AdjustTokenPrivileges(token, FALSE, privileges, length, previous, returned);
}

BOOL RealWin32Api::ExitWindowsEx(UINT flags, DWORD reason) {
    return ::ExitWindowsEx(flags, reason);
}

BOOLEAN RealWin32Api::SetSuspendState(BOOLEAN hibernate, BOOLEAN force, BOOLEAN noWakeEvents) {
    return ::SetSuspendState(hibernate, force, noWakeEvents);
}

BOOL RealWin32Api::GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind, void* buffer,
                                       DWORD length, DWORD* needed) {
    return ::GetTokenInformation(token, kind, buffer, length, needed);
}

BOOL RealWin32Api::AllocateAndInitializeSid(SID_IDENTIFIER_AUTHORITY* authority, BYTE count,
                                            DWORD first, DWORD second, PSID* sid) {
    return ::AllocateAndInitializeSid(authority, count, first, second, 0, 0, 0, 0, 0, 0, sid);
}

BOOL RealWin32Api::LookupAccountOf(PSID sid, char* name, DWORD* nameLength, char* domain,
                                   DWORD* domainLength, SID_NAME_USE* use) {
    return ::LookupAccountSidA(nullptr, sid, name, nameLength, domain, domainLength, use);
}

void RealWin32Api::FreeSid(PSID sid) {
    ::FreeSid(sid);
}

DWORD RealWin32Api::InitiateShutdown(DWORD flags, DWORD reason) {
    return ::InitiateShutdownW(nullptr, nullptr, 0, flags, reason);
}

}  // namespace nodrel::windows_platform
