// The shutdown privilege, the power calls and the administrator check against a stand-in
// for Win32, for the refusals Wine never gives (the accepted paths for real: tests/win/e2e).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <tuple>

#include "fake_win32.h"
#include "platform/windows/admin_check.h"
#include "platform/windows/service_power.h"
#include "platform/windows/windows_power.h"

namespace nodrel::windows_platform {
namespace {

using testing::FakeWin32;

using Calls = std::vector<std::string>;
const Calls kAdminQueries = {"OpenProcessToken 0x20008", "GetTokenInformation 2 0",
                             "AllocateAndInitializeSid 5 2 32 544"};
const Calls kPrivilegeCalls = {
    "LookupPrivilegeValue SeShutdownPrivilege", "GetCurrentProcess", "OpenProcessToken 0x28",
    "AdjustTokenPrivileges count 1 luid 19 attributes 2 length 16", "CloseHandle"};

// The console's calls, or the service's (InitiateShutdownW, as session 0 has no desktop).
std::unique_ptr<PowerBackend> BackendFor(bool service, Win32Api& api) {
    if (service) return std::make_unique<ServicePower>(api, "nodreld");
    return std::make_unique<WindowsPower>(api, "nodreld");
}

// The action named in the cases.
bool Act(PowerActions& power, std::string_view action) {
    if (action == "Hibernate") return power.HibernateSystem();
    if (action == "Standby") return power.StandbySystem();
    const UINT how = action == "Reboot" ? ewx::kReboot
                     : action == "Halt" ? ewx::kShutdown
                                        : ewx::kPowerOff;
    return power.ShutdownSystem(how | ewx::kForce);
}

TEST(WindowsPower, EnablesThePrivilegeThenMakesTheCallOfTheAction) {
    const std::tuple<bool, const char*, std::string> cases[] = {
        {false, "PowerOff", "ExitWindowsEx 12 0xFFFFFFFF"},
        {false, "Reboot", "ExitWindowsEx 6 0xFFFFFFFF"},
        {false, "Halt", "ExitWindowsEx 5 0xFFFFFFFF"},
        {false, "Hibernate", "SetSuspendState 110"},
        {false, "Standby", "SetSuspendState 010"},
        // Forcing the others and itself, planned.
        {true, "PowerOff", "InitiateShutdown 0xB 0x80000000"},
        {true, "Reboot", "InitiateShutdown 0x7 0x80000000"},
        {true, "Halt", "InitiateShutdown 0x3 0x80000000"},
        {true, "Hibernate", "SetSuspendState 110"},
        {true, "Standby", "SetSuspendState 010"},
    };
    for (const auto& [service, action, call] : cases) {
        FakeWin32 api;
        const auto backend = BackendFor(service, api);
        PowerActions power(*backend, "nodreld");
        EXPECT_TRUE(Act(power, action)) << call;
        auto expected = kPrivilegeCalls;
        expected.push_back(call);
        EXPECT_EQ(api.calls, expected);
        EXPECT_EQ(api.openHandles, 0) << call;
    }
}

struct Refusal {
    std::string failing;
    std::uint32_t number;
    std::string description;
    bool service = false;
    const char* action = "PowerOff";
    DWORD error = ERROR_ACCESS_DENIED;
};

TEST(WindowsPower, EachRefusalRaisesItsErrorWithTheSystemsText) {
    const std::string denied = "ShutdownSystem failed: Access is denied.\r\n";
    const std::string noPrivileges =
        "Can't enable shutdown: You do not have the privileges to shutdown this system. "
        "[Access is denied.\r\n]";
    const Refusal cases[] = {
        {"LookupPrivilegeValue", 0x8004062C,
         "Can't enable shutdown: Can't find the SE_SHUTDOWN_NAME privilege value. "
         "[Access is denied.\r\n]"},
        {"GetCurrentProcess", 0x8004062D,
         "Can't enable shutdown: Can't determine the current process. [Access is denied.\r\n]"},
        {"OpenProcessToken", 0x8004062E, noPrivileges},
        {"AdjustTokenPrivileges", 0x8004062E, noPrivileges},
        {"ExitWindowsEx", 0x8004062B, denied},
        // A code the system has no text for.
        {"ExitWindowsEx", 0x8004062B, "ShutdownSystem failed: ", false, "PowerOff", 0xDEAD},
        // A refused hibernate or standby ends the program like a refused shutdown.
        {"SetSuspendState", 0x8004062B, denied, false, "Hibernate"},
        {"SetSuspendState", 0x8004062B, denied, false, "Standby"},
        // The service: the same privilege step, then InitiateShutdownW's own error code.
        {"AdjustTokenPrivileges", 0x8004062E, noPrivileges, true},
        {"InitiateShutdown", 0x8004062B, denied, true},
    };
    for (const auto& refusal : cases) {
        FakeWin32 api;
        api.failing = refusal.failing;
        api.failingError = refusal.error;
        const auto backend = BackendFor(refusal.service, api);
        PowerActions power(*backend, "nodreld");
        try {
            Act(power, refusal.action);
            ADD_FAILURE() << refusal.failing << " was not reported";
        } catch (const PowerError& error) {
            EXPECT_EQ(error.number, refusal.number) << refusal.failing;
            EXPECT_EQ(error.source, "nodreld.mShutDown");
            EXPECT_EQ(std::string(error.what()), refusal.description);
        }
        EXPECT_EQ(api.openHandles, 0) << refusal.failing;
    }
}

// The token opened for its groups, compared with the builtin Administrators by name.
TEST(IsAdmin, AGroupWithTheAdministratorsAccountName) {
    struct Case {
        std::vector<std::string> groups;
        std::string administratorsName;
        bool admin;
        std::string failing = "";
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
        // Every failure answers no.
        {{"Administrators"}, "Administrators", false, "GetCurrentProcess"},
        {{"Administrators"}, "Administrators", false, "OpenProcessToken"},
        {{"Administrators"}, "Administrators", false, "GetTokenInformation"},
        {{"Administrators"}, "Administrators", false, "AllocateAndInitializeSid"},
        {{"Administrators"}, "Administrators", false, "LookupAccountSid"},
    };
    for (const auto& c : cases) {
        FakeWin32 api;
        api.groups = c.groups;
        api.administratorsName = c.administratorsName;
        api.failing = c.failing;
        EXPECT_EQ(IsAdmin(api), c.admin) << ::testing::PrintToString(c.groups) << c.failing;
        EXPECT_THAT(api.calls,
                    ::testing::IsSupersetOf(c.failing.empty() ? kAdminQueries : Calls{}));
        EXPECT_EQ(api.openHandles, 0);
        EXPECT_EQ(api.liveSids, 0);
    }
}

}  // namespace
}  // namespace nodrel::windows_platform
