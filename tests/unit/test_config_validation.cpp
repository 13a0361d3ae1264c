// The start-up checks of the settings and the configuration window's field checks.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "common/utf8.h"
#include "config/config_fields.h"
#include "config/setting_table.h"
#include "config/validation.h"

namespace nodrel {
namespace {

// Lengths count characters: a valid UTF-8 sequence is one, any other byte one of its own.
// Control characters are C0, DEL and the C1 range, not other non-ASCII characters. A text
// that is not UTF-8 is shown with its stray bytes as Latin-1, or U+FFFD for 0x80 to 0x9F.
TEST(Utf8Text, CountsCharactersFindsControlCharactersAndShowsStrayBytes) {
    const struct {
        const char* text;
        std::size_t characters;
        bool control;
        const char* shown = nullptr;  // none: the text itself, which is valid UTF-8
    } cases[] = {
        // clang-format off
        {"Nodrel.log", 10, false},     {"журнал", 6, false},       {"\xF0\x9F\x93\x9D", 1, false},
        {"\xFF\xFE", 2, false, "ÿþ"},  {"\xD0", 1, false, "Ð"},    {"\xC0\x80", 2, false, "À\uFFFD"},
        {"\xED\xA0\x80", 3, false, "í\xC2\xA0\uFFFD"}, {"\xC2\xA0", 1, false},  {"a\rb", 3, true},
        {"\t", 1, true},               {"\x7F", 1, true},          {"\xC2\x85", 1, true},
        {"K\xF6ln", 4, false, "Köln"},
        // clang-format on
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CharacterCount(c.text), c.characters) << c.text;
        EXPECT_EQ(HasControlCharacter(c.text), c.control) << c.text;
        EXPECT_EQ(ShownText(c.text), c.shown ? c.shown : c.text) << c.text;
        EXPECT_EQ(IsValidUtf8(c.text), c.shown == nullptr) << c.text;
    }
}

// A working master at level Normal.
Settings WorkingMaster() {
    return {5, 60, 20, 1, 1, "192.168.1.20", 2, "Nodrel.log", "Log/", 10001, 1, 2, 2, 60, 1};
}

// Every range at both edges, written out: a limit moved by one fails here. A number is
// stored as the file gives it; a text is that many characters long.
TEST(ConfigCheckSettings, EveryRangeHoldsAtBothEdges) {
    const struct {
        std::string_view key;
        int lowest, highest;
    } ranges[] = {
        // clang-format off
        {"AvTime", 1, 30},   {"CPUDelay", 5, 1800},   {"CPULevel", 5, 50},     {"LogLevel", 1, 3},
        {"LogName", 8, 20},  {"LogPath", 2, 100},     {"Port1", 1024, 65535},  {"ShutTime", 2, 600},
        {"ShutType", 1, 6},  {"StartDelay", 1, 3600}, {"CMain", 1, 2},         {"DName", 1, 2},
        {"RunOnTop", 1, 2},  {"StartMin", 1, 2},
        // clang-format on
    };
    for (const auto& [key, lowest, highest] : ranges) {
        for (const auto& [value, failures] :
             {std::pair{lowest - 1, 1}, {lowest, 0}, {highest, 0}, {highest + 1, 1}}) {
            Settings settings = WorkingMaster();
            settings.IPAdd = "";  // fits both address modes
            if (key == "LogName") {
                settings.LogName = std::string(value, 'n');
            } else if (key == "LogPath") {
                settings.LogPath = std::string(value - 1, 'p') + "/";
            } else {
                ASSERT_TRUE(StoreValue(SettingNamed(key), std::to_string(value), settings));
            }
            EXPECT_EQ(CheckRanges(settings).failures, failures) << key << " " << value;
        }
    }
}

// The log path and address rules, and which roles are unconfigured.
TEST(ConfigCheckSettings, PathAndAddressRulesAndRoleRules) {
    const struct {
        const char* what;
        std::function<void(Settings&)> edit;
        int failures;
        bool unconfigured = false;
    } cases[] = {
        // clang-format off
        {"LogName of 7 Cyrillic characters", [](auto& s) { s.LogName = "журнал1"; }, 1},
        {"LogPath without separator", [](auto& s) { s.LogPath = "Logs"; }, 1},
        {"LogPath with backslash", [](auto& s) { s.LogPath = "Logs\\"; }, 0},
        {"empty LogPath becomes the default", [](auto& s) { s.LogPath = ""; }, 0},
        {"bad address", [](auto& s) { s.IPAdd = "10.1.1.0"; }, 1},
        {"dotted quad as host name", [](auto& s) { s.DName = 2; }, 1},
        {"master Monitor, empty address", [](auto& s) { s.ShutType = 4, s.IPAdd = ""; }, 0, true},
        {"master Monitor, empty host name",
         [](auto& s) { s.ShutType = 4, s.DName = 2, s.IPAdd = ""; }, 0, true},
        {"master Monitor, host", [](auto& s) { s.ShutType = 4, s.DName = 2, s.IPAdd = "p"; }, 0},
        {"master Monitor, dotted quad host name",
         [](auto& s) { s.ShutType = 4, s.DName = 2, s.IPAdd = "10.1.1.1"; }, 1},
        {"slave Monitor", [](auto& s) { s.CMain = 2, s.ShutType = 4; }, 0, true},
        {"slave, empty address", [](auto& s) { s.CMain = 2, s.IPAdd = ""; }, 0, true},
        {"slave, no host name", [](auto& s) { s.CMain = 2, s.DName = 2, s.IPAdd = ""; }, 0, true},
        {"slave, host name", [](auto& s) { s.CMain = 2, s.DName = 2, s.IPAdd = "p"; }, 0},
        // clang-format on
    };
    for (const auto& c : cases) {
        Settings settings = WorkingMaster();
        c.edit(settings);
        const CheckResult result = CheckRanges(settings);
        EXPECT_EQ(std::pair(result.failures, result.unconfigured),
                  std::pair(c.failures, c.unconfigured))
            << c.what;
    }
}

Validation Validate(ConfigFields& fields, int cmain, bool portError = false) {
    return ValidateFields(fields, cmain, portError, [](const std::string& path) {
        return path == DefaultLogPath() || path.starts_with("Log/");
    });
}

// Each case: the failures counted and the notes highlighted, with their caption if any.
TEST(ValidateFields, CountsRulesHighlightsNotesAndSetsCaptions) {
    const struct {
        const char* what;
        std::function<void(ConfigFields&)> edit;
        int cmain, failures;
        std::map<Note, std::string> marks;
        bool portError = false;
    } cases[] = {
        // clang-format off
        {"all good", [](auto&) {}, 1, 0, {}},
        {"30 s", [](auto& f) { f.AvTimeT = "30 s"; }, 1, 0, {}},
        {"30.5", [](auto& f) { f.AvTimeT = "30.5"; }, 1, 1, {{Note::AvTimeM, ""}}},
        {"empty AvTime", [](auto& f) { f.AvTimeT = ""; }, 1, 1, {{Note::AvTimeM, ""}}},
        {"numbers out", [](auto& f) {
             f.CPUDelayT = "1e999", f.CPULevelT = "51", f.ShutTimeT = "1", f.StartDelayT = "0"; },
         1, 4, {{Note::CPUDelayM, ""}, {Note::CPULevelM, ""}, {Note::ShutTimeM, ""},
                {Note::StartDelayM, ""}}},
        {"empty LogPath", [](auto& f) { f.LogPathT = ""; }, 1, 3, {{Note::LogPathM, ""}}},
        {"no separator", [](auto& f) { f.LogPathT = "Log"; }, 1, 2, {{Note::LogPathM, ""}}},
        {"LogName of 7", [](auto& f) { f.LogNameT = "abc.log"; }, 1, 1, {{Note::LogNameM, ""}}},
        {"LogName of 20 Cyrillic", [](auto& f) { f.LogNameT = "журнал-сервера-1.log"; }, 1, 0, {}},
        {"line break in LogName", [](auto& f) { f.LogNameT = "Nodrel.log\r\n"; }, 1, 1,
         {{Note::LogNameM, ""}}},
        {"line break in a host name", [](auto& f) { f.DNameT = 1, f.IPAddT = "Nodrel.log\r\nShutType=4"; }, 1, 1,
         {{Note::IPAddM, ""}}},
        {"host name of 100 Cyrillic",
         [](auto& f) { f.DNameT = 1, f.IPAddT = ""; for (int i = 0; i < 100; ++i) f.IPAddT += "ж"; }, 1, 0, {}},
        {"unknown action", [](auto& f) { f.ShutNameT = "Sleep"; }, 1, 1, {{Note::ShutTypeM, ""}}},
        {"host name of 101", [](auto& f) { f.DNameT = 1, f.IPAddT = std::string(101, 'h'); }, 1, 1,
         {{Note::IPAddM, ""}}},
        {"master, empty address", [](auto& f) { f.IPAddT = ""; }, 1, 0, {}},
        {"master Monitor, empty address", [](auto& f) { f.ShutNameT = "Monitor", f.IPAddT = ""; },
         1, 2, {{Note::ShutTypeM, ""}, {Note::IPAddM, "Must Be A Valid IP Address"}}},
        {"master Monitor, dotted quad host name",
         [](auto& f) { f.ShutNameT = "Monitor", f.DNameT = 1, f.IPAddT = "10.1.1.1"; },
         1, 3, {{Note::ShutTypeM, ""}, {Note::IPAddM, "Must Be A Valid Domain Name"}}},
        {"master Monitor, quad with a 0 as host name",
         [](auto& f) { f.ShutNameT = "Monitor", f.DNameT = 1, f.IPAddT = "127.0.0.1"; }, 1, 0, {}},
        {"slave Monitor", [](auto& f) { f.ShutNameT = "Monitor"; }, 2, 1,
         {{Note::ShutTypeM, "Invalid Option In Slave Mode"}}},
        {"slave, empty address", [](auto& f) { f.IPAddT = ""; }, 2, 1, {{Note::IPAddM, ""}}},
        {"slave, empty host name", [](auto& f) { f.DNameT = 1, f.IPAddT = ""; }, 2, 1,
         {{Note::IPAddM, ""}}},
        {"port error, master", [](auto&) {}, 1, 0, {}, true},
        {"port error, slave", [](auto&) {}, 2, 1, {{Note::Port1M, ""}}, true},
        // clang-format on
    };
    for (const auto& c : cases) {
        ConfigFields fields;
        RestoreDefaults(fields);
        fields.IPAddT = "192.168.1.20";
        c.edit(fields);
        const Validation result = Validate(fields, c.cmain, c.portError);
        EXPECT_EQ(result.failures, c.failures) << c.what;
        for (std::size_t i = 0; i < result.notes.size(); ++i) {
            const auto mark = c.marks.find(static_cast<Note>(i));
            const bool marked = mark != c.marks.end();
            EXPECT_EQ(result.notes[i].highlighted, marked) << c.what << ", note " << i;
            EXPECT_EQ(result.notes[i].caption.value_or(""), marked ? mark->second : "")
                << c.what << ", note " << i;
        }
    }
}

// The list texts set the codes; an unknown action clears its code, an unknown level keeps it.
TEST(ValidateFields, SetsCodesFromTheListTexts) {
    ConfigFields fields;
    RestoreDefaults(fields);
    fields.ShutNameT = "Standby", fields.LogLevelT = "Full";
    Validate(fields, 1);
    EXPECT_EQ(std::pair(fields.ShutTypeCode, fields.LogLevelCode), std::pair(6, 3));
    fields.ShutNameT = "standby", fields.LogLevelT = "full";
    Validate(fields, 1);
    EXPECT_EQ(std::pair(fields.ShutTypeCode, fields.LogLevelCode), std::pair(0, 3));
    fields.LogLevelCode = 0;
    EXPECT_TRUE(Validate(fields, 1)[Note::LogLevelM].highlighted);
}

}  // namespace
}  // namespace nodrel
