#pragma once
// Tells systemd how the service is, over the socket it names in NOTIFY_SOCKET: ready, a
// status line, and alive for its watchdog. Without NOTIFY_SOCKET (not started by systemd
// as Type=notify) nothing is sent and no system call is made.
#include <chrono>
#include <string>

namespace nodrel::linux_platform {

class ServiceNotifier {
public:
    ServiceNotifier();
    ~ServiceNotifier();
    ServiceNotifier(const ServiceNotifier&) = delete;
    ServiceNotifier& operator=(const ServiceNotifier&) = delete;

    // READY=1: start-up has succeeded.
    void Ready();
    // STATUS=text, when it differs from the last one sent.
    void Status(const std::string& text);
    // WATCHDOG=1 when the watchdog is on (WATCHDOG_USEC) and a quarter of its time has
    // passed since the last one: call it as often as convenient.
    void Alive();

private:
    bool Send(const std::string& message);
    bool Connect();

    std::string address_;  // NOTIFY_SOCKET; a leading '@' names an abstract socket
    int fd_ = -1;
    std::string lastStatus_;
    std::chrono::steady_clock::duration aliveEvery_{};  // zero: no watchdog
    std::chrono::steady_clock::time_point lastAlive_{};
};

}  // namespace nodrel::linux_platform
