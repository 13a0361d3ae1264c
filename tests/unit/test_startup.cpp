// The start: the command line's accepted forms, the one-instance guard, and the failures
// that end the program (an out-of-range file and a missing log folder from outside:
// e2e/test_nodreld.py).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "app/startup.h"
#include "fakes.h"
#ifdef _WIN32
#include "platform/windows/instance_guard.h"
#else
#include "platform/linux/instance_guard.h"
#endif

namespace nodrel::testing {
namespace {

#ifdef _WIN32
using PlatformGuard = windows_platform::MutexGuard;
#else
using PlatformGuard = linux_platform::AbstractSocketGuard;
#endif

StartUp StartWith(const char* line, std::span<const CommandLineForm> extraForms = {}) {
    const char* argv[] = {"/usr/sbin/nodreld", line};
    return BeginStartUp(*line ? 2 : 1, argv, "nodreld", "Watches the load.", extraForms);
}

// Only the accepted forms run, each with its switches (M: -AllowMulti, I: -InhibitShutdown),
// and --help and --version answer; any other command line ends the start with status 1, why
// and the usage. A front end's own forms join the common ones.
TEST(CommandLine, OnlyTheAcceptedFormsRun) {
    const std::string usage = StartWith("--help").answer;
    EXPECT_TRUE(usage.starts_with("Usage: nodreld [-InhibitShutdown] [-AllowMulti]\nWatches"));
    const std::tuple<const char*, std::optional<int>, std::string, std::string> cases[] = {
        // clang-format off
        {"", {}, "", ""}, {"-InhibitShutdown", {}, "I", ""}, {"-AllowMulti", {}, "M", ""},
        {"-InhibitShutdown -AllowMulti", {}, "MI", ""}, {"--help", 0, "", usage},
        {"--version", 0, "", "nodreld 5.5\n"}};
    // clang-format on
    for (const auto& [line, endStatus, switches, answer] : cases) {
        const StartUp start = StartWith(line);
        EXPECT_EQ(start.endStatus, endStatus) << line;
        EXPECT_EQ(std::string(start.switches.allowMulti ? "M" : "") +
                      (start.switches.inhibitShutdown ? "I" : ""),
                  switches)
            << line;
        EXPECT_EQ(ReadSwitches(line).inhibitShutdown, switches.ends_with("I")) << line;
        EXPECT_EQ(start.answer, answer);
    }
    for (const char* line :
         {"-AllowMulti -InhibitShutdown", "--InhibitShutdown", "-inhibitshutdown", "-allowmulti",
          "-InhibitShutdownX", " -InhibitShutdown", "-InhibitShutdown  -AllowMulti",
          "--help -AllowMulti", "--service"}) {
        const StartUp start = StartWith(line);
        EXPECT_EQ(start.endStatus, kStatusFailure) << line;
        EXPECT_FALSE(start.switches.allowMulti || start.switches.inhibitShutdown) << line;
        EXPECT_EQ(start.answer, "nodreld: not an accepted command line: \"" + std::string(line) +
                                    "\"\n\n" + usage);
    }
    const CommandLineForm service[] = {{"--service", {}}};
    EXPECT_FALSE(StartWith("--service", service).endStatus);
}

// The guard is held by its owner only, even one started with -AllowMulti, and released
// with it; only a copy without the switch gives way.
TEST(InstanceGuard, SecondHolderSeesTheFirstUntilItIsGone) {
    const std::string name = "NodrelTest" + std::to_string(std::random_device{}());
    auto first = std::make_unique<PlatformGuard>(name);
    EXPECT_FALSE(GiveWay(*first, ReadSwitches("-AllowMulti")));
    PlatformGuard second(name), third(name);
    EXPECT_TRUE(GiveWay(second, ReadSwitches("")));
    EXPECT_FALSE(GiveWay(third, ReadSwitches("-AllowMulti")));
    EXPECT_FALSE(first->AnotherInstance()) << "asking again while holding is no conflict";
    first.reset();
    EXPECT_FALSE(second.AnotherInstance());
}

namespace fs = std::filesystem;

// Each failure's box, then the end with status 1, the log never made or made again: no
// settings file, a folder where the log file belongs, the data folder gone between the read
// of the settings and its own check (here while the slave's port box is shown), the log file
// deleted while running (at the next line, the timer stopped first).
TEST(StartupFailure, EachEndsWithItsMessage) {
    const std::string terminate = "\r\nThe program will now terminate.";
    const struct {
        std::function<void(Rig&)> cause;
        ShownMessage box;
        std::vector<std::string> events;
    } cases[] = {
        {[](Rig& r) { r.program.Form_Load(""); },
         {16, "Nodrel Configuration File Error",
          "The configuration file is either missing or corrupted.\r\nReinstall the program to "
          "restore the file." +
              terminate},
         {"message", "tray remove", "end"}},
        {[](Rig& r) {
             fs::create_directory("Log/Nodrel.log");
             r.Start();
         },
         {48, "Nodrel Log File Error",
          "Unable to create the log file Nodrel.log.\r\nThis may be a permissions problem." +
              terminate},
         {"message", "tray remove", "end"}},
        {[](Rig& r) {
             r.link.bindWorks = false;
             r.effects.whileShown = [&r] { fs::remove_all("Data"); };
             r.Start({{"CMain", "2"}, {"IPAdd", "10.0.0.9"}});
         },
         {48, "Nodrel Slave Data Directory Error",
          "The data directory does not exist.\r\nTo restore the data directory\r\nreinstall the "
          "program." +
              terminate},
         {"message", "message", "tray remove", "end"}},
        {[](Rig& r) {
             r.Start({{"StartDelay", "5"}});
             fs::remove("Log/Nodrel.log");
             r.Seconds(1);
         },
         {48, "Nodrel Log File Error",
          "The log file is either missing or\r\ncorrupted. Delete the log file if\r\nit exists "
          "and restart the program." +
              terminate},
         {"timer off", "message", "tray remove", "end"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.box.title);
        Rig rig;
        c.cause(rig);
        EXPECT_EQ(rig.effects.messages.back(), c.box);
        EXPECT_EQ(std::ssize(rig.effects.messages), std::ranges::count(c.events, "message"));
        EXPECT_EQ(Last(rig.effects.events, std::ssize(c.events)), c.events);
        EXPECT_EQ(rig.program.EndStatus(), 1);
        EXPECT_FALSE(fs::is_regular_file("Log/Nodrel.log"));
    }
}

// SIGHUP or a close after a save re-reads the file: a broken one ends the program.
TEST(RunningFailure, ReloadOfABrokenFileEndsTheProgram) {
    Rig rig;
    ASSERT_TRUE(rig.Start());
    rig.folder.WriteConfig(ConfigText({{"LogPath", "Logs"}}));
    rig.program.ReloadSettings();
    EXPECT_EQ(rig.effects.ended, 1);
    EXPECT_EQ(rig.effects.messages.at(0).title, "Nodrel Configuration File Error");
    EXPECT_FALSE(rig.program.TimerEnabled());
}

}  // namespace
}  // namespace nodrel::testing
