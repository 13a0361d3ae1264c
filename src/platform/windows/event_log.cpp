#include "platform/windows/event_log.h"

#include "common/text.h"

namespace nodrel::windows_platform {

namespace {

std::wstring Wide(const std::string& text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
    return wide;
}

WORD TypeFor(int style) {
    if (style == box::Critical || style == box::CriticalYesNo) return EVENTLOG_ERROR_TYPE;
    if (style == box::Exclamation) return EVENTLOG_WARNING_TYPE;
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
    ReportEventW(source_, entry.type, 0, EventTextId, nullptr, 1, 0, strings, nullptr);
}

}  // namespace nodrel::windows_platform
