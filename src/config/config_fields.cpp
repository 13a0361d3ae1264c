#include "config/config_fields.h"

#include <array>
#include <string_view>

namespace nodrel {

namespace {

// Names in code order: the code of a name is its index plus 1.
constexpr std::array<std::string_view, 6> kShutTypeNames = {"Power Off", "Reboot",    "Shutdown",
                                                            "Monitor",   "Hibernate", "Standby"};
constexpr std::array<std::string_view, 3> kLogLevelNames = {"None", "Normal", "Full"};

template <std::size_t N>
std::string NameOfCode(const std::array<std::string_view, N>& names, int code) {
    if (code < 1 || code > static_cast<int>(N)) return {};
    return std::string(names[static_cast<std::size_t>(code - 1)]);
}

template <std::size_t N>
int CodeOfName(const std::array<std::string_view, N>& names, const std::string& name) {
    for (std::size_t i = 0; i < N; ++i) {
        if (names[i] == name) return static_cast<int>(i) + 1;
    }
    return 0;
}

}  // namespace

std::string ShutTypeName(int code) {
    return NameOfCode(kShutTypeNames, code);
}

int ShutTypeCodeOf(const std::string& name) {
    return CodeOfName(kShutTypeNames, name);
}

std::string LogLevelName(int code) {
    return NameOfCode(kLogLevelNames, code);
}

int LogLevelCodeOf(const std::string& name) {
    return CodeOfName(kLogLevelNames, name);
}

ConfigFields FieldsFromSettings(const Settings& settings) {
    ConfigFields fields;
    fields.AvTimeT = std::to_string(settings.AvTime);
    fields.CPUDelayT = std::to_string(settings.CPUDelay);
    fields.CPULevelT = std::to_string(settings.CPULevel);
    fields.DNameT = settings.DName - 1;
    fields.IPAddT = settings.IPAdd;
    fields.LogNameT = settings.LogName;
    fields.LogPathT = settings.LogPath;
    fields.Port1T = std::to_string(settings.Port1);
    fields.RunOnTopT = settings.RunOnTop - 1;
    fields.StartMinT = settings.StartMin - 1;
    fields.ShutTimeT = std::to_string(settings.ShutTime);
    fields.StartDelayT = std::to_string(settings.StartDelay);
    fields.LogLevelT = LogLevelName(settings.LogLevel);
    fields.ShutNameT = ShutTypeName(settings.ShutType);
    fields.LogLevelCode = settings.LogLevel;
    fields.ShutTypeCode = settings.ShutType;
    return fields;
}

void RestoreDefaults(ConfigFields& fields) {
    fields.AvTimeT = "5";
    fields.CPUDelayT = "60";
    fields.CPULevelT = "20";
    fields.LogLevelT = "Normal";
    fields.LogNameT = "Nodrel.log";
    fields.LogPathT = DefaultLogPath();
    fields.Port1T = "10001";
    fields.RunOnTopT = 0;
    fields.ShutTimeT = "60";
    fields.StartMinT = 1;
    fields.ShutNameT = "Power Off";
    fields.StartDelayT = "2";
    // The codes follow the list texts, as the window's lists would set them.
    fields.LogLevelCode = LogLevelCodeOf(fields.LogLevelT);
    fields.ShutTypeCode = ShutTypeCodeOf(fields.ShutNameT);
}

std::string FieldSignature(const ConfigFields& fields) {
    // A separator between the values: without one, moving a digit from one field to the
    // next ("1" and "25" against "12" and "5") would look like no change at all.
    const std::string parts[] = {fields.AvTimeT,
                                 fields.CPUDelayT,
                                 fields.CPULevelT,
                                 std::to_string(fields.DNameT),
                                 fields.IPAddT,
                                 fields.LogNameT,
                                 fields.LogPathT,
                                 fields.Port1T,
                                 std::to_string(fields.RunOnTopT),
                                 std::to_string(fields.StartMinT),
                                 fields.ShutTimeT,
                                 fields.StartDelayT,
                                 std::to_string(fields.LogLevelCode),
                                 std::to_string(fields.ShutTypeCode)};
    std::string signature;
    for (const auto& part : parts) signature += part + '\x1f';
    return signature;
}

}  // namespace nodrel
