#include "ui/config_window.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include "config/codes.h"
#include "config/config_writer.h"
#include "config/setting_table.h"
#include "config/validation.h"
#include "log/log_file.h"

namespace nodrel {

namespace {

namespace fs = std::filesystem;

enum class Presence { There, Missing, Unknown };

// Whether the path names an entry of the wanted kind; Unknown when the system would not say.
Presence Probe(const fs::path& path, bool wantFolder) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found) return Presence::Missing;
    if (error) return Presence::Unknown;
    const bool folder = fs::is_directory(status);
    return folder == wantFolder ? Presence::There : Presence::Missing;
}

bool FolderExists(const std::string& path) {
    return Probe(LocalPath(path), true) == Presence::There;
}

// The log file's path as the viewer gets it: absolute, without "." and "..".
std::string ShownPath(const fs::path& file) {
    std::error_code error;
    const fs::path shown = fs::absolute(file, error);
    return PathText(error ? file : shown.lexically_normal());
}

Message NoViewerMessage(const std::string& path, std::string_view viewerProgram) {
    return {box::kExclamation, " Log File Error",
            JoinLines({"No viewer could be started for the log file", path + ".", viewerProgram,
                       "is needed to open it from here."})};
}

// `text` with each '\' as the folder separator of the system the program runs on.
template <std::size_t N>
constexpr std::array<char, N> WithPathSeparator(const char (&text)[N]) {
    std::array<char, N> shown{};
    std::transform(text, text + N, shown.begin(),
                   [](char c) { return c == '\\' ? kPathSeparator : c; });
    return shown;
}

constexpr auto kLogPathNote =
    WithPathSeparator("(Must exist and be between 1 and 99 characters plus '\\')");

Message LogUnreadableMessage(const std::string& logName) {
    // "opem" is the program's own spelling of this box, kept on purpose.
    return {box::kExclamation, " Log File Error",
            JoinLines({"Unable to opem the log file " + logName + ".",
                       "This may be a permissions problem.", "The program will now terminate"})};
}

}  // namespace

using enum WindowSection;
using enum RowPlace;
using enum InputKind;

const std::array<ConfigRow, 14> kConfigRows = {{
    {General, Line, "", "CPU Averaging Over:", "AvTimeT", Number, "CPU Averaging Period",
     Note::AvTimeM, "AvTimeM", "seconds ( min 1, max 30)", "AvTime"},
    {General, RightColumn, "", " Run On Top:", "RunOnTopT", TickBox,
     "Set program to Run On Top (Run in System Tray takes priority)", std::nullopt, "", "",
     "RunOnTop"},
    {General, Line, "CPUDelayL", "CPU Delay:", "CPUDelayT", Number,
     "Time for CPU Load to be less than the CPU Threshold before shutdown initiated",
     Note::CPUDelayM, "CPUDelayM", "seconds (min 5, max 1800)", "CPUDelay"},
    {General, RightColumn, "", "Run in System Tray:", "StartMinT", TickBox,
     "Set program to Run Minimised in System Tray (takes priority over Run On Top)", std::nullopt,
     "", "", "StartMin"},
    {General, Line, "", "CPU Threshold:", "CPULevelT", Number, "CPU Threshold", Note::CPULevelM,
     "CPULevelM", "% (min 5, max 50)", "CPULevel"},
    {General, Line, "", "Log Level:", "LogLevelT", List, "Log level", Note::LogLevelM, "LogLevelM",
     "(Setting this to full will generate big log files)", "LogLevel"},
    {General, Line, "", "Log File Name:", "LogNameT", Name, "Log file name", Note::LogNameM,
     "LogNameM", "(Between 8 and 20 characters)", "LogName"},
    {General, NoteBelow, "", "Path To Log File:", "LogPathT", Wide,
     "Path to log file (either an absolute path or relative to the Program Directory)",
     Note::LogPathM, "LogPathM", std::string_view(kLogPathNote.data(), kLogPathNote.size() - 1),
     "LogPath"},
    {General, Line, "", "Activate After:", "StartDelayT", Number,
     "Delay after startup before program  is activated", Note::StartDelayM, "StartDelayM",
     "seconds (min 1, max 3600)", "StartDelay"},
    {Shutdown, Line, "", "Shut Down Time:", "ShutTimeT", Number,
     "Time before shutdown occurs after the shutdown sequence has started", Note::ShutTimeM,
     "ShutTimeM", "seconds (min 2, max 600)", "ShutTime"},
    {Shutdown, Line, "", "Shut Down Type:", "ShutNameT", List, "Type of Shutdown", Note::ShutTypeM,
     "ShutTypeM", "", "ShutType"},
    {Communications, Heading, "", "Domain Name:", "DNameT", TickBox,
     "Check to enter domain name instead of IP address", std::nullopt, "", "", "DName"},
    {Communications, Line, "IPAddL", "IP Address:", "IPAddT", Name,
     "IP Address of computer to communicate with", Note::IPAddM, "IPAddM", "", "IPAdd"},
    {Communications, Line, "", "Port:", "Port1T", Number,
     "Port used to communicate on - only change this if there is a clash with another program",
     Note::Port1M, "Port1M", "(An unused port between 1024 and 65535)", "Port1"},
}};

std::vector<std::string> ListItems(const ConfigRow& row) {
    const auto names = SettingNamed(row.key).names;
    std::vector<std::string> items(names.begin(), names.end());
    std::sort(items.begin(), items.end());
    return items;
}

std::string& TextIn(ConfigFields& fields, const ConfigRow& row) {
    return fields.*SettingNamed(row.key).fieldText;
}

const std::string& TextIn(const ConfigFields& fields, const ConfigRow& row) {
    return fields.*SettingNamed(row.key).fieldText;
}

int& TickIn(ConfigFields& fields, const ConfigRow& row) {
    return fields.*SettingNamed(row.key).fieldNumber;
}

int TickIn(const ConfigFields& fields, const ConfigRow& row) {
    return fields.*SettingNamed(row.key).fieldNumber;
}

ConfigWindow::ConfigWindow(ConfigWindowSetup setup, bool isAdmin)
    : setup_(std::move(setup)), caption_("Configure " + setup_.progTitle) {
    for (std::size_t i = 0; i < kConfigRows.size(); ++i) {
        const ConfigRow& row = kConfigRows[i];
        looks_[i] = {std::string(row.caption), std::string(row.tip), false,
                     std::string(row.noteText), false};
    }
    const std::string& title = setup_.progTitle;
    buttons_[0].tip = "View log file (It will not be updated while open)";
    buttons_[1] = {"Restore " + title +
                       " Default Configuration Values (Does not restore or delete any "
                       "computer address set)",
                   isAdmin};
    buttons_[2] = {"Save " + title +
                       " Configuration Values (The program will be reset when you close this "
                       "screen if values have been changed)",
                   isAdmin};
    buttons_[3].tip = "Close " + title + " Configuration Screen";
}

RowLook& ConfigWindow::LookOf(std::string_view input) {
    const auto row = std::find_if(kConfigRows.begin(), kConfigRows.end(),
                                  [&](const ConfigRow& r) { return r.input == input; });
    return looks_[static_cast<std::size_t>(row - kConfigRows.begin())];
}

bool ConfigWindow::Slave() const {
    return setup_.running.CMain == kSlave;
}

void ConfigWindow::Load() {
    countdown_.clear();
    DataLoad();
    if (Slave()) SetSlaveLayout();
    const int failures = Validate(setup_.portError);
    // A save not yet applied stays pending: the next Close (or self-close) applies it.
    if (failures > 0) {
        status_ = std::to_string(failures) + " Item(s) Highlighted Contain Out Of Range Values";
    }
}

void ConfigWindow::DataLoad() {
    // The file's values, also under "-InhibitShutdown", whose 6 s are the running cycle's.
    ConfigFields loaded = FieldsFromSettings(setup_.fromFile);
    if (loaded.LogLevelT.empty()) {
        // An unknown level leaves the list as it was, without a code.
        loaded.LogLevelT = fields_.LogLevelT;
        loaded.LogLevelCode = 0;
    }
    fields_ = loaded;
    ResetNotes();
    loadedFields_ = fields_;
    loadedTexts_ = setup_.fileTexts;
    loadedSignature_ = FieldSignature(fields_);
}

void ConfigWindow::SetSlaveLayout() {
    for (std::size_t i = 0; i < kConfigRows.size(); ++i) {
        if (!SettingNamed(kConfigRows[i].key).slaveUnused) continue;
        looks_[i].locked = true;
        looks_[i].tip = "Not used in Slave mode";
    }
    RowLook& delay = LookOf("CPUDelayT");
    delay.tip = "Time for communications to be lost before shutdown initiated";
    delay.caption = "Lost Comms Delay";
}

void ConfigWindow::ShowAddressNotes() {
    RowLook& address = LookOf("IPAddT");
    if (fields_.DNameT == TickValue(kAddress)) {
        address.caption = "IP Address";
        address.tip = "IP Address of computer to communicate with";
        address.note = Slave() ? "(A valid IP address)" : "(Either empty or a valid IP address)";
    } else {
        address.caption = "Domain Name";
        address.tip = "Domain name of computer to communicate with (less than 100 characters)";
        address.note = Slave() ? "(a valid domain name)" : "(Either empty or a valid domain name)";
    }
}

void ConfigWindow::ShowShutTypeNote() {
    fields_.ShutTypeCode = 0;
    const int code = ShutTypeCodeOf(fields_.ShutNameT);
    const char* note = nullptr;
    if (code >= kPowerOff && code <= kShutdown) {
        note = "(Forces Running Applications To Close)";
    } else if (code == kMonitor && Slave()) {
        note = "Not Available In Slave Mode";
    } else if (code == kMonitor && setup_.running.CMain == kMaster) {
        note = fields_.DNameT == TickValue(kHostName) ? "(Only Use With A Valid Domain Name)"
                                                      : "(Only Use With A Valid IP Address)";
    } else if (code == kHibernate || code == kStandby) {
        note = "";
    }
    if (note == nullptr) return;  // no row matches: the code stays 0, the note as it was
    fields_.ShutTypeCode = code;
    LookOf("ShutNameT").note = note;
}

void ConfigWindow::ResetNotes() {
    for (RowLook& look : looks_) look.marked = false;
    LookOf("ShutNameT").note.clear();
    ShowAddressNotes();
    ShowShutTypeNote();
}

int ConfigWindow::Validate(bool portError) {
    ResetNotes();
    const Validation result =
        ValidateFields(fields_, setup_.running.CMain, portError, FolderExists);
    for (std::size_t i = 0; i < kConfigRows.size(); ++i) {
        const std::optional<Note> note = kConfigRows[i].note;
        if (!note || !result[*note].highlighted) continue;
        looks_[i].marked = true;
        if (result[*note].caption) looks_[i].note = *result[*note].caption;
    }
    statusTimerStarted_ = true;
    return result.failures;
}

ConfigSaved ConfigWindow::Save(const std::string& stamp) {
    status_.clear();
    ConfigSaved saved;
    // A port error is the last bind's: shown when the window opens, left for the next bind.
    if (Validate(false) != 0) {
        status_ = "Item(s) Highlighted Contain Out Of Range Values - Changes Not Saved";
        return saved;
    }
    const std::string signature = FieldSignature(fields_);
    saved.trayChoiceChanged = fields_.StartMinT + 1 != setup_.running.StartMin;
    if (signature != loadedSignature_) {
        if (!WriteFile(stamp)) {
            saved.failure = WriteFailureMessage();
            DataLoad();
            return saved;
        }
        saved.written = true;
        status_ = "Changes Saved - Click Close To Activate The Changes";
    } else {
        status_ = "No Changes To Save";
    }
    loadedFields_ = fields_;
    loadedSignature_ = signature;
    statusTimerStarted_ = true;
    return saved;
}

bool ConfigWindow::WriteFile(const std::string& stamp) {
    const FileEncoding& encoding = setup_.encoding ? *setup_.encoding : StandardFileEncoding();
    FileTexts texts = TextsToWrite(fields_, loadedFields_, loadedTexts_, encoding);
    const std::string text = BuildConfigText(fields_, setup_.running.CMain, stamp, texts);
    ConfigFileStore& store = setup_.store ? *setup_.store : StandardConfigFileStore();
    if (!WriteConfigFile(store, kConfigFilePath, text)) return false;
    // What the file now holds is what the next save compares with.
    loadedTexts_ = std::move(texts);
    return true;
}

void ConfigWindow::Restore() {
    const std::string action = fields_.ShutNameT;
    RestoreDefaults(fields_);
    // A power action put into the list counts as picked there.
    if (fields_.ShutNameT != action) ResetNotes();
    status_ = "Defaults Restored - Click Save To Keep";
    statusTimerStarted_ = true;
}

LogView ConfigWindow::ViewLog(std::string_view viewerProgram) const {
    // The log the program runs with, not the one typed into the fields.
    const Settings& s = setup_.running;
    if (s.LogLevel <= kLogNone) {
        return {"",
                {box::kInformation, " Log File Error",
                 JoinLines({"Logging is set to None. There", "is no information to display."})},
                false};
    }
    const fs::path file = LocalPath(s.LogPath + s.LogName);
    const Presence folder = s.LogPath.empty() ? Presence::There : Probe(LocalPath(s.LogPath), true);
    const Presence log = folder == Presence::There ? Probe(file, false) : Presence::Unknown;
    if (log == Presence::There) {
        const std::string path = ShownPath(file);
        return {path, NoViewerMessage(path, viewerProgram), false};
    }
    if (log == Presence::Missing) {
        return {"", LogFailureMessage(LogFailure::FileMissing, s.LogName), true};
    }
    if (folder == Presence::Missing) {
        return {"", LogFailureMessage(LogFailure::FolderBeforeStart, s.LogName), true};
    }
    return {"", LogUnreadableMessage(s.LogName), true};
}

void ConfigWindow::Second(const std::string& countdown) {
    if (!countdown.empty()) countdown_ = countdown;
}

bool ConfigWindow::TakeStatusTimerStart() {
    return std::exchange(statusTimerStarted_, false);
}

}  // namespace nodrel
