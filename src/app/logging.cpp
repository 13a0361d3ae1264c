// The running program's log: every failure to write it ends the program with a message.
#include "app/nodrel.h"

namespace nodrel {

void Nodrel::OpenLogFile() {
    log_.Configure(settings.LogPath, settings.LogName);
    if (settings.LogLevel <= kLogNone) return;
    const LogFailure failure = log_.OpenLogFile(ProgTitle, FormatStamp(outside_.clock.LocalNow()));
    if (failure != LogFailure::None) Fatal(LogFailureMessage(failure, settings.LogName));
}

void Nodrel::WriteLogHeader(int mode) {
    const LogFailure failure =
        log_.WriteLogHeader(mode, settings.LogLevel, ProgTitle, ConfigListing);
    if (failure != LogFailure::None) Fatal(LogFailureMessage(failure, settings.LogName));
}

void Nodrel::WriteLog(const std::string& event, const std::string& state) {
    const LogContext context{TestMode, Count,      settings.LogLevel, settings.CMain,
                             LoadText, AvLoadText, CommsText};
    const LogFailure failure =
        log_.WriteLog(FormatStamp(outside_.clock.LocalNow()), event, state, context);
    if (failure != LogFailure::None) Fatal(LogFailureMessage(failure, settings.LogName));
}

}  // namespace nodrel
