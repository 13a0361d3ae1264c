#include "platform/linux/logind_power.h"

#include <systemd/sd-bus.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

namespace nodrel::linux_platform {

namespace {

constexpr const char* Service = "org.freedesktop.login1";
constexpr const char* Path = "/org/freedesktop/login1";
constexpr const char* Manager = "org.freedesktop.login1.Manager";

using Kind = nodrel::PowerOutcome::Kind;

// How long the wait for the resume listens to the bus before asking whether to stop.
constexpr auto StopCheckInterval = std::chrono::milliseconds(500);

bool IsSleep(nodrel::PowerCall call) {
    return call == nodrel::PowerCall::Hibernate || call == nodrel::PowerCall::Suspend;
}

nodrel::PowerOutcome FromBusError(const sd_bus_error& error, int code) {
    const std::string name = error.name ? error.name : "";
    std::string message = error.message ? error.message : "";
    if (message.empty()) message = std::strerror(code < 0 ? -code : code);
    const bool notAuthorised =
        name == "org.freedesktop.DBus.Error.AccessDenied" ||
        name == "org.freedesktop.DBus.Error.InteractiveAuthorizationRequired";
    return {notAuthorised ? Kind::NotAuthorised : Kind::Refused, message};
}

// Owns a bus connection and releases it on every path.
struct Bus {
    sd_bus* bus = nullptr;
    ~Bus() { sd_bus_flush_close_unref(bus); }
};

struct SleepWatch {
    bool resumed = false;
    static int OnPrepareForSleep(sd_bus_message* message, void* userdata, sd_bus_error*) {
        int starting = 0;
        if (sd_bus_message_read(message, "b", &starting) >= 0 && !starting) {
            static_cast<SleepWatch*>(userdata)->resumed = true;
        }
        return 0;
    }
};

int CallManager(sd_bus* bus, nodrel::PowerCall call, sd_bus_error& error) {
    sd_bus_message* message = nullptr;
    int r = NewLogindCall(bus, call, &message);
    if (r < 0) return r;
    sd_bus_message* reply = nullptr;
    // No time limit of our own beyond the bus's default for a method call.
    r = sd_bus_call(bus, message, 0, &error, &reply);
    sd_bus_message_unref(reply);
    sd_bus_message_unref(message);
    return r;
}

// Until PrepareForSleep(false), the bound, or a stop request (then Stopped); a signal
// that interrupts the wait does not end it.
Kind WaitForResume(sd_bus* bus, SleepWatch& watch, std::chrono::seconds bound,
                   const std::function<bool()>& stopRequested) {
    using std::chrono::steady_clock;
    const auto deadline = steady_clock::now() + bound;
    while (!watch.resumed) {
        const int r = sd_bus_process(bus, nullptr);
        if (r < 0) break;  // the bus went away: nothing more will come
        if (r > 0) continue;
        if (stopRequested && stopRequested()) return Kind::Stopped;
        const auto left = deadline - steady_clock::now();
        if (left <= steady_clock::duration::zero()) break;
        const auto slice = std::chrono::duration_cast<std::chrono::microseconds>(
            std::min<steady_clock::duration>(left, StopCheckInterval));
        const int w = sd_bus_wait(bus, static_cast<std::uint64_t>(slice.count()));
        if (w < 0 && w != -EINTR) break;
    }
    return Kind::Done;
}

}  // namespace

const char* LogindMethod(nodrel::PowerCall call) {
    switch (call) {
        case nodrel::PowerCall::PowerOff:
            return "PowerOff";
        case nodrel::PowerCall::Reboot:
            return "Reboot";
        case nodrel::PowerCall::Halt:
            return "Halt";
        case nodrel::PowerCall::Hibernate:
            return "Hibernate";
        case nodrel::PowerCall::Suspend:
            return "Suspend";
    }
    return "";
}

int NewLogindCall(sd_bus* bus, nodrel::PowerCall call, sd_bus_message** message) {
    int r =
        sd_bus_message_new_method_call(bus, message, Service, Path, Manager, LogindMethod(call));
    if (r < 0) return r;
    r = sd_bus_message_append(*message, "b", 0);  // interactive = false
    if (r < 0) *message = sd_bus_message_unref(*message);
    return r;
}

nodrel::PowerOutcome LogindPower::Perform(nodrel::PowerCall call) {
    Bus bus;
    // Honours DBUS_SYSTEM_BUS_ADDRESS, which is how a private test bus takes the place
    // of the machine's.
    if (const int r = sd_bus_open_system(&bus.bus); r < 0) {
        return {Kind::Refused, std::string("Cannot reach the system bus: ") + std::strerror(-r)};
    }
    SleepWatch watch;
    sd_bus_slot* slot = nullptr;
    if (IsSleep(call)) {
        // Subscribed before the call, so the resume signal cannot slip past. Without it the
        // call is not made: the program could not tell when the computer is back.
        const int r = sd_bus_match_signal(bus.bus, &slot, Service, Path, Manager, "PrepareForSleep",
                                          &SleepWatch::OnPrepareForSleep, &watch);
        if (r < 0) {
            return {Kind::Refused,
                    std::string("Cannot watch for the resume: ") + std::strerror(-r)};
        }
    }
    sd_bus_error error{nullptr, nullptr, 0};  // the empty error, as the library expects it
    const int r = CallManager(bus.bus, call, error);
    nodrel::PowerOutcome outcome;
    if (r < 0) {
        outcome = FromBusError(error, r);
    } else if (IsSleep(call)) {
        outcome.kind = WaitForResume(bus.bus, watch, resumeBound_, stopRequested);
    }
    sd_bus_error_free(&error);
    sd_bus_slot_unref(slot);
    return outcome;
}

}  // namespace nodrel::linux_platform
