// nodreld.exe's own parts: what the console's and the service manager's controls run in
// the core, through the event loop; what a service writes to the event log for a box.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <vector>

#include "fakes.h"
#include "frontends/console/controls_win32.h"
#include "frontends/console/service_win32.h"

namespace nodrel::console {
namespace {

TEST(Controls, EachReachesItsEntryPointThroughTheLoop) {
    const std::pair<std::optional<Control>, std::string> cases[] = {
        {ServiceControlFor(SERVICE_CONTROL_STOP), "Exit|Run"},
        {ServiceControlFor(SERVICE_CONTROL_SHUTDOWN), "Exit|Run"},
        {ServiceControlFor(SERVICE_CONTROL_PRESHUTDOWN), "Exit|Run"},
        {ServiceControlFor(SERVICE_CONTROL_PARAMCHANGE), "Config|Updated"},
        {ServiceControlFor(128), "Reset|Run"},
        {ServiceControlFor(129), "*Enter|Test"},
        {ConsoleControlFor(CTRL_C_EVENT), "Exit|Run"},
        {ConsoleControlFor(CTRL_CLOSE_EVENT), "Exit|Run"},
        {ConsoleControlFor(CTRL_BREAK_EVENT), "Reset|Run"},
        {ConsoleControlFor(CTRL_LOGOFF_EVENT), "Exit|Run"},
        {ConsoleControlFor(CTRL_SHUTDOWN_EVENT), "Exit|Run"},
    };
    for (const auto& [control, logged] : cases) {
        SCOPED_TRACE(logged);
        nodrel::testing::Rig rig;
        ASSERT_TRUE(rig.Start({{"StartDelay", "1"}}));
        rig.Seconds(2);
        ASSERT_TRUE(control.has_value());
        EventLoop loop;
        Connect(loop, rig.program);
        const std::size_t before = rig.folder.LogEvents().size();
        loop.Post(*control);
        loop.Run([&] { return rig.folder.LogEvents().size() > before; });
        EXPECT_EQ(rig.folder.LogEvents().at(before), logged);
    }
    for (const DWORD other :
         std::vector<DWORD>{SERVICE_CONTROL_INTERROGATE, SERVICE_CONTROL_PAUSE, 130}) {
        EXPECT_FALSE(ServiceControlFor(other)) << other;
    }
}

struct RecordingEventLog : windows_platform::EventLog {
    void Report(const windows_platform::EventLogEntry& entry) override { entries.push_back(entry); }
    std::vector<windows_platform::EventLogEntry> entries;
};

TEST(ServiceMessages, GoToTheEventLogAsTitleAndTextAndGetTheConsolesAnswer) {
    // The core asks a console no question (Effects::CanAsk): every box is answered OK.
    const std::pair<int, WORD> cases[] = {
        {box::kCritical, EVENTLOG_ERROR_TYPE},      {box::kCriticalYesNo, EVENTLOG_ERROR_TYPE},
        {box::kExclamation, EVENTLOG_WARNING_TYPE}, {box::kInformation, EVENTLOG_INFORMATION_TYPE},
        {box::kPlain, EVENTLOG_INFORMATION_TYPE},
    };
    for (const auto& [style, type] : cases) {
        std::FILE* errors = std::tmpfile();
        ConsoleEffects effects(errors);
        RecordingEventLog log;
        ReportMessagesTo(effects, log);
        EXPECT_EQ(effects.ShowMessage(style, "Nodrel Slave Port Error",
                                      "Port 10001\r\nd\xc3\xa9j\xc3\xa0"),
                  box::kAnswerOk);
        ASSERT_EQ(log.entries.size(), 1u);
        EXPECT_EQ(log.entries[0].type, type) << style;
        EXPECT_EQ(log.entries[0].text, L"Nodrel Slave Port Error\r\nPort 10001\r\nd\u00e9j\u00e0");
        std::fclose(errors);
    }
}

}  // namespace
}  // namespace nodrel::console
