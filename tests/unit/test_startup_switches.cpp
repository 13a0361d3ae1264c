// The command line's accepted forms and the one-instance guard.
#include <gtest/gtest.h>

#include <random>

#include "app/startup.h"
#include "fakes.h"
#ifdef _WIN32
#include "platform/windows/instance_guard.h"
#else
#include "platform/linux/instance_guard.h"
#endif

namespace nodrel {
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

}  // namespace
}  // namespace nodrel
