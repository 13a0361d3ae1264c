#pragma once
// Every configuration key described once: its line in Data/Nodrel4.ini, its field in
// Settings and in the configuration window, its limits and the value Restore puts back.
// The reader, the writer, the checks and the window's fields are all driven from here.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "config/config_fields.h"
#include "config/settings.h"

namespace nodrel {

enum class Section { Comms, Run, Shutdown };
inline constexpr std::array<std::string_view, 3> kSectionHeadings = {"[Comms]", "[Run]",
                                                                     "[Shutdown]"};

// Names in code order: the code of a name is its index plus 1.
inline constexpr std::array<std::string_view, 6> kShutTypeNames = {
    "Power Off", "Reboot", "Shutdown", "Monitor", "Hibernate", "Standby"};
inline constexpr std::array<std::string_view, 3> kLogLevelNames = {"None", "Normal", "Full"};

// How the window holds a key's value.
enum class FieldKind {
    None,     // no field: the file gets the running value (the link role)
    Number,   // a text field, read with ParseLeadingNumber
    Text,     // a text field, taken as typed
    TickBox,  // 0 or 1 in the window, 1 or 2 in the file
    List,     // a list of names; the file holds the chosen name's code
};

// Inclusive bounds.
struct Limits {
    double lowest;
    double highest;
};

struct SettingKey {
    std::string_view name;
    Section section = Section::Run;
    FieldKind kind = FieldKind::None;
    // Where the value lives in Settings: exactly one of the three.
    std::int16_t Settings::*int16 = nullptr;
    std::int32_t Settings::*int32 = nullptr;
    std::string Settings::*text = nullptr;
    // Where it lives in the window: a text field's text or a list's chosen name, and a
    // tick box's value or a list's code.
    std::string ConfigFields::*fieldText = nullptr;
    int ConfigFields::*fieldNumber = nullptr;
    std::span<const std::string_view> names{};  // a list's names in code order
    // The values accepted at start-up and in the window; for a text, its length in
    // characters. None: the key has rules of its own (the partner's address).
    std::optional<Limits> limits{};
    std::optional<Note> note{};  // the window's note a failed limit marks
    // What Restore puts into the field, written as the file holds it; none: left alone.
    std::optional<std::string_view> restored{};
    bool listed = true;        // the key's line appears in the listing for the log
    bool slaveUnused = false;  // a slave has no use for it: the window locks its field
};

// In the order of the file, section by section.
extern const std::array<SettingKey, 15> kSettingTable;

// The key of that name; the name must be one of the table's.
const SettingKey& SettingNamed(std::string_view name);

// Stores a value as the file gives it; false when a number does not fit its field.
bool StoreValue(const SettingKey& key, std::string_view value, Settings& settings);
// A number key's value (the Settings field is a whole number).
std::int32_t IntegerIn(const SettingKey& key, const Settings& settings);
// A text key's value.
const std::string& TextIn(const SettingKey& key, const Settings& settings);

// The setting into its window field, as the window shows it: a text that is not UTF-8 as
// ShownText makes it.
void ShowInField(const SettingKey& key, const Settings& settings, ConfigFields& fields);
// The value written for the key from the window's field; the role, which has no field, is
// written as `cmain`.
std::string FileValue(const SettingKey& key, const ConfigFields& fields, std::int16_t cmain);
// The field's part of the change signature; empty for a key without a field.
std::string SignaturePart(const SettingKey& key, const ConfigFields& fields);

}  // namespace nodrel
