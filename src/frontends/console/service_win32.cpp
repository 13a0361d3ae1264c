#include "frontends/console/service_win32.h"

#include <windows.h>

#include <cstdio>
#include <mutex>

#include "frontends/console/controls_win32.h"
#include "frontends/console/program_win32.h"

namespace nodrel::console {

namespace {

constexpr DWORD kStartWaitHintMs = 30'000;
constexpr DWORD kStopWaitHintMs = 10'000;
constexpr DWORD kAccepted = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN |
                            SERVICE_ACCEPT_PRESHUTDOWN | SERVICE_ACCEPT_PARAMCHANGE;

// The service's state, shared by its main thread and the manager's calls of the handler.
struct Service {
    const StartUp* start = nullptr;
    SERVICE_STATUS_HANDLE handle = nullptr;
    EventLoop* loop = nullptr;
    int status = kStatusFailure;
};
Service service;
std::mutex loopLock;  // the handler never posts to a loop that is going away

void Report(DWORD state, DWORD accepted = 0, DWORD waitHint = 0) {
    static DWORD checkPoint = 0;
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = accepted;
    status.dwWaitHint = waitHint;
    status.dwCheckPoint = waitHint ? ++checkPoint : 0;
    if (state == SERVICE_STOPPED && service.status != 0) {
        status.dwWin32ExitCode = ERROR_SERVICE_SPECIFIC_ERROR;
        status.dwServiceSpecificExitCode = static_cast<DWORD>(service.status);
    }
    SetServiceStatus(service.handle, &status);
}

DWORD WINAPI Handler(DWORD control, DWORD, void*, void*) {
    if (control == SERVICE_CONTROL_INTERROGATE) return NO_ERROR;
    const auto request = ServiceControlFor(control);
    const std::lock_guard<std::mutex> hold(loopLock);
    if (!request || service.loop == nullptr) return ERROR_CALL_NOT_IMPLEMENTED;
    if (*request == Control::Exit || *request == Control::SessionEnd) {
        Report(SERVICE_STOP_PENDING, 0, kStopWaitHintMs);
    }
    service.loop->Post(*request);
    return NO_ERROR;
}

void WINAPI ServiceMain(DWORD, LPWSTR*) {
    EventLoop loop;
    {
        const std::lock_guard<std::mutex> hold(loopLock);
        service.loop = &loop;
    }
    service.handle = RegisterServiceCtrlHandlerExW(kServiceName, Handler, nullptr);
    if (service.handle == nullptr) return;
    Report(SERVICE_START_PENDING, 0, kStartWaitHintMs);

    windows_platform::SystemEventLog eventLog;
    ConsoleEffects effects(stderr);
    ReportMessagesTo(effects, eventLog);
    Host host{loop, effects, nullptr, [] { Report(SERVICE_RUNNING, kAccepted); }, true};
    service.status = loop.Ready() ? RunProgram(*service.start, host) : kStatusFailure;
    {
        const std::lock_guard<std::mutex> hold(loopLock);
        service.loop = nullptr;
    }
    Report(SERVICE_STOPPED);
}

}  // namespace

void ReportMessagesTo(ConsoleEffects& effects, windows_platform::EventLog& log) {
    effects.onMessage = [&log](int style, const std::string& title, const std::string& text) {
        log.Report(windows_platform::EntryForMessage(style, title, text));
    };
}

int RunService(const StartUp& start) {
    service.start = &start;
    wchar_t name[] = L"Nodrel";
    const SERVICE_TABLE_ENTRYW table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    if (!StartServiceCtrlDispatcherW(table)) {
        std::fputs(
            "nodreld: --service is how the service control manager starts Nodrel;\n"
            "install the service with --install-service\n",
            stderr);
        return kStatusFailure;
    }
    return service.status;
}

}  // namespace nodrel::console
