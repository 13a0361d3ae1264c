// The command line's two switches, the information requests and the one-instance guard.
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

// Each switch counts only in its place and its exact case.
TEST(Switches, PositionAndCaseDecide) {
    const std::tuple<const char*, bool, bool> cases[] = {
        // clang-format off
        {"-InhibitShutdown -AllowMulti", true, true},
        {"-AllowMulti -InhibitShutdown", false, false},
        {"-allowmulti", false, false}, {"-inhibitshutdown", false, false},
        {"-InhibitShutdownX", false, true}, {"x-AllowMulti", true, false},
        {" -InhibitShutdown", false, false}};
    // clang-format on
    for (const auto& [line, allowMulti, inhibit] : cases) {
        const Switches s = ReadSwitches(line);
        EXPECT_EQ(std::pair(s.allowMulti, s.inhibitShutdown), std::pair(allowMulti, inhibit))
            << line;
    }
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

// --version and --help answer only as the whole command line.
TEST(InformationRequest, OnlyTheWholeCommandLineAsks) {
    EXPECT_EQ(InformationRequest("--version", "nodreld", "x"), "nodreld 5.5\n");
    const auto help = InformationRequest("--help", "nodrel", "Watches the load.");
    ASSERT_TRUE(help);
    EXPECT_NE(help->find("Usage: nodrel [-InhibitShutdown] [-AllowMulti]"), std::string::npos);
    EXPECT_NE(help->find("Watches the load."), std::string::npos);
    EXPECT_NE(help->find("folder that holds " + std::string(testing::kConfigFileShown) + ";"),
              std::string::npos);
    for (const char* line : {"", "--help -AllowMulti", " --version", "--Version"}) {
        EXPECT_FALSE(InformationRequest(line, "nodreld", "x")) << line;
    }
}

}  // namespace
}  // namespace nodrel
