#include "platform/windows/win32_api.h"

#include <powrprof.h>

#include <string>

#include "platform/windows/wide_text.h"

namespace nodrel::windows_platform {

DWORD RealWin32Api::GetLastError() {
    return ::GetLastError();
}

DWORD RealWin32Api::FormatSystemMessage(DWORD code, char* buffer, DWORD size) {
    // The wide text, as the narrow one would lose every letter outside the code page.
    std::wstring wide(size, L'\0');
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                         0, wide.data(), size, nullptr);
    const std::string text = Narrow(std::wstring_view(wide.data(), length));
    // Cut to the room before a character's first byte.
    std::size_t cut = text.size() < size ? text.size() : size;
    while (cut > 0 && cut < text.size() && (text[cut] & 0xC0) == 0x80) --cut;
    text.copy(buffer, cut);
    return static_cast<DWORD>(cut);
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

HANDLE RealWin32Api::CreateMutexEx(const wchar_t* name, DWORD access) {
    return ::CreateMutexExW(nullptr, name, 0, access);
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
