// The command line's two switches and the one-instance guard.
#include <gtest/gtest.h>

#include <random>

#include "app/command_line.h"
#include "platform/linux/instance_guard.h"

namespace nodrel {
namespace {

TEST(Switches, PositionAndCaseDecide) {
    const struct {
        const char* line;
        bool allowMulti, inhibit;
    } cases[] = {
        {"", false, false},           {"-InhibitShutdown -AllowMulti", true, true},
        {"-allowmulti", false, false}, {"-AllowMulti -InhibitShutdown", false, false},
        {"-InhibitShutdownX", false, true}, {"-inhibitshutdown", false, false},
        {"x-AllowMulti", true, false}, {" -InhibitShutdown", false, false},
    };
    for (const auto& c : cases) {
        const Switches s = ReadSwitches(c.line);
        EXPECT_EQ(s.allowMulti, c.allowMulti) << c.line;
        EXPECT_EQ(s.inhibitShutdown, c.inhibit) << c.line;
    }
}

TEST(Switches, ArgumentsJoinWithSingleBlanks) {
    const char* argv[] = {"nodreld", "-InhibitShutdown", "-AllowMulti"};
    EXPECT_EQ(JoinArguments(3, argv), "-InhibitShutdown -AllowMulti");
    EXPECT_EQ(JoinArguments(1, argv), "");
}

TEST(InstanceGuard, SecondHolderSeesTheFirstUntilItIsGone) {
    const std::string name = "NodrelTest" + std::to_string(std::random_device{}());
    auto first = std::make_unique<linux_platform::AbstractSocketGuard>(name);
    EXPECT_FALSE(first->AnotherInstance());
    EXPECT_FALSE(first->AnotherInstance()) << "asking again while holding is no conflict";
    linux_platform::AbstractSocketGuard second(name);
    EXPECT_TRUE(second.AnotherInstance());
    first.reset();
    EXPECT_FALSE(second.AnotherInstance()) << "released with its holder";
}

TEST(InformationRequest, OnlyTheWholeCommandLineAsks) {
    EXPECT_EQ(InformationRequest("--version", "nodreld", "x"), "nodreld 5.5\n");
    const auto help = InformationRequest("--help", "nodrel", "Watches the load.");
    ASSERT_TRUE(help);
    EXPECT_NE(help->find("Usage: nodrel [-InhibitShutdown] [-AllowMulti]"), std::string::npos);
    EXPECT_NE(help->find("Watches the load."), std::string::npos);
    for (const char* line : {"", "-InhibitShutdown", "--help -AllowMulti",
                             "-InhibitShutdown --help", " --version", "--Version"}) {
        EXPECT_FALSE(InformationRequest(line, "nodreld", "x")) << line;
    }
}

}  // namespace
}  // namespace nodrel
