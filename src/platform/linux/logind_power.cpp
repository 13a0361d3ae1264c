#include "platform/linux/logind_power.h"

#include <systemd/sd-bus.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace nodrel::linux_platform {

namespace {

constexpr const char* kService = "org.freedesktop.login1";
constexpr const char* kPath = "/org/freedesktop/login1";
constexpr const char* kManager = "org.freedesktop.login1.Manager";

using Kind = nodrel::PowerOutcome::Kind;

// How long a wait listens to the bus before asking whether to stop.
constexpr auto kStopCheckInterval = std::chrono::milliseconds(500);
// sd-bus's own limit for the call lies beyond ours, so that ours is the one that speaks.
constexpr auto kBusTimeoutMargin = std::chrono::seconds(1);

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

// Owns a match or a pending call; releasing it drops its callback.
struct Slot {
    sd_bus_slot* slot = nullptr;
    ~Slot() { sd_bus_slot_unref(slot); }
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

// logind's answer to the call, once it has come.
struct Answer {
    bool arrived = false;
    nodrel::PowerOutcome outcome;
    static int OnReply(sd_bus_message* reply, void* userdata, sd_bus_error*) {
        auto& answer = *static_cast<Answer*>(userdata);
        answer.arrived = true;
        if (const sd_bus_error* error = sd_bus_message_get_error(reply)) {
            answer.outcome = FromBusError(*error, sd_bus_message_get_errno(reply));
        }
        return 0;
    }
};

enum class Waited { Came, Stopped, TimedOut, BusLost };

// Dispatches the bus until `came` is true, the bound has passed, a stop is requested or
// the bus goes away. A signal that interrupts the wait does not end it.
Waited Listen(sd_bus* bus, const bool& came, std::chrono::steady_clock::duration bound,
              const std::function<bool()>& stopRequested) {
    using std::chrono::steady_clock;
    const auto deadline = steady_clock::now() + bound;
    while (!came) {
        const int r = sd_bus_process(bus, nullptr);
        if (r < 0) return Waited::BusLost;
        if (r > 0) continue;
        if (stopRequested && stopRequested()) return Waited::Stopped;
        const auto left = deadline - steady_clock::now();
        if (left <= steady_clock::duration::zero()) return Waited::TimedOut;
        const auto slice = std::chrono::duration_cast<std::chrono::microseconds>(
            std::min<steady_clock::duration>(left, kStopCheckInterval));
        const int w = sd_bus_wait(bus, static_cast<std::uint64_t>(slice.count()));
        if (w < 0 && w != -EINTR) return Waited::BusLost;
    }
    return Waited::Came;
}

std::string SecondsText(std::chrono::milliseconds duration) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", static_cast<double>(duration.count()) / 1000.0);
    return text;
}

// Sends the call and waits for the answer without blocking the program for good: a stop
// request ends the wait, and no answer within `bound` is a refusal.
nodrel::PowerOutcome CallManager(sd_bus* bus, nodrel::PowerCall call,
                                 std::chrono::milliseconds bound,
                                 const std::function<bool()>& stopRequested) {
    sd_bus_message* message = nullptr;
    int r = NewLogindCall(bus, call, &message);
    Answer answer;
    Slot pending;
    if (r >= 0) {
        const auto busTimeout =
            std::chrono::duration_cast<std::chrono::microseconds>(bound + kBusTimeoutMargin);
        r = sd_bus_call_async(bus, &pending.slot, message, &Answer::OnReply, &answer,
                              static_cast<std::uint64_t>(busTimeout.count()));
    }
    sd_bus_message_unref(message);
    if (r < 0) return {Kind::Refused, std::string("Cannot call logind: ") + std::strerror(-r)};
    switch (Listen(bus, answer.arrived, bound, stopRequested)) {
        case Waited::Came:
            return answer.outcome;
        case Waited::Stopped:
            return {Kind::Stopped, {}};
        case Waited::TimedOut:
            return {Kind::Refused, "systemd-logind did not answer within " + SecondsText(bound)};
        case Waited::BusLost:
            break;
    }
    return {Kind::Refused, "The system bus went away before systemd-logind answered"};
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
        sd_bus_message_new_method_call(bus, message, kService, kPath, kManager, LogindMethod(call));
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
    Slot match;
    if (IsSleep(call)) {
        // Subscribed before the call, so the resume signal cannot slip past. Without it the
        // call is not made: the program could not tell when the computer is back.
        const int r =
            sd_bus_match_signal(bus.bus, &match.slot, kService, kPath, kManager, "PrepareForSleep",
                                &SleepWatch::OnPrepareForSleep, &watch);
        if (r < 0) {
            return {Kind::Refused,
                    std::string("Cannot watch for the resume: ") + std::strerror(-r)};
        }
    }
    nodrel::PowerOutcome outcome = CallManager(bus.bus, call, answerBound_, stopRequested);
    // A sleep goes on after PrepareForSleep(false), the bound or a lost bus alike.
    if (outcome.kind == Kind::Done && IsSleep(call) &&
        Listen(bus.bus, watch.resumed, resumeBound_, stopRequested) == Waited::Stopped) {
        outcome.kind = Kind::Stopped;
    }
    return outcome;
}

}  // namespace nodrel::linux_platform
