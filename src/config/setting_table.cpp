#include "config/setting_table.h"

#include <algorithm>
#include <stdexcept>

#include "common/utf8.h"
#include "config/codes.h"
#include "config/parse_number.h"

namespace nodrel {

namespace {

constexpr Limits kSwitch{kSwitchOff, kSwitchOn};

// What every key with a field in the window has.
constexpr SettingKey WithField(std::string_view name, Section section, FieldKind kind,
                               std::optional<Limits> limits, std::optional<Note> note,
                               std::optional<std::string_view> restored) {
    SettingKey key{name, section, kind};
    key.limits = limits;
    key.note = note;
    key.restored = restored;
    return key;
}

constexpr SettingKey Number(std::string_view name, Section section, std::int16_t Settings::*value,
                            std::string ConfigFields::*field, Limits limits, Note note,
                            std::string_view restored) {
    SettingKey key = WithField(name, section, FieldKind::Number, limits, note, restored);
    key.int16 = value;
    key.fieldText = field;
    return key;
}

constexpr SettingKey SlaveUnused(SettingKey key) {
    key.slaveUnused = true;
    return key;
}

constexpr SettingKey Port(std::string_view name, std::int32_t Settings::*value,
                          std::string ConfigFields::*field, Limits limits, Note note,
                          std::string_view restored) {
    SettingKey key = Number(name, Section::Comms, nullptr, field, limits, note, restored);
    key.int32 = value;
    return key;
}

constexpr SettingKey Text(std::string_view name, Section section, std::string Settings::*value,
                          std::string ConfigFields::*field, std::optional<Limits> length, Note note,
                          std::optional<std::string_view> restored) {
    SettingKey key = WithField(name, section, FieldKind::Text, length, note, restored);
    key.text = value;
    key.fieldText = field;
    return key;
}

constexpr SettingKey TickBox(std::string_view name, Section section, std::int16_t Settings::*value,
                             int ConfigFields::*field, std::optional<std::string_view> restored) {
    SettingKey key = WithField(name, section, FieldKind::TickBox, kSwitch, std::nullopt, restored);
    key.int16 = value;
    key.fieldNumber = field;
    return key;
}

constexpr SettingKey List(std::string_view name, Section section, std::int16_t Settings::*value,
                          std::string ConfigFields::*chosen, int ConfigFields::*code,
                          std::span<const std::string_view> names, Note note,
                          std::string_view restored) {
    const Limits codes{1, static_cast<double>(names.size())};
    SettingKey key = WithField(name, section, FieldKind::List, codes, note, restored);
    key.int16 = value;
    key.fieldText = chosen;
    key.fieldNumber = code;
    key.names = names;
    return key;
}

// The link role: no field in the window, and left out of the listing.
constexpr SettingKey Role(std::string_view name) {
    SettingKey key{name, Section::Comms, FieldKind::None};
    key.int16 = &Settings::CMain;
    key.limits = kSwitch;
    key.listed = false;
    return key;
}

std::string NameOfCode(std::span<const std::string_view> names, int code) {
    if (code < 1 || code > static_cast<int>(names.size())) return {};
    return std::string(names[static_cast<std::size_t>(code - 1)]);
}

int CodeOfName(std::span<const std::string_view> names, const std::string& name) {
    const auto found = std::find(names.begin(), names.end(), name);
    return found == names.end() ? 0 : static_cast<int>(found - names.begin()) + 1;
}

}  // namespace

std::string ShutTypeName(int code) {
    return NameOfCode(kShutTypeNames, code);
}

int ShutTypeCodeOf(const std::string& name) {
    return CodeOfName(kShutTypeNames, name);
}

int LogLevelCodeOf(const std::string& name) {
    return CodeOfName(kLogLevelNames, name);
}

using F = ConfigFields;
using S = Settings;
using enum Section;

const std::array<SettingKey, 15> kSettingTable = {
    Role("CMain"),
    TickBox("DName", Comms, &S::DName, &F::DNameT, std::nullopt),
    Text("IPAdd", Comms, &S::IPAdd, &F::IPAddT, std::nullopt, Note::IPAddM, std::nullopt),
    Port("Port1", &S::Port1, &F::Port1T, {1024, 65535}, Note::Port1M, "10001"),
    SlaveUnused(Number("AvTime", Run, &S::AvTime, &F::AvTimeT, {1, 30}, Note::AvTimeM, "5")),
    Number("CPUDelay", Run, &S::CPUDelay, &F::CPUDelayT, {5, 1800}, Note::CPUDelayM, "60"),
    SlaveUnused(
        Number("CPULevel", Run, &S::CPULevel, &F::CPULevelT, {5, 50}, Note::CPULevelM, "20")),
    List("LogLevel", Run, &S::LogLevel, &F::LogLevelT, &F::LogLevelCode, kLogLevelNames,
         Note::LogLevelM, "2"),
    Text("LogName", Run, &S::LogName, &F::LogNameT, Limits{8, 20}, Note::LogNameM, "Nodrel.log"),
    Text("LogPath", Run, &S::LogPath, &F::LogPathT, Limits{2, 100}, Note::LogPathM,
         kDefaultLogFolder),
    TickBox("RunOnTop", Run, &S::RunOnTop, &F::RunOnTopT, "1"),
    Number("StartDelay", Run, &S::StartDelay, &F::StartDelayT, {1, 3600}, Note::StartDelayM, "2"),
    TickBox("StartMin", Run, &S::StartMin, &F::StartMinT, "2"),
    Number("ShutTime", Shutdown, &S::ShutTime, &F::ShutTimeT, {2, 600}, Note::ShutTimeM, "60"),
    List("ShutType", Shutdown, &S::ShutType, &F::ShutNameT, &F::ShutTypeCode, kShutTypeNames,
         Note::ShutTypeM, "1"),
};

const SettingKey& SettingNamed(std::string_view name) {
    const auto key = std::find_if(kSettingTable.begin(), kSettingTable.end(),
                                  [&](const SettingKey& k) { return k.name == name; });
    if (key == kSettingTable.end()) throw std::logic_error("no setting " + std::string(name));
    return *key;
}

bool StoreValue(const SettingKey& key, std::string_view value, Settings& settings) {
    if (key.text) {
        settings.*key.text = std::string(value);
        return true;
    }
    if (key.int32) return RoundToInt32(ParseLeadingNumber(value), settings.*key.int32);
    return RoundToInt16(ParseLeadingNumber(value), settings.*key.int16);
}

std::int32_t IntegerIn(const SettingKey& key, const Settings& settings) {
    return key.int32 ? settings.*key.int32 : settings.*key.int16;
}

const std::string& TextIn(const SettingKey& key, const Settings& settings) {
    return settings.*key.text;
}

void ShowInField(const SettingKey& key, const Settings& settings, ConfigFields& fields) {
    switch (key.kind) {
        case FieldKind::None:
            break;
        case FieldKind::Number:
            fields.*key.fieldText = std::to_string(IntegerIn(key, settings));
            break;
        case FieldKind::Text:
            // A text that is not UTF-8 as well as it can be shown.
            fields.*key.fieldText = ShownText(TextIn(key, settings));
            break;
        case FieldKind::TickBox:
            fields.*key.fieldNumber = IntegerIn(key, settings) - 1;
            break;
        case FieldKind::List:
            fields.*key.fieldText = NameOfCode(key.names, IntegerIn(key, settings));
            fields.*key.fieldNumber = IntegerIn(key, settings);
            break;
    }
}

std::string FileValue(const SettingKey& key, const ConfigFields& fields, std::int16_t cmain) {
    switch (key.kind) {
        case FieldKind::None:
            return std::to_string(cmain);
        case FieldKind::Number:
            // A number the window holds as text is written as the value read from it: "30 s"
            // as 30.
            return FormatNumber(ParseLeadingNumber(fields.*key.fieldText));
        case FieldKind::Text:
            return fields.*key.fieldText;
        case FieldKind::TickBox:
            return std::to_string(fields.*key.fieldNumber + 1);
        case FieldKind::List:
            return std::to_string(fields.*key.fieldNumber);
    }
    return {};
}

std::string SignaturePart(const SettingKey& key, const ConfigFields& fields) {
    switch (key.kind) {
        case FieldKind::None:
            return {};
        case FieldKind::Number:
        case FieldKind::Text:
            return fields.*key.fieldText;
        case FieldKind::TickBox:
        case FieldKind::List:
            // A list by its code: validation sets the code from the chosen name before a save.
            return std::to_string(fields.*key.fieldNumber);
    }
    return {};
}

}  // namespace nodrel
