// The shutdown privilege, the power calls and the administrator check against a stand-in
// for Win32 (for the refusals Wine never gives), and the accepted paths for real.
#include <gtest/gtest.h>

#include <functional>

#include "fake_win32.h"
#include "platform/windows/admin_token.h"
#include "platform/windows/windows_power.h"

namespace nodrel::windows_platform {
namespace {

using testing::FakeWin32;

const std::vector<std::string> PrivilegeCalls = {
    "LookupPrivilegeValue SeShutdownPrivilege", "GetCurrentProcess", "OpenProcessToken 0x28",
    "AdjustTokenPrivileges count 1 luid 19 attributes 2 length 16", "CloseHandle"};

TEST(WindowsPower, EnablesThePrivilegeThenMakesTheCallOfTheAction) {
    const std::pair<std::function<bool(PowerActions&)>, std::string> cases[] = {
        {[](PowerActions& p) { return p.ShutdownSystem(ewx::PowerOff | ewx::Force); },
         "ExitWindowsEx 12 0xFFFFFFFF"},
        {[](PowerActions& p) { return p.ShutdownSystem(ewx::Reboot | ewx::Force); },
         "ExitWindowsEx 6 0xFFFFFFFF"},
        {[](PowerActions& p) { return p.ShutdownSystem(ewx::Shutdown | ewx::Force); },
         "ExitWindowsEx 5 0xFFFFFFFF"},
        {[](PowerActions& p) { return p.HibernateSystem(); }, "SetSuspendState 110"},
        {[](PowerActions& p) { return p.StandbySystem(); }, "SetSuspendState 010"},
    };
    for (const auto& [action, call] : cases) {
        FakeWin32 api;
        WindowsPower backend(api, "nodreld");
        PowerActions power(backend, "nodreld");
        EXPECT_TRUE(action(power)) << call;
        auto expected = PrivilegeCalls;
        expected.push_back(call);
        EXPECT_EQ(api.calls, expected);
        EXPECT_EQ(api.openHandles, 0) << call;
    }
}

struct Refusal {
    std::string failing;
    DWORD error;
    std::uint32_t number;
    std::string description;
};

TEST(WindowsPower, EachRefusalRaisesItsErrorWithTheSystemsText) {
    const Refusal cases[] = {
        {"LookupPrivilegeValue", ERROR_ACCESS_DENIED, 0x8004062C,
         "Can't enable shutdown: Can't find the SE_SHUTDOWN_NAME privilege value. "
         "[Access is denied.\r\n]"},
        {"no process", ERROR_ACCESS_DENIED, 0x8004062D,
         "Can't enable shutdown: Can't determine the current process. [Access is denied.\r\n]"},
        {"OpenProcessToken", ERROR_ACCESS_DENIED, 0x8004062E,
         "Can't enable shutdown: You do not have the privileges to shutdown this system. "
         "[Access is denied.\r\n]"},
        {"AdjustTokenPrivileges", ERROR_ACCESS_DENIED, 0x8004062E,
         "Can't enable shutdown: You do not have the privileges to shutdown this system. "
         "[Access is denied.\r\n]"},
        {"ExitWindowsEx", ERROR_ACCESS_DENIED, 0x8004062B,
         "ShutdownSystem failed: Access is denied.\r\n"},
        // A code the system has no text for.
        {"ExitWindowsEx", 0xDEAD, 0x8004062B, "ShutdownSystem failed: "},
    };
    for (const auto& refusal : cases) {
        FakeWin32 api;
        api.failing = refusal.failing;
        api.failingError = refusal.error;
        if (refusal.failing == "no process") {
            api.process = nullptr;
            api.failing = "GetCurrentProcess";
        }
        WindowsPower backend(api, "nodreld");
        PowerActions power(backend, "nodreld");
        try {
            power.ShutdownSystem(ewx::PowerOff | ewx::Force);
            ADD_FAILURE() << refusal.failing << " was not reported";
        } catch (const PowerError& error) {
            EXPECT_EQ(error.number, refusal.number) << refusal.failing;
            EXPECT_EQ(error.source, "nodreld.mShutDown");
            EXPECT_EQ(std::string(error.what()), refusal.description);
        }
        EXPECT_EQ(api.openHandles, 0) << refusal.failing;
    }
}

// A refused hibernate or standby ends the program like a refused shutdown.
TEST(WindowsPower, ARefusedSuspendRaisesTheShutdownErrorWithTheSystemsText) {
    const std::function<bool(PowerActions&)> actions[] = {
        [](PowerActions& p) { return p.HibernateSystem(); },
        [](PowerActions& p) { return p.StandbySystem(); }};
    for (const auto& action : actions) {
        FakeWin32 api;
        api.failing = "SetSuspendState";
        WindowsPower backend(api, "nodreld");
        PowerActions power(backend, "nodreld");
        try {
            action(power);
            ADD_FAILURE() << "the refusal was not reported";
        } catch (const PowerError& error) {
            EXPECT_EQ(error.number, 0x8004062Bu);
            EXPECT_EQ(std::string(error.what()), "ShutdownSystem failed: Access is denied.\r\n");
        }
    }
}

TEST(WindowsPower, WineGrantsTheShutdownPrivilege) {
    RealWin32Api api;
    WindowsPower backend(api, "nodrel_windows_tests");
    EXPECT_EQ(backend.EnableShutdownPrivilege().kind, PowerOutcome::Kind::Done);
}

TEST(IsAdmin, AGroupWithTheAdministratorsAccountName) {
    struct Case {
        std::vector<std::string> groups;
        std::string administratorsName;
        bool admin;
    };
    const Case cases[] = {
        {{"Everyone", "Administrators", "Users"}, "Administrators", true},
        {{"Everyone", "Users"}, "Administrators", false},
        {{}, "Administrators", false},
        // Only names count, in the system's language, compared exactly.
        {{"Administratoren"}, "Administratoren", true},
        {{"Administrators"}, "Administratoren", false},
        {{"administrators", "Administrators "}, "Administrators", false},
        // A group whose name cannot be found matches nothing, the next one still counts.
        {{"", "Administrators"}, "Administrators", true},
    };
    for (const auto& c : cases) {
        FakeWin32 api;
        api.groups = c.groups;
        api.administratorsName = c.administratorsName;
        EXPECT_EQ(IsAdmin(api), c.admin) << ::testing::PrintToString(c.groups);
        EXPECT_EQ(api.openHandles, 0);
        EXPECT_EQ(api.liveSids, 0);
    }
}

TEST(IsAdmin, EveryFailureAnswersNo) {
    for (const char* failing : {"OpenProcessToken", "GetTokenInformation",
                                "AllocateAndInitializeSid", "LookupAccountSid", "no process"}) {
        FakeWin32 api;
        api.failing = failing;
        if (std::string(failing) == "no process") api.process = nullptr;
        EXPECT_FALSE(IsAdmin(api)) << failing;
        EXPECT_EQ(api.openHandles, 0) << failing;
        EXPECT_EQ(api.liveSids, 0) << failing;
    }
}

TEST(IsAdmin, AsksForTheTokensGroupsAndTheBuiltinAdministrators) {
    FakeWin32 api;
    ASSERT_TRUE(IsAdmin(api));
    const std::vector<std::string> expected = {"GetCurrentProcess",
                                               "OpenProcessToken 0x20008",
                                               "GetTokenInformation 2 0",
                                               "GetTokenInformation 2 56",
                                               "AllocateAndInitializeSid 5 2 32 544",
                                               "CloseHandle",
                                               "CloseHandle"};
    EXPECT_EQ(api.calls, expected);
}

TEST(IsAdmin, WinesUserIsAnAdministrator) {
    RealWin32Api api;
    EXPECT_TRUE(IsAdmin(api));
}

}  // namespace
}  // namespace nodrel::windows_platform
