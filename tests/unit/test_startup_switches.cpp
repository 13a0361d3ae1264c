// The command line's accepted forms, the information requests and the one-instance guard.
#include <gtest/gtest.h>

#include <random>

#include "app/startup.h"
#include "fakes.h"
#ifdef _WIN32
#include "platform/windows/mutex_guard.h"
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

// Only the accepted forms run, each with its switches; any other command line ends the start
// with status 1 and the usage, and a front end's own forms join the common ones.
TEST(CommandLine, OnlyTheAcceptedFormsRun) {
    constexpr std::optional<int> Runs, Refused = 1;
    const std::tuple<const char*, std::optional<int>, bool, bool> cases[] = {
        // clang-format off
        {"", Runs, false, false}, {"-InhibitShutdown", Runs, false, true},
        {"-AllowMulti", Runs, true, false}, {"-InhibitShutdown -AllowMulti", Runs, true, true},
        {"--help", 0, false, false}, {"--version", 0, false, false},
        {"-AllowMulti -InhibitShutdown", Refused, false, false},
        {"--InhibitShutdown", Refused, false, false}, {"-inhibitshutdown", Refused, false, false},
        {"-allowmulti", Refused, false, false}, {"-InhibitShutdownX", Refused, false, false},
        {"x -AllowMulti", Refused, false, false}, {" -InhibitShutdown", Refused, false, false},
        {"-InhibitShutdown  -AllowMulti", Refused, false, false},
        {"-AllowMulti -AllowMulti", Refused, false, false}, {"--service", Refused, false, false},
        {"--help -AllowMulti", Refused, false, false}, {"--Version", Refused, false, false}};
    // clang-format on
    for (const auto& [line, endStatus, allowMulti, inhibit] : cases) {
        const char* argv[] = {"/usr/sbin/nodreld", line};
        const StartUp start = BeginStartUp(*line ? 2 : 1, argv, "nodreld", "x");
        EXPECT_EQ(start.endStatus, endStatus) << line;
        EXPECT_EQ(std::pair(start.switches.allowMulti, start.switches.inhibitShutdown),
                  std::pair(allowMulti, inhibit))
            << line;
        EXPECT_EQ(ReadSwitches(line).inhibitShutdown, inhibit) << line;
        if (endStatus != Refused) continue;
        EXPECT_EQ(start.answer, "nodreld: not an accepted command line: \"" + std::string(line) +
                                    "\"\n\n" + Usage("nodreld", "x"));
    }
    const CommandLineForm service[] = {{"--service", {}}};
    const char* argv[] = {"nodreld.exe", "--service"};
    EXPECT_FALSE(BeginStartUp(2, argv, "nodreld", "x", service).endStatus);
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

// --version and --help answer with the version and the usage.
TEST(InformationRequest, OnlyTheWholeCommandLineAsks) {
    EXPECT_EQ(InformationRequest("--version", "nodreld", "x"), "nodreld 5.5\n");
    const auto help = InformationRequest("--help", "nodrel", "Watches the load.");
    ASSERT_EQ(help, Usage("nodrel", "Watches the load."));
    EXPECT_NE(help->find("Usage: nodrel [-InhibitShutdown] [-AllowMulti]"), std::string::npos);
    EXPECT_NE(help->find("Watches the load."), std::string::npos);
    EXPECT_NE(help->find("folder that holds " + std::string(testing::kConfigFileShown) + ";"),
              std::string::npos);
}

}  // namespace
}  // namespace nodrel
