// LogindPower and PowerActions against a real message bus: a private dbus-daemon with a
// stand-in for systemd-logind on it, driven through tests/support/private_logind.py. The
// system bus address of this process always leads to that private bus or to nowhere.
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/linux/logind_power.h"
#include "shutdown/power_actions.h"

namespace {

using nodrel::PowerActions;
using nodrel::PowerCall;
using nodrel::PowerError;
using nodrel::linux_platform::LogindPower;
using Clock = std::chrono::steady_clock;
using std::chrono::seconds;

// Where LogindPower is sent whenever no private bus is meant: a socket that cannot exist.
constexpr const char* NowhereBus = "unix:path=/nonexistent/nodrel-test-bus";
const bool systemBusLeadsNowhere = setenv("DBUS_SYSTEM_BUS_ADDRESS", NowhereBus, 1) == 0;

// Runs the harness: its output without the line end; its stderr goes to the test's.
std::string Harness(const std::vector<std::string>& arguments, int& status) {
    std::string command = "/usr/bin/python3 '" NODREL_PRIVATE_LOGIND "'";
    for (const auto& argument : arguments) {
        command += " '" + std::regex_replace(argument, std::regex("'"), "'\\''") + "'";
    }
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) throw std::runtime_error("cannot run " + command);
    std::string out;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    const int ended = pclose(pipe);
    status = WIFEXITED(ended) ? WEXITSTATUS(ended) : -1;
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

// What PowerCalls() gives after one call with false of each method named (twice if twice).
std::string CallsOf(const std::vector<std::string>& called) {
    std::string text;
    for (const std::string m : {"Halt", "Hibernate", "PowerOff", "Reboot", "Suspend"}) {
        text += (text.empty() ? "{\"" : ", \"") + m + "\": [";
        for (int n = 0; n < std::count(called.begin(), called.end(), m); ++n) {
            text += n ? ", [false]" : "[false]";
        }
        text += "]";
    }
    return text + "}";
}

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
bool Act(const std::string& method, seconds resumeBound = seconds(10)) {
    LogindPower logind(resumeBound);
    PowerActions power(logind, "nodreld");
    if (method == "Hibernate") return power.HibernateSystem();
    if (method == "Suspend") return power.StandbySystem();
    return power.ShutdownSystem(method == "PowerOff" ? 12 : method == "Reboot" ? 6 : 5);
}

// Each test has a private bus and stand-in of its own; while it runs, the system bus of this
// process is the private one.
class Logind : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(systemBusLeadsNowhere);
        // The bus and the stand-in outlive the command that starts them; as their adoptive
        // parent this process reaps them once they have been ended.
        prctl(PR_SET_CHILD_SUBREAPER, 1);
        int status = 0;
        const std::string out =
            Harness({"start", "--owner", std::to_string(getpid()), "--lifetime", "300"}, status);
        if (status == 77) GTEST_SKIP() << "dbus-daemon or python3-dbusmock is not installed";
        std::smatch folder, address;
        ASSERT_TRUE(status == 0 &&
                    std::regex_search(out, folder, std::regex(R"re("folder": "([^"]+)")re")) &&
                    std::regex_search(out, address, std::regex(R"re("address": "([^"]+)")re")))
            << out;
        folder_ = folder.str(1);
        ASSERT_TRUE(address.str(1).starts_with("unix:path=" + folder_ + "/")) << out;
        ASSERT_EQ(setenv("DBUS_SYSTEM_BUS_ADDRESS", address.str(1).c_str(), 1), 0);
    }
    // Ends both and removes the session folder; the system bus leads nowhere again.
    void TearDown() override {
        setenv("DBUS_SYSTEM_BUS_ADDRESS", NowhereBus, 1);
        if (!folder_.empty()) Control({"stop"});
        while (waitpid(-1, nullptr, WNOHANG) > 0) {
        }
    }
    // The calls of the five power methods as the harness prints them, e.g.
    // {"Halt": [], "Hibernate": [], "PowerOff": [[false]], "Reboot": [], "Suspend": []}.
    std::string PowerCalls() const { return Control({"calls"}); }
    // From now on `method` answers with this D-Bus error carrying this text.
    void Fail(const std::string& method, const std::string& error, const std::string& text) const {
        Control({"fail", method, error, text});
    }
    // Hibernate or Suspend announces the resume so many seconds after the sleep (0: before
    // its reply; nullopt: never).
    void ResumeAfter(const std::string& method, std::optional<double> after) const {
        Control({"resume", method, after ? std::to_string(*after) : "never"});
    }
    std::string Control(std::vector<std::string> arguments) const {
        arguments.insert(arguments.begin() + 1, folder_);
        int status = 0;
        std::string out = Harness(arguments, status);
        if (status != 0) throw std::runtime_error("harness " + arguments[0] + " failed");
        return out;
    }

    std::string folder_;
};

TEST_F(Logind, EachActionReachesItsMethodOnceWithInteractiveFalse) {
    LogindPower logind;
    PowerActions power(logind, "nodreld");
    for (const int flags : {32, -1}) {
        const PowerError error = ErrorOf([&] { power.ShutdownSystem(flags); });
        EXPECT_EQ(error.number, 0x8004062Fu);
        EXPECT_EQ(error.what(), "Invalid parameter to ShutdownSystem: " + std::to_string(flags));
    }
    std::vector<std::string> called;
    EXPECT_EQ(PowerCalls(), CallsOf(called)) << "flags out of range call nothing";
    for (const char* method : {"PowerOff", "Reboot", "Halt", "Hibernate", "Suspend"}) {
        EXPECT_TRUE(Act(method)) << method;
        called.push_back(method);
        EXPECT_EQ(PowerCalls(), CallsOf(called));
    }
}

TEST_F(Logind, EachRefusalRaisesItsNumberAndDescriptionWithoutARetry) {
    const std::string denied = "org.freedesktop.DBus.Error.AccessDenied";
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
        {"Reboot", denied.c_str(), "No entry", 0x8004062E, notAuthorised + "No entry]"},
        {"Halt", "org.freedesktop.DBus.Error.Failed", "No halt today", 0x8004062B,
         "ShutdownSystem failed: No halt today"},
        {"PowerOff", "org.freedesktop.login1.OperationInProgress", "There's already one",
         0x8004062B, "ShutdownSystem failed: There's already one"},
        {"Hibernate", denied.c_str(), "Not for you", 0x8004062E, notAuthorised + "Not for you]"},
        {"Suspend", denied.c_str(), "Not for you", 0x8004062E, notAuthorised + "Not for you]"},
    };
    std::vector<std::string> called;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        Fail(c.method, c.error, c.message);
        const PowerError error = ErrorOf([&] { Act(c.method); });
        EXPECT_EQ(error.number, c.number);
        EXPECT_EQ(error.source, "nodreld.mShutDown");
        EXPECT_EQ(error.what(), c.description);
        called.push_back(c.method);
        EXPECT_EQ(PowerCalls(), CallsOf(called)) << "one call, no retry";
    }
}

// Hibernate and standby return after PrepareForSleep(false), or when the wait's bound is
// reached; any refusal but a missing authorisation returns at once.
TEST_F(Logind, SleepReturnsAfterTheResumeSignalOrAtItsBound) {
    const struct {
        const char* what;
        std::function<void(const std::string&)> prepare;
        int bound;
        double atLeast, below;
    } cases[] = {
        {"resume after a second", [&](const auto& m) { ResumeAfter(m, 1.0); }, 10, 0.9, 5.0},
        {"resume before the reply", [&](const auto& m) { ResumeAfter(m, 0.0); }, 10, 0.0, 3.0},
        {"PrepareForSleep(true) only", [&](const auto& m) { ResumeAfter(m, std::nullopt); }, 2,
         1.9, 5.0},
        {"refused for another reason",
         [&](const auto& m) { Fail(m, "org.freedesktop.login1.OperationInProgress", "Busy"); },
         10, 0.0, 2.0},
    };
    std::vector<std::string> called;
    for (const std::string method : {"Hibernate", "Suspend"}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(method + ", " + c.what);
            c.prepare(method);
            const auto start = Clock::now();
            EXPECT_TRUE(Act(method, seconds(c.bound)));
            EXPECT_GE(SecondsSince(start), c.atLeast);
            EXPECT_LT(SecondsSince(start), c.below);
            called.push_back(method);
            EXPECT_EQ(PowerCalls(), CallsOf(called));
        }
    }
}

TEST(LogindWithoutBus, UnreachableBusRefusesShutdownAndLetsSleepPass) {
    ASSERT_TRUE(systemBusLeadsNowhere);
    ASSERT_EQ(setenv("DBUS_SYSTEM_BUS_ADDRESS", NowhereBus, 1), 0);
    for (const char* method : {"PowerOff", "Reboot", "Halt"}) {
        const PowerError error = ErrorOf([&] { Act(method); });
        EXPECT_EQ(error.number, 0x8004062Bu);
        EXPECT_TRUE(std::string(error.what()).starts_with("ShutdownSystem failed: Cannot reach"))
            << error.what();
    }
    const auto start = Clock::now();
    EXPECT_TRUE(Act("Hibernate"));
    EXPECT_TRUE(Act("Suspend"));
    EXPECT_LT(SecondsSince(start), 2.0);
}

// Built on a bus object over one end of a socket pair: no daemon is needed. (The private bus
// proves the destination, path and interface.)
TEST(LogindCall, IsTheMethodWithOneBooleanFalseAndNoPasswordPrompt) {
    int fds[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    sd_bus* bus = nullptr;
    ASSERT_GE(sd_bus_new(&bus), 0);
    ASSERT_GE(sd_bus_set_fd(bus, fds[0], fds[0]), 0);
    ASSERT_GE(sd_bus_start(bus), 0);
    const std::pair<PowerCall, const char*> calls[] = {
        {PowerCall::PowerOff, "PowerOff"}, {PowerCall::Reboot, "Reboot"}, {PowerCall::Halt, "Halt"},
        {PowerCall::Hibernate, "Hibernate"}, {PowerCall::Suspend, "Suspend"}};
    for (const auto& [call, member] : calls) {
        sd_bus_message* m = nullptr;
        ASSERT_GE(nodrel::linux_platform::NewLogindCall(bus, call, &m), 0);
        EXPECT_STREQ(sd_bus_message_get_signature(m, 1), "b");
        EXPECT_STREQ(sd_bus_message_get_member(m), member);
        EXPECT_EQ(sd_bus_message_get_allow_interactive_authorization(m), 0);
        ASSERT_GE(sd_bus_message_seal(m, 1, 0), 0);
        int interactive = -1;
        EXPECT_EQ(sd_bus_message_read(m, "b", &interactive), 1);
        EXPECT_EQ(interactive, 0) << member;
        sd_bus_message_unref(m);
    }
    sd_bus_close_unref(bus);  // closes fds[0]
    close(fds[1]);
}

}  // namespace
