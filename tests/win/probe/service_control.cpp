// Drives the service "Nodrel" for the tests under Wine, whose sc.exe has no `control`:
//   nodrel-service-control start | query | control CODE (1 stops it)
// query prints the current state's number; every command ends with status 0 when the
// manager accepted it, else it prints the Windows error and ends with status 1.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int Failed(const char* what) {
    std::printf("%s failed: %lu\n", what, static_cast<unsigned long>(GetLastError()));
    return 1;
}

int Command(SC_HANDLE service, const char* command, const char* code) {
    SERVICE_STATUS status{};
    if (std::strcmp(command, "start") == 0) {
        return StartServiceW(service, 0, nullptr) ? 0 : Failed("start");
    }
    if (std::strcmp(command, "control") == 0 && code != nullptr) {
        const auto control = static_cast<DWORD>(std::strtoul(code, nullptr, 10));
        return ControlService(service, control, &status) ? 0 : Failed("control");
    }
    if (std::strcmp(command, "query") == 0) {
        if (!QueryServiceStatus(service, &status)) return Failed("query");
        std::printf("%lu\n", static_cast<unsigned long>(status.dwCurrentState));
        return 0;
    }
    std::puts("usage: nodrel-service-control start | query | control CODE");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Command(nullptr, "", nullptr);
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) return Failed("OpenSCManager");
    SC_HANDLE service = OpenServiceW(manager, L"Nodrel", SERVICE_ALL_ACCESS);
    if (!service) {
        const int status = Failed("OpenService");
        CloseServiceHandle(manager);
        return status;
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const int status = Command(service, argv[1], argc > 2 ? argv[2] : nullptr);
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return status;
}
