#pragma once
// The configuration window's fields as plain values, so that validation, the writer
// and the change signature work without any widget.
#include <cstddef>
#include <string>

#include "config/settings.h"

namespace nodrel {

struct ConfigFields {
    std::string AvTimeT;
    std::string CPUDelayT;
    std::string CPULevelT;
    int DNameT = 0;  // tick box: 0 address mode, 1 host-name mode
    std::string IPAddT;
    std::string LogNameT;
    std::string LogPathT;
    std::string Port1T;
    int RunOnTopT = 0;  // tick box
    int StartMinT = 0;  // tick box
    std::string ShutTimeT;
    std::string StartDelayT;
    std::string LogLevelT;  // list text: "None", "Normal", "Full"
    std::string ShutNameT;  // list text: "Power Off" ... "Standby"
    int LogLevelCode = 0;
    int ShutTypeCode = 0;
};

// Note labels beside the configuration window's fields.
enum class Note {
    AvTimeM,
    CPUDelayM,
    CPULevelM,
    IPAddM,
    LogLevelM,
    LogNameM,
    LogPathM,
    Port1M,
    ShutTimeM,
    ShutTypeM,
    StartDelayM,  // the last
};
inline constexpr std::size_t kNoteCount = static_cast<std::size_t>(Note::StartDelayM) + 1;

// The fields as the configuration window fills them from the settings in memory.
ConfigFields FieldsFromSettings(const Settings& settings);

// Restore: the defaults into the fields; DNameT and IPAddT are left as they are.
void RestoreDefaults(ConfigFields& fields);

// The text by which Save tells whether anything changed.
std::string FieldSignature(const ConfigFields& fields);

// The display name of a power-action code 1..6, empty for any other code.
std::string ShutTypeName(int code);
// "Power Off" -> 1 ... "Standby" -> 6, any other text 0.
int ShutTypeCodeOf(const std::string& name);
// "None" -> 1, "Normal" -> 2, "Full" -> 3, any other text 0.
int LogLevelCodeOf(const std::string& name);

}  // namespace nodrel
