#include "frontends/console/service_install_win32.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "app/startup.h"
#include "frontends/console/service_win32.h"
#include "platform/windows/program_folder.h"

namespace nodrel::console {

namespace {

constexpr DWORD kRestartDelayMs = 10'000;
constexpr DWORD kFailureCountResetS = 24 * 60 * 60;
constexpr int kStopPolls = 100;
constexpr DWORD kStopPollMs = 200;
const wchar_t* const kDisplayName = L"Nodrel";
const wchar_t* const kDescription =
    L"Watches the processor load and powers the computer off after a quiet spell.";
const wchar_t* const kEventSourceKey =
    L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Nodrel";

class ScHandle {
public:
    explicit ScHandle(SC_HANDLE handle) : handle_(handle) {}
    ~ScHandle() {
        if (handle_) CloseServiceHandle(handle_);
    }
    ScHandle(const ScHandle&) = delete;
    ScHandle& operator=(const ScHandle&) = delete;
    SC_HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    SC_HANDLE handle_;
};

int Fail(const char* what) {
    const DWORD error = GetLastError();
    if (error == ERROR_ACCESS_DENIED) {
        std::fprintf(stderr,
                     "nodreld: %s needs an administrator: run it from a command prompt "
                     "started with \"Run as administrator\"\n",
                     what);
    } else {
        std::fprintf(stderr, "nodreld: %s failed (Windows error %lu)\n", what,
                     static_cast<unsigned long>(error));
    }
    return kStatusFailure;
}

void Configure(SC_HANDLE handle) {
    SERVICE_DESCRIPTIONW description{const_cast<wchar_t*>(kDescription)};
    ChangeServiceConfig2W(handle, SERVICE_CONFIG_DESCRIPTION, &description);
    SC_ACTION restart[] = {{SC_ACTION_RESTART, kRestartDelayMs},
                           {SC_ACTION_RESTART, kRestartDelayMs},
                           {SC_ACTION_RESTART, kRestartDelayMs}};
    SERVICE_FAILURE_ACTIONSW actions{};
    actions.dwResetPeriod = kFailureCountResetS;
    actions.cActions = 3;
    actions.lpsaActions = restart;
    ChangeServiceConfig2W(handle, SERVICE_CONFIG_FAILURE_ACTIONS, &actions);
    // An exit status of 1 (a bad setting, a refused action) counts as a failure too.
    SERVICE_FAILURE_ACTIONS_FLAG onExitStatus{TRUE};
    ChangeServiceConfig2W(handle, SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, &onExitStatus);
}

bool RegisterEventSource(const std::wstring& executable) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kEventSourceKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const DWORD types = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
    const auto bytes = static_cast<DWORD>((executable.size() + 1) * sizeof(wchar_t));
    const bool set =
        RegSetValueExW(key, L"EventMessageFile", 0, REG_EXPAND_SZ,
                       reinterpret_cast<const BYTE*>(executable.c_str()), bytes) == ERROR_SUCCESS &&
        RegSetValueExW(key, L"TypesSupported", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&types),
                       sizeof types) == ERROR_SUCCESS;
    RegCloseKey(key);
    return set;
}

// Asks a running service to stop and waits until it has.
void Stop(SC_HANDLE handle) {
    SERVICE_STATUS status{};
    if (!ControlService(handle, SERVICE_CONTROL_STOP, &status)) return;
    for (int i = 0; i < kStopPolls && status.dwCurrentState != SERVICE_STOPPED; ++i) {
        Sleep(kStopPollMs);
        if (!QueryServiceStatus(handle, &status)) return;
    }
}

}  // namespace

int InstallService(bool inhibitShutdown) {
    const std::wstring executable = windows_platform::ExecutablePath();
    const std::wstring command =
        L"\"" + executable + L"\" --service" + (inhibitShutdown ? L" -InhibitShutdown" : L"");
    const ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
    if (!manager) return Fail("installing the service");
    const ScHandle created(CreateServiceW(manager.get(), kServiceName, kDisplayName,
                                          SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                          SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, command.c_str(),
                                          nullptr, nullptr, nullptr, nullptr, nullptr));
    if (!created) return Fail("installing the service");
    Configure(created.get());
    if (!RegisterEventSource(executable)) return Fail("registering the event log's source");
    std::printf("nodreld: the service Nodrel is installed: %ls\n", command.c_str());
    return 0;
}

int RemoveService() {
    const ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return Fail("removing the service");
    const ScHandle installed(
        OpenServiceW(manager.get(), kServiceName, SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE));
    if (!installed) return Fail("removing the service");
    Stop(installed.get());
    if (!DeleteService(installed.get())) return Fail("removing the service");
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kEventSourceKey);
    std::puts("nodreld: the service Nodrel is removed");
    return 0;
}

}  // namespace nodrel::console
