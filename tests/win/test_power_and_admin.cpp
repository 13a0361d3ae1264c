// The shutdown privilege, the power calls and the administrator check against a stand-in
// for Win32 (for the refusals Wine never gives), and the accepted paths for real.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <tuple>

#include "fake_win32.h"
#include "platform/windows/admin_check.h"
#include "platform/windows/service_power.h"
#include "platform/windows/windows_power.h"

namespace nodrel::windows_platform {
namespace {

using testing::FakeWin32;

const std::vector<std::string> kPrivilegeCalls = {
    "LookupPrivilegeValue SeShutdownPrivilege", "GetCurrentProcess", "OpenProcessToken 0x28",
    "AdjustTokenPrivileges count 1 luid 19 attributes 2 length 16", "CloseHandle"};

// The console's calls, or the service's (InitiateShutdownW, as session 0 has no desktop).
std::unique_ptr<PowerBackend> BackendFor(bool service, Win32Api& api) {
    if (service) return std::make_unique<ServicePower>(api, "nodreld");
    return std::make_unique<WindowsPower>(api, "nodreld");
}

const std::function<bool(PowerActions&)> PowerOff = [](PowerActions& p) {
    return p.ShutdownSystem(ewx::kPowerOff | ewx::kForce);
};
const std::function<bool(PowerActions&)> Reboot = [](PowerActions& p) {
    return p.ShutdownSystem(ewx::kReboot | ewx::kForce);
};
const std::function<bool(PowerActions&)> Halt = [](PowerActions& p) {
    return p.ShutdownSystem(ewx::kShutdown | ewx::kForce);
};
const std::function<bool(PowerActions&)> Hibernate = [](PowerActions& p) {
    return p.HibernateSystem();
};
const std::function<bool(PowerActions&)> Standby = [](PowerActions& p) {
    return p.StandbySystem();
};

TEST(WindowsPower, EnablesThePrivilegeThenMakesTheCallOfTheAction) {
    const std::tuple<bool, std::function<bool(PowerActions&)>, std::string> cases[] = {
        {false, PowerOff, "ExitWindowsEx 12 0xFFFFFFFF"},
        {false, Reboot, "ExitWindowsEx 6 0xFFFFFFFF"},
        {false, Halt, "ExitWindowsEx 5 0xFFFFFFFF"},
        {false, Hibernate, "SetSuspendState 110"},
        {false, Standby, "SetSuspendState 010"},
        // Forcing the others and itself, planned.
        {true, PowerOff, "InitiateShutdown 0xB 0x80000000"},
        {true, Reboot, "InitiateShutdown 0x7 0x80000000"},
        {true, Halt, "InitiateShutdown 0x3 0x80000000"},
        {true, Hibernate, "SetSuspendState 110"},
        {true, Standby, "SetSuspendState 010"},
    };
    for (const auto& [service, action, call] : cases) {
        FakeWin32 api;
        const auto backend = BackendFor(service, api);
        PowerActions power(*backend, "nodreld");
        EXPECT_TRUE(action(power)) << call;
        auto expected = kPrivilegeCalls;
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
    bool service = false;
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
        // The service: the same privilege step, then InitiateShutdownW's own error code.
        {"AdjustTokenPrivileges", ERROR_ACCESS_DENIED, 0x8004062E,
         "Can't enable shutdown: You do not have the privileges to shutdown this system. "
         "[Access is denied.\r\n]",
         true},
        {"InitiateShutdown", ERROR_ACCESS_DENIED, 0x8004062B,
         "ShutdownSystem failed: Access is denied.\r\n", true},
    };
    for (const auto& refusal : cases) {
        FakeWin32 api;
        api.failing = refusal.failing;
        api.failingError = refusal.error;
        if (refusal.failing == "no process") {
            api.process = nullptr;
            api.failing = "GetCurrentProcess";
        }
        const auto backend = BackendFor(refusal.service, api);
        PowerActions power(*backend, "nodreld");
        try {
            power.ShutdownSystem(ewx::kPowerOff | ewx::kForce);
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
    for (const auto& action : {Hibernate, Standby}) {
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
