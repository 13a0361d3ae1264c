#pragma once
// The Windows event log, where a service's messages go: nobody sees its message boxes.
#include <windows.h>

#include <string>

namespace nodrel::windows_platform {

// The source the entries are written under; the service's installation registers it.
inline constexpr const wchar_t* kEventSource = L"Nodrel";
// The one message of nodreld.exe's message table: "%1", the whole text.
inline constexpr DWORD kEventTextId = 1;

struct EventLogEntry {
    WORD type = EVENTLOG_INFORMATION_TYPE;
    std::wstring text;
};

// A message box as an entry: its title, a line break, its text; an error for a critical
// box, a warning for an exclamation, otherwise information.
EventLogEntry EntryForMessage(int style, const std::string& title, const std::string& text);

class EventLog {
public:
    virtual ~EventLog() = default;
    virtual void Report(const EventLogEntry& entry) = 0;
};

// The system's Application log, under kEventSource.
class SystemEventLog : public EventLog {
public:
    SystemEventLog() : source_(RegisterEventSourceW(nullptr, kEventSource)) {}
    ~SystemEventLog() override;
    SystemEventLog(const SystemEventLog&) = delete;
    SystemEventLog& operator=(const SystemEventLog&) = delete;

    void Report(const EventLogEntry& entry) override;

private:
    HANDLE source_;
};

}  // namespace nodrel::windows_platform
