// LogindPower and PowerActions against a private dbus-daemon with a logind stand-in
// (tests/support/private_logind.py); this process's system bus is that bus or nowhere.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/linux/logind_power.h"
#include "shutdown/power_actions.h"

namespace {

using nodrel::PowerActions;
using nodrel::PowerError;
using nodrel::linux_platform::LogindPower;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::seconds;

// Where LogindPower is sent whenever no private bus is meant: a socket that cannot exist.
constexpr const char* kNowhereBus = "unix:path=/nonexistent/nodrel-test-bus";
const bool systemBusLeadsNowhere = setenv("DBUS_SYSTEM_BUS_ADDRESS", kNowhereBus, 1) == 0;

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

// Runs the action that reaches logind's `method` as the countdown asks for it.
bool Act(const std::string& method, seconds resumeBound = seconds(10),
         std::function<bool()> stopRequested = {},
         milliseconds answerBound = LogindPower::kDefaultAnswerBound) {
    LogindPower logind(resumeBound, answerBound);
    logind.stopRequested = std::move(stopRequested);
    PowerActions power(logind, "nodreld");
    if (method == "Hibernate") return power.HibernateSystem();
    if (method == "Suspend") return power.StandbySystem();
    return power.ShutdownSystem(method == "PowerOff" ? 12 : method == "Reboot" ? 6 : 5);
}

// Each test has a private bus and stand-in of its own, which end when their socket closes,
// also when the test crashes; while it runs, the system bus of this process is the private one.
class Logind : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(systemBusLeadsNowhere);
        int fds[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
        if ((pid_ = fork()) == 0) {
            dup2(fds[1], 0);
            dup2(fds[1], 1);
            execl("/usr/bin/python3", "python3", NODREL_PRIVATE_LOGIND, nullptr);
            _exit(127);
        }
        close(fds[1]);
        fd_ = fds[0];
        const std::string address = Line();
        if (address.empty() && Stop() == 77) GTEST_SKIP() << "no dbus-daemon or python3-dbusmock";
        ASSERT_TRUE(address.starts_with("unix:path=") &&
                    address.find("/nodrel-private-bus-") != std::string::npos)
            << address;
        ASSERT_EQ(setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1), 0);
    }
    void TearDown() override {
        setenv("DBUS_SYSTEM_BUS_ADDRESS", kNowhereBus, 1);
        Stop();
    }
    int Stop() {
        int status = 0;
        if (pid_ > 0 && close(fd_) == 0 && waitpid(pid_, &status, 0) == pid_) pid_ = 0;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string Line() {
        std::string line;
        for (char c; read(fd_, &c, 1) == 1 && c != '\n';) line += c;
        return line;
    }
    // One command to the stand-in ("calls", "fail", "resume"), its answer.
    std::string Ask(const std::vector<std::string>& words) {
        std::string line;
        for (const auto& word : words) line += (line.empty() ? "" : "\t") + word;
        line += '\n';
        EXPECT_EQ(write(fd_, line.data(), line.size()), static_cast<ssize_t>(line.size()));
        return Line();
    }
    // The stand-in has seen, after the calls before, one call of `method` with false.
    void ExpectCalled(const std::string& method) {
        called_ += (called_.empty() ? "" : " ") + method + "(false)";
        EXPECT_EQ(Ask({"calls"}), called_);
    }

    std::string called_;
    pid_t pid_ = 0;
    int fd_ = -1;
};

// Each action calls its own method once with interactive=false, a boolean (the stand-in
// refuses any other type, as logind does), and never lets logind prompt; bad flags call
// nothing.
TEST_F(Logind, EachActionReachesItsMethodOnceWithInteractiveFalse) {
    LogindPower logind;
    PowerActions power(logind, "nodreld");
    for (const int flags : {32, -1}) {
        const PowerError error = ErrorOf([&] { power.ShutdownSystem(flags); });
        EXPECT_EQ(error.number, 0x8004062Fu);
        EXPECT_EQ(error.what(), "Invalid parameter to ShutdownSystem: " + std::to_string(flags));
    }
    EXPECT_EQ(Ask({"calls"}), "");
    for (const std::string method : {"PowerOff", "Reboot", "Halt", "Hibernate", "Suspend"}) {
        EXPECT_TRUE(Act(method)) << method;
        ExpectCalled(method);
    }
    // The stand-in cannot see the flag that would let logind prompt for a password.
    sd_bus* bus = nullptr;
    ASSERT_GE(sd_bus_open_system(&bus), 0);
    sd_bus_message* m = nullptr;
    ASSERT_GE(nodrel::linux_platform::NewLogindCall(bus, nodrel::PowerCall::PowerOff, &m), 0);
    EXPECT_EQ(sd_bus_message_get_allow_interactive_authorization(m), 0);
    sd_bus_message_unref(m);
    sd_bus_flush_close_unref(bus);
}

// A missing authorisation and any other refusal each raise their number, for shutdown and
// sleep alike, after a single call.
TEST_F(Logind, EachRefusalRaisesItsNumberAndDescriptionWithoutARetry) {
    const std::string notAuthorised =
        "Can't enable shutdown: You do not have the privileges to shutdown this system. [";
    const struct {
        const char *method, *error, *message;
        std::uint32_t number;
        std::string description;
    } cases[] = {
        {"PowerOff", "org.freedesktop.DBus.Error.InteractiveAuthorizationRequired",
         "Interactive authentication required.", 0x8004062E,
         notAuthorised + "Interactive authentication required.]"},
        {"Halt", "org.freedesktop.login1.OperationInProgress", "There's already one", 0x8004062B,
         "ShutdownSystem failed: There's already one"},
        {"Suspend", "org.freedesktop.DBus.Error.AccessDenied", "Not for you", 0x8004062E,
         notAuthorised + "Not for you]"},
        {"Hibernate", "org.freedesktop.login1.SleepVerbNotSupported",
         "Sleep verb \"hibernate\" not supported", 0x8004062B,
         "ShutdownSystem failed: Sleep verb \"hibernate\" not supported"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        Ask({"fail", c.method, c.error, c.message});
        const PowerError error = ErrorOf([&] { Act(c.method); });
        EXPECT_EQ(error.number, c.number);
        EXPECT_EQ(error.source, "nodreld.mShutDown");
        EXPECT_EQ(error.what(), c.description);
        ExpectCalled(c.method);  // once: no retry
    }
}

void Interrupted(int) {}

// Hibernate and standby return after PrepareForSleep(false) or when the wait's bound is
// reached, also when a signal interrupts the wait; a stop request ends it within a second.
TEST_F(Logind, SleepWaitsForTheResumeItsBoundOrAStopRequest) {
    struct sigaction alarm {};
    alarm.sa_handler = &Interrupted;  // without SA_RESTART: the wait sees EINTR
    ASSERT_EQ(sigaction(SIGALRM, &alarm, nullptr), 0);
    const struct {
        const char *method, *resume;
        int bound;
        double signalAt, stopAt;  // 0: none
        bool resumed;
        double atLeast, below;
    } cases[] = {
        {"Hibernate", "1.0", 10, 0, 0, true, 0.9, 5.0},  // resume a second after the sleep
        {"Suspend", "0", 10, 0, 0, true, 0.0, 3.0},      // resume before the reply
        {"Hibernate", "never", 2, 0, 0, true, 1.9, 5.0},
        {"Suspend", "1.0", 10, 0.3, 0, true, 0.9, 5.0},
        {"Hibernate", "never", 10, 0, 1.0, false, 0.9, 2.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.method) + c.resume + " signal " + std::to_string(c.signalAt) +
                     " stop " + std::to_string(c.stopAt));
        Ask({"resume", c.method, c.resume});
        if (c.signalAt > 0) ualarm(static_cast<useconds_t>(c.signalAt * 1e6), 0);
        const auto start = Clock::now();
        const auto stop = [&] { return c.stopAt > 0 && SecondsSince(start) >= c.stopAt; };
        EXPECT_EQ(Act(c.method, seconds(c.bound), stop), c.resumed);
        EXPECT_GE(SecondsSince(start), c.atLeast);
        EXPECT_LT(SecondsSince(start), c.below);
        ExpectCalled(c.method);
    }
}

// A logind that does not answer: a refusal once the bound has passed, or Stopped within a
// second of a stop request.
TEST_F(Logind, UnansweredCallIsRefusedAfterItsBoundOrStoppedOnRequest) {
    Ask({"stall", "Reboot", "1.5"});
    auto start = Clock::now();
    EXPECT_STREQ(ErrorOf([&] { Act("Reboot", seconds(10), {}, milliseconds(500)); }).what(),
                 "ShutdownSystem failed: systemd-logind did not answer within 0.5 s");
    EXPECT_GE(SecondsSince(start), 0.5);
    ExpectCalled("Reboot");
    start = Clock::now();
    EXPECT_FALSE(Act("Reboot", seconds(10), [&] { return SecondsSince(start) >= 0.3; }));
    EXPECT_LT(SecondsSince(start), 1.3);
    ExpectCalled("Reboot");
}

// Without a way to hear the resume a sleep, and without a bus shutdown and sleep alike, are
// refused before logind is asked.
TEST_F(Logind, ActionThatCannotReachLogindOrWatchForTheResumeIsRefusedUncalled) {
    ASSERT_EQ(Ask({"matches", "0"}), "ok");
    const std::pair<std::string, std::string> cases[] = {
        {"Suspend", "Cannot watch"}, {"Reboot", "Cannot reach"}, {"Suspend", "Cannot reach"}};
    for (const auto& [method, why] : cases) {
        if (why == "Cannot reach") setenv("DBUS_SYSTEM_BUS_ADDRESS", kNowhereBus, 1);
        const PowerError error = ErrorOf([&] { Act(method); });
        EXPECT_EQ(error.number, 0x8004062Bu);
        EXPECT_TRUE(std::string(error.what()).starts_with("ShutdownSystem failed: " + why))
            << error.what();
    }
    EXPECT_EQ(Ask({"calls"}), "");
}

}  // namespace
