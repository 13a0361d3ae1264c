#pragma once
// The range and role checks of the settings, at start-up and in the configuration window.
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "common/text.h"
#include "config/config_fields.h"
#include "config/settings.h"

namespace nodrel {

struct CheckResult {
    int failures = 0;           // rules out of range; above 0 ends the program
    bool unconfigured = false;  // the role rules: the cycle cannot run as set
};

// Checks the settings just read. Replaces an empty LogPath with the default first.
CheckResult CheckRanges(Settings& settings);

// The message box for CheckResult::failures above 0.
Message CheckFailureMessage();

struct NoteMark {
    bool highlighted = false;
    std::optional<std::string> caption;  // replaces the hint text when set
};

struct Validation {
    int failures = 0;
    std::array<NoteMark, kNoteCount> notes{};
    const NoteMark& operator[](Note n) const { return notes[static_cast<std::size_t>(n)]; }
};

// The window's checks, in their fixed order. Sets fields.ShutTypeCode from ShutNameT and
// fields.LogLevelCode from LogLevelT (an unknown level text leaves the code as it was).
Validation ValidateFields(ConfigFields& fields, int cmain, bool portError,
                          const std::function<bool(const std::string&)>& folderExists);

}  // namespace nodrel
