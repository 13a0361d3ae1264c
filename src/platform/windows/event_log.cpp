#include "platform/windows/event_log.h"

#include "common/text.h"
#include "platform/windows/wide_text.h"

namespace nodrel::windows_platform {

namespace {

WORD TypeFor(int style) {
    if (style == box::kCritical || style == box::kCriticalYesNo) return EVENTLOG_ERROR_TYPE;
    if (style == box::kExclamation) return EVENTLOG_WARNING_TYPE;
    return EVENTLOG_INFORMATION_TYPE;
}

}  // namespace

EventLogEntry EntryForMessage(int style, const std::string& title, const std::string& text) {
    return {TypeFor(style), Wide(title + "\r\n" + text)};
}

SystemEventLog::~SystemEventLog() {
    if (source_) DeregisterEventSource(source_);
}

void SystemEventLog::Report(const EventLogEntry& entry) {
    if (source_ == nullptr) return;
    const wchar_t* strings[] = {entry.text.c_str()};
    ReportEventW(source_, entry.type, 0, kEventTextId, nullptr, 1, 0, strings, nullptr);
}

}  // namespace nodrel::windows_platform
