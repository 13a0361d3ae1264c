// The start-up checks of the settings and the configuration window's field checks.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "config/config_fields.h"
#include "config/validation.h"

namespace nodrel {
namespace {

const std::string kHost100(100, 'h');

struct SettingsCase {
    const char* what;
    std::function<void(Settings&)> edit;
    int failures;
    bool unconfigured = false;
};

TEST(ConfigCheckSettings, RangeRulesAndRoleRules) {
    const SettingsCase cases[] = {
        {"all good", [](Settings&) {}, 0},
        {"lowest values", [](Settings& s) { s.AvTime = 1, s.CPUDelay = 5, s.Port1 = 1024; }, 0},
        {"highest values", [](Settings& s) { s.AvTime = 30, s.ShutTime = 600, s.Port1 = 65535; },
         0},
        {"AvTime 0", [](Settings& s) { s.AvTime = 0; }, 1},
        {"CPUDelay 0 kept after a duplicate key", [](Settings& s) { s.CPUDelay = 0; }, 1},
        {"port 1023, CPULevel 51", [](Settings& s) { s.Port1 = 1023, s.CPULevel = 51; }, 2},
        {"three more out", [](Settings& s) { s.LogLevel = 4, s.ShutTime = 1, s.ShutType = 7; }, 3},
        {"switches at 0 and 3", [](Settings& s) { s.RunOnTop = 0, s.StartMin = 3, s.CMain = 0; },
         3},
        {"StartDelay 3601, LogName of 7", [](Settings& s) { s.StartDelay = 3601, s.LogName = "a"; },
         2},
        {"LogPath without separator", [](Settings& s) { s.LogPath = "Logs"; }, 1},
        {"LogPath with backslash", [](Settings& s) { s.LogPath = "Logs\\"; }, 0},
        {"LogPath of one separator", [](Settings& s) { s.LogPath = "/"; }, 1},
        {"LogPath of 101", [](Settings& s) { s.LogPath = std::string(100, 'p') + "/"; }, 1},
        {"empty LogPath becomes the default", [](Settings& s) { s.LogPath = ""; }, 0},
        {"bad address", [](Settings& s) { s.IPAdd = "10.1.1.0"; }, 1},
        {"DName 3", [](Settings& s) { s.DName = 3; }, 1},
        {"dotted quad as host name", [](Settings& s) { s.DName = 2; }, 1},
        {"host name of 100", [](Settings& s) { s.DName = 2, s.IPAdd = kHost100; }, 0},
        {"host name of 101", [](Settings& s) { s.DName = 2, s.IPAdd = kHost100 + "h"; }, 1},
        {"master, empty address", [](Settings& s) { s.IPAdd = ""; }, 0},
        {"master Monitor, empty address", [](Settings& s) { s.ShutType = 4, s.IPAdd = ""; }, 0,
         true},
        {"master Monitor, empty host name",
         [](Settings& s) { s.ShutType = 4, s.DName = 2, s.IPAdd = ""; }, 0, true},
        {"master Monitor, host name",
         [](Settings& s) { s.ShutType = 4, s.DName = 2, s.IPAdd = "p"; }, 0},
        {"master Monitor, dotted quad host name",
         [](Settings& s) { s.ShutType = 4, s.DName = 2, s.IPAdd = "10.1.1.1"; }, 1},
        {"slave Monitor", [](Settings& s) { s.CMain = 2, s.ShutType = 4; }, 0, true},
        {"slave, empty address", [](Settings& s) { s.CMain = 2, s.IPAdd = ""; }, 0, true},
        {"slave, empty host name", [](Settings& s) { s.CMain = 2, s.DName = 2, s.IPAdd = ""; }, 0,
         true},
        {"slave, host name", [](Settings& s) { s.CMain = 2, s.DName = 2, s.IPAdd = "p"; }, 0},
    };
    for (const auto& c : cases) {
        Settings settings{5, 60, 20, 1,  1, "192.168.1.20", 2, "Nodrel.log", "Log/", 10001,
                          1, 2,  2,  60, 1};
        c.edit(settings);
        const CheckResult result = CheckSettings(settings);
        EXPECT_EQ(result.failures, c.failures) << c.what;
        EXPECT_EQ(result.unconfigured, c.unconfigured) << c.what;
    }
}

TEST(ConfigCheckSettings, OnlyAnEmptyLogPathIsReplaced) {
    Settings settings;
    CheckSettings(settings);
    EXPECT_EQ(settings.LogPath, "Log/");
    settings.LogPath = "Logs";
    CheckSettings(settings);
    EXPECT_EQ(settings.LogPath, "Logs");
}

// Highlighted notes with their caption ("" for none).
using Marks = std::map<Note, std::string>;

struct FieldsCase {
    const char* what;
    std::function<void(ConfigFields&)> edit;
    int cmain;
    int failures;
    Marks marks;
};

Validation Validate(ConfigFields& fields, int cmain, bool portError = false) {
    return ValidateFields(fields, cmain, portError, [](const std::string& path) {
        return path == "Log/" || path == "Logs\\";
    });
}

TEST(ValidateFields, CountsRulesHighlightsNotesAndSetsCaptions) {
    const std::string slaveCaption = "Invalid Option In Slave Mode";
    const FieldsCase cases[] = {
        {"all good", [](ConfigFields&) {}, 1, 0, {}},
        {"1.5 inside 1..30", [](ConfigFields& f) { f.AvTimeT = "1.5"; }, 1, 0, {}},
        {"30 s", [](ConfigFields& f) { f.AvTimeT = "30 s"; }, 1, 0, {}},
        {"30.5", [](ConfigFields& f) { f.AvTimeT = "30.5"; }, 1, 1, {{Note::AvTimeM, ""}}},
        {"empty AvTime", [](ConfigFields& f) { f.AvTimeT = ""; }, 1, 1, {{Note::AvTimeM, ""}}},
        {"port 1024", [](ConfigFields& f) { f.Port1T = "1024"; }, 1, 0, {}},
        {"port 65535", [](ConfigFields& f) { f.Port1T = "65535"; }, 1, 0, {}},
        {"port 1023", [](ConfigFields& f) { f.Port1T = "1023"; }, 1, 1, {{Note::Port1M, ""}}},
        {"port 65536", [](ConfigFields& f) { f.Port1T = "65536"; }, 1, 1, {{Note::Port1M, ""}}},
        {"numbers out",
         [](ConfigFields& f) {
             f.CPUDelayT = "1e999", f.CPULevelT = "51", f.ShutTimeT = "1", f.StartDelayT = "0";
         },
         1,
         4,
         {{Note::CPUDelayM, ""},
          {Note::CPULevelM, ""},
          {Note::ShutTimeM, ""},
          {Note::StartDelayM, ""}}},
        {"empty LogPath", [](ConfigFields& f) { f.LogPathT = ""; }, 1, 3, {{Note::LogPathM, ""}}},
        {"LogPath without separator",
         [](ConfigFields& f) { f.LogPathT = "Log"; },
         1,
         2,
         {{Note::LogPathM, ""}}},
        {"LogPath with backslash", [](ConfigFields& f) { f.LogPathT = "Logs\\"; }, 1, 0, {}},
        {"LogName of 7",
         [](ConfigFields& f) { f.LogNameT = "abc.log"; },
         1,
         1,
         {{Note::LogNameM, ""}}},
        {"unknown action",
         [](ConfigFields& f) { f.ShutNameT = "Sleep"; },
         1,
         1,
         {{Note::ShutTypeM, ""}}},
        {"host name of 100", [](ConfigFields& f) { f.DNameT = 1, f.IPAddT = kHost100; }, 1, 0, {}},
        {"host name of 101",
         [](ConfigFields& f) { f.DNameT = 1, f.IPAddT = kHost100 + "h"; },
         1,
         1,
         {{Note::IPAddM, ""}}},
        {"bad address", [](ConfigFields& f) { f.IPAddT = "1.2.3"; }, 1, 1, {{Note::IPAddM, ""}}},
        {"master, empty address", [](ConfigFields& f) { f.IPAddT = ""; }, 1, 0, {}},
        {"master Monitor, empty address",
         [](ConfigFields& f) { f.ShutNameT = "Monitor", f.IPAddT = ""; },
         1,
         2,
         {{Note::ShutTypeM, ""}, {Note::IPAddM, "Must Be A Valid IP Address"}}},
        {"master Monitor, dotted quad host name",
         [](ConfigFields& f) { f.ShutNameT = "Monitor", f.DNameT = 1, f.IPAddT = "10.1.1.1"; },
         1,
         3,
         {{Note::ShutTypeM, ""}, {Note::IPAddM, "Must Be A Valid Domain Name"}}},
        {"slave Monitor",
         [](ConfigFields& f) { f.ShutNameT = "Monitor"; },
         2,
         1,
         {{Note::ShutTypeM, slaveCaption}}},
        {"slave, empty address",
         [](ConfigFields& f) { f.IPAddT = ""; },
         2,
         1,
         {{Note::IPAddM, ""}}},
        {"slave, empty host name",
         [](ConfigFields& f) { f.DNameT = 1, f.IPAddT = ""; },
         2,
         1,
         {{Note::IPAddM, ""}}},
    };
    for (const auto& c : cases) {
        ConfigFields fields;
        RestoreDefaults(fields);
        fields.IPAddT = "192.168.1.20";
        c.edit(fields);
        const Validation result = Validate(fields, c.cmain);
        EXPECT_EQ(result.failures, c.failures) << c.what;
        for (std::size_t i = 0; i < result.notes.size(); ++i) {
            const auto note = static_cast<Note>(i);
            const auto mark = c.marks.find(note);
            const bool marked = mark != c.marks.end();
            EXPECT_EQ(result[note].highlighted, marked) << c.what << ", note " << i;
            const std::string expectedCaption = marked ? mark->second : "";
            EXPECT_EQ(result[note].caption.value_or(""), expectedCaption) << c.what << ", " << i;
        }
    }
}

TEST(ValidateFields, PortErrorCountsOnlyForASlave) {
    ConfigFields fields;
    RestoreDefaults(fields);
    fields.IPAddT = "192.168.1.20";
    EXPECT_EQ(Validate(fields, 1, true).failures, 0);
    const Validation slave = Validate(fields, 2, true);
    EXPECT_EQ(slave.failures, 1);
    EXPECT_TRUE(slave[Note::Port1M].highlighted);
}

TEST(ValidateFields, SetsCodesFromTheListTexts) {
    ConfigFields fields;
    RestoreDefaults(fields);
    fields.ShutNameT = "Standby";
    fields.LogLevelT = "Full";
    Validate(fields, 1);
    EXPECT_EQ(fields.ShutTypeCode, 6);
    EXPECT_EQ(fields.LogLevelCode, 3);
    fields.ShutNameT = "standby";
    fields.LogLevelT = "full";  // an unknown level leaves the code as it was
    Validate(fields, 1);
    EXPECT_EQ(fields.ShutTypeCode, 0);
    EXPECT_EQ(fields.LogLevelCode, 3);
    fields.LogLevelCode = 0;
    EXPECT_TRUE(Validate(fields, 1)[Note::LogLevelM].highlighted);
}

}  // namespace
}  // namespace nodrel
