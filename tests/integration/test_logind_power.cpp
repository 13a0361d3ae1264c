// LogindPower and PowerActions against a real message bus: a private dbus-daemon with a
// stand-in for systemd-logind on it (tests/support/private_logind.py). The system bus
// address of this process always leads to that private bus or to nowhere.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "platform/linux/logind_power.h"
#include "private_bus.h"
#include "shutdown/power_actions.h"

namespace {

using nodrel::PowerActions;
using nodrel::PowerCall;
using nodrel::PowerError;
using nodrel::linux_platform::LogindPower;
using nodrel::testing::NoCalls;
using nodrel::testing::NowhereBus;
using nodrel::testing::OnlyCall;
using nodrel::testing::PrivateBus;
using Clock = std::chrono::steady_clock;

constexpr const char* InteractiveRequired =
    "org.freedesktop.DBus.Error.InteractiveAuthorizationRequired";
constexpr const char* AccessDenied = "org.freedesktop.DBus.Error.AccessDenied";
constexpr const char* InProgress = "org.freedesktop.login1.OperationInProgress";
constexpr const char* NotAuthorisedText =
    "Can't enable shutdown: You do not have the privileges to shutdown this system. [";
constexpr std::uint32_t ErrNotAuthorised = 0x8004062E;
constexpr std::uint32_t ErrShutdownFailed = 0x8004062B;
constexpr std::uint32_t ErrInvalidParameter = 0x8004062F;

// Before any test runs, the system bus of this process is one that cannot exist.
const bool systemBusLeadsNowhere = setenv("DBUS_SYSTEM_BUS_ADDRESS", NowhereBus, 1) == 0;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The error an action raised; fails the test when it raised none.
PowerError ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const PowerError& error) {
        return error;
    }
    ADD_FAILURE() << "no PowerError raised";
    return PowerError(0, "", "");
}

// One action as the countdown asks for it, and the logind method it must reach.
struct Action {
    const char* name;
    const char* method;
    std::function<bool(PowerActions&)> run;
};

const Action PowerOff{"PowerOff", "PowerOff", [](PowerActions& p) { return p.ShutdownSystem(12); }};
const Action Reboot{"Reboot", "Reboot", [](PowerActions& p) { return p.ShutdownSystem(6); }};
const Action Halt{"Halt", "Halt", [](PowerActions& p) { return p.ShutdownSystem(5); }};
const Action Hibernate{"Hibernate", "Hibernate", [](PowerActions& p) { return p.HibernateSystem(); }};
const Action Standby{"Standby", "Suspend", [](PowerActions& p) { return p.StandbySystem(); }};

void PrintTo(const Action& action, std::ostream* out) { *out << action.name; }
std::string ActionName(const ::testing::TestParamInfo<Action>& info) { return info.param.name; }

class OnPrivateBus : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(systemBusLeadsNowhere);
        bool unavailable = false;
        const std::string problem = bus.Start(unavailable);
        if (unavailable) GTEST_SKIP() << problem;
        ASSERT_EQ(problem, "");
        ASSERT_EQ(setenv("DBUS_SYSTEM_BUS_ADDRESS", bus.Address().c_str(), 1), 0);
    }

    void TearDown() override {
        // Back to nowhere, never to the machine's own bus.
        setenv("DBUS_SYSTEM_BUS_ADDRESS", NowhereBus, 1);
        bus.Stop();
    }

    // Runs `action` through PowerActions over LogindPower with this resume bound.
    bool Run(const Action& action, std::chrono::seconds resumeBound = std::chrono::seconds(10)) {
        LogindPower logind(resumeBound);
        PowerActions power(logind, "nodreld");
        return action.run(power);
    }

    PrivateBus bus;
};

// --- every action reaches its method once, with interactive = false -------------------

class EachAction : public OnPrivateBus, public ::testing::WithParamInterface<Action> {};

TEST_P(EachAction, ReachesItsMethodOnceWithInteractiveFalse) {
    EXPECT_EQ(bus.PowerCalls(), NoCalls());
    EXPECT_TRUE(Run(GetParam()));
    EXPECT_EQ(bus.PowerCalls(), OnlyCall(GetParam().method));
}

INSTANTIATE_TEST_SUITE_P(Logind, EachAction,
                         ::testing::Values(PowerOff, Reboot, Halt, Hibernate, Standby),
                         ActionName);

TEST_F(OnPrivateBus, FlagsOutsideTheRangeAreRefusedBeforeAnythingIsCalled) {
    LogindPower logind;
    PowerActions power(logind, "nodreld");
    for (const int flags : {32, -1}) {
        const PowerError error = ErrorOf([&] { power.ShutdownSystem(flags); });
        EXPECT_EQ(error.number, ErrInvalidParameter);
        EXPECT_STREQ(error.what(),
                     ("Invalid parameter to ShutdownSystem: " + std::to_string(flags)).c_str());
    }
    EXPECT_EQ(bus.PowerCalls(), NoCalls());
}

// --- refusals of power off, reboot and halt ----------------------------------------------

struct Refusal {
    const char* name;
    Action action;
    const char* error;
    const char* message;
    std::uint32_t number;
    std::string description;
};

void PrintTo(const Refusal& refusal, std::ostream* out) { *out << refusal.name; }
std::string RefusalName(const ::testing::TestParamInfo<Refusal>& info) {
    return info.param.name;
}

class RefusedShutdown : public OnPrivateBus, public ::testing::WithParamInterface<Refusal> {};

TEST_P(RefusedShutdown, RaisesTheErrorWithTheBusMessageAndDoesNotRetry) {
    const Refusal& r = GetParam();
    bus.Fail(r.action.method, r.error, r.message);
    const PowerError error = ErrorOf([&] { Run(r.action); });
    EXPECT_EQ(error.number, r.number);
    EXPECT_EQ(error.source, "nodreld.mShutDown");
    EXPECT_EQ(std::string(error.what()), r.description);
    EXPECT_EQ(bus.PowerCalls(), OnlyCall(r.action.method));
}

INSTANTIATE_TEST_SUITE_P(
    Logind, RefusedShutdown,
    ::testing::Values(
        Refusal{"PowerOffNeedsInteractiveAuthorisation", PowerOff, InteractiveRequired,
                "Interactive authentication required.", ErrNotAuthorised,
                std::string(NotAuthorisedText) + "Interactive authentication required.]"},
        Refusal{"RebootAccessDenied", Reboot, AccessDenied, "Permission denied",
                ErrNotAuthorised, std::string(NotAuthorisedText) + "Permission denied]"},
        Refusal{"HaltAccessDenied", Halt, AccessDenied, "Halt is not for you",
                ErrNotAuthorised, std::string(NotAuthorisedText) + "Halt is not for you]"},
        Refusal{"PowerOffInProgress", PowerOff, InProgress,
                "There's already a shutdown or sleep operation in progress",
                ErrShutdownFailed,
                "ShutdownSystem failed: There's already a shutdown or sleep operation in "
                "progress"},
        Refusal{"RebootInProgress", Reboot, InProgress, "Busy rebooting", ErrShutdownFailed,
                "ShutdownSystem failed: Busy rebooting"},
        Refusal{"HaltFailed", Halt, "org.freedesktop.DBus.Error.Failed", "No halt today",
                ErrShutdownFailed, "ShutdownSystem failed: No halt today"}),
    RefusalName);

// --- hibernate and standby ------------------------------------------------------------------

class Sleep : public OnPrivateBus, public ::testing::WithParamInterface<Action> {};

TEST_P(Sleep, ReturnsOnlyAfterTheResumeSignal) {
    bus.ResumeAfter(GetParam().method, 1.0);
    const auto start = Clock::now();
    EXPECT_TRUE(Run(GetParam(), std::chrono::seconds(10)));
    const double took = SecondsSince(start);
    EXPECT_GE(took, 0.9) << "returned before PrepareForSleep(false)";
    EXPECT_LT(took, 5.0) << "did not return on PrepareForSleep(false)";
    EXPECT_EQ(bus.PowerCalls(), OnlyCall(GetParam().method));
}

TEST_P(Sleep, ResumeSignalBeforeTheReplyIsNotMissed) {
    bus.ResumeAfter(GetParam().method, 0.0);
    const auto start = Clock::now();
    EXPECT_TRUE(Run(GetParam(), std::chrono::seconds(10)));
    EXPECT_LT(SecondsSince(start), 3.0) << "waited past a resume that came with the call";
}

TEST_P(Sleep, WithoutAResumeSignalTheWaitEndsAtItsBound) {
    bus.ResumeAfter(GetParam().method, std::nullopt);  // PrepareForSleep(true) only
    const auto start = Clock::now();
    EXPECT_TRUE(Run(GetParam(), std::chrono::seconds(2)));
    const double took = SecondsSince(start);
    EXPECT_GE(took, 1.9) << "PrepareForSleep(true) must not end the wait";
    EXPECT_LT(took, 5.0);
    EXPECT_EQ(bus.PowerCalls(), OnlyCall(GetParam().method));
}

TEST_P(Sleep, RefusedForAnotherReasonReturnsTrueAtOnce) {
    bus.Fail(GetParam().method, InProgress, "There's already a shutdown or sleep operation");
    const auto start = Clock::now();
    EXPECT_TRUE(Run(GetParam(), std::chrono::seconds(10)));
    EXPECT_LT(SecondsSince(start), 2.0);
    EXPECT_EQ(bus.PowerCalls(), OnlyCall(GetParam().method));
}

TEST_P(Sleep, NotAuthorisedRaisesWithTheBusMessage) {
    for (const char* name : {InteractiveRequired, AccessDenied}) {
        SCOPED_TRACE(name);
        bus.Fail(GetParam().method, name, "Not for this user");
        const PowerError error = ErrorOf([&] { Run(GetParam()); });
        EXPECT_EQ(error.number, ErrNotAuthorised);
        EXPECT_EQ(std::string(error.what()), std::string(NotAuthorisedText) + "Not for this user]");
    }
}

INSTANTIATE_TEST_SUITE_P(Logind, Sleep, ::testing::Values(Hibernate, Standby), ActionName);

// --- no bus at all ------------------------------------------------------------------------

TEST(LogindWithoutBus, UnreachableBusRefusesShutdownAndLetsSleepPass) {
    ASSERT_TRUE(systemBusLeadsNowhere);
    ASSERT_EQ(setenv("DBUS_SYSTEM_BUS_ADDRESS", NowhereBus, 1), 0);
    LogindPower logind(std::chrono::seconds(10));
    PowerActions power(logind, "nodreld");
    for (const int flags : {12, 6, 5}) {
        SCOPED_TRACE(flags);
        const PowerError error = ErrorOf([&] { power.ShutdownSystem(flags); });
        EXPECT_EQ(error.number, ErrShutdownFailed);
        const std::string description = error.what();
        const std::string prefix = "ShutdownSystem failed: ";
        EXPECT_EQ(description.rfind(prefix, 0), 0u) << description;
        EXPECT_GT(description.size(), prefix.size()) << "the reason is missing";
    }
    const auto start = Clock::now();
    EXPECT_TRUE(power.HibernateSystem());
    EXPECT_TRUE(power.StandbySystem());
    EXPECT_LT(SecondsSince(start), 2.0);
}

// --- the message itself ---------------------------------------------------------------------

// A bus object on one end of a socket pair: enough to build messages without any daemon.
class UnconnectedBus : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
        ASSERT_GE(sd_bus_new(&bus), 0);
        ASSERT_GE(sd_bus_set_fd(bus, fds[0], fds[0]), 0);
        ASSERT_GE(sd_bus_start(bus), 0);
    }
    void TearDown() override {
        sd_bus_close_unref(bus);  // closes fds[0]
        close(fds[1]);
    }
    sd_bus* bus = nullptr;
    int fds[2] = {-1, -1};
};

TEST_F(UnconnectedBus, NewLogindCallIsTheManagerMethodWithOneBooleanFalse) {
    const std::pair<PowerCall, const char*> calls[] = {
        {PowerCall::PowerOff, "PowerOff"}, {PowerCall::Reboot, "Reboot"},
        {PowerCall::Halt, "Halt"},         {PowerCall::Hibernate, "Hibernate"},
        {PowerCall::Suspend, "Suspend"},
    };
    for (const auto& [call, member] : calls) {
        SCOPED_TRACE(member);
        sd_bus_message* m = nullptr;
        ASSERT_GE(nodrel::linux_platform::NewLogindCall(bus, call, &m), 0);
        ASSERT_NE(m, nullptr);
        EXPECT_STREQ(sd_bus_message_get_signature(m, 1), "b");
        EXPECT_STREQ(sd_bus_message_get_destination(m), "org.freedesktop.login1");
        EXPECT_STREQ(sd_bus_message_get_path(m), "/org/freedesktop/login1");
        EXPECT_STREQ(sd_bus_message_get_interface(m), "org.freedesktop.login1.Manager");
        EXPECT_STREQ(sd_bus_message_get_member(m), member);
        std::uint8_t type = 0;
        EXPECT_GE(sd_bus_message_get_type(m, &type), 0);
        EXPECT_EQ(type, SD_BUS_MESSAGE_METHOD_CALL);
        EXPECT_EQ(sd_bus_message_get_expect_reply(m), 1);
        // Nobody is there to answer a password prompt.
        EXPECT_EQ(sd_bus_message_get_allow_interactive_authorization(m), 0);

        ASSERT_GE(sd_bus_message_seal(m, 1, 0), 0);
        int interactive = -1;
        EXPECT_EQ(sd_bus_message_read(m, "b", &interactive), 1);
        EXPECT_EQ(interactive, 0);
        EXPECT_GT(sd_bus_message_at_end(m, 1), 0);
        sd_bus_message_unref(m);
    }
}

}  // namespace
