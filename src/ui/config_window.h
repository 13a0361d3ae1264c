#pragma once
// The configuration window's decisions, for any front end with text fields, tick boxes and
// lists: what its fields, captions, tips and notes show, the status line, and what Save,
// Restore, View Log and its two timers do. A front end builds its controls from
// kConfigRows and kConfigButtons, copies the controls into Fields() before each event, calls
// the event and draws the state afterwards. The program's side of Save and View Log goes
// through Nodrel::ConfigSave and Nodrel::ConfigViewLog.
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/text.h"
#include "config/codes.h"
#include "config/config_fields.h"
#include "config/config_file_store.h"
#include "config/file_texts.h"
#include "config/settings.h"
#include "ui/colour.h"

namespace nodrel {

// The running program as the window sees it when it opens.
struct ConfigWindowSetup {
    std::string progTitle = "Nodrel";
    Settings running;        // what the program runs on: role, window state, log
    Settings fromFile;       // as read from the file, before "-InhibitShutdown" shortened the
                             // delays: what the fields show and Save compares with
    bool portError = false;  // binding the slave's receive port failed at the last start
    ConfigFileStore* store = nullptr;        // how the file is replaced; none: standard C++
    FileTexts fileTexts;                     // the text values as the file holds them
    const FileEncoding* encoding = nullptr;  // of a file that is not UTF-8; none: bytes
};

enum class WindowSection { General, Shutdown, Communications };
inline constexpr std::array<std::string_view, 3> kWindowSectionHeadings = {"General", "Shutdown",
                                                                           "Communications"};

// Where a row's controls stand.
enum class RowPlace {
    Line,         // caption, input and note on a line of their own
    RightColumn,  // caption and tick box at the right end of the line above
    NoteBelow,    // a wide input, its note on the next line
    Heading,      // caption and tick box beside the section heading
};

// The input's kind; text fields come in three widths.
enum class InputKind { Number, Name, Wide, TickBox, List };

// One setting's controls as designed: caption, input and note.
struct ConfigRow {
    WindowSection section;
    RowPlace place;
    std::string_view captionName;  // the caption's name where the window changes it
    std::string_view caption;
    std::string_view input;  // the input's name
    InputKind kind;
    std::string_view tip;
    std::optional<Note> note;
    std::string_view noteName;
    std::string_view noteText;
    std::string_view key;  // the setting shown
};

// Top to bottom.
extern const std::array<ConfigRow, 14> kConfigRows;

// A list row's items in the order the list shows them.
std::vector<std::string> ListItems(const ConfigRow& row);
// The row's value in the fields: a text field's text or a list's chosen name, or a tick box.
std::string& TextIn(ConfigFields& fields, const ConfigRow& row);
const std::string& TextIn(const ConfigFields& fields, const ConfigRow& row);
int& TickIn(ConfigFields& fields, const ConfigRow& row);
int TickIn(const ConfigFields& fields, const ConfigRow& row);

struct ConfigButton {
    std::string_view name;
    std::string_view caption;
};
// Left to right along the bottom.
inline constexpr std::array<ConfigButton, 4> kConfigButtons = {
    {{"ViewL", "View Log"}, {"Restore", "Restore"}, {"Save", "Save"}, {"ExitConfig", "Close"}}};

// What a row shows besides its value.
struct RowLook {
    std::string caption;
    std::string tip;
    bool locked = false;  // read-only, on the button-face background
    std::string note;
    bool marked = false;  // the note orange and bold; otherwise dark green and plain

    Colour NoteColour() const { return marked ? kOrange : kDarkGreen; }
};

struct ButtonLook {
    std::string tip;
    bool enabled = true;
};

// What a save means for the program.
struct ConfigSaved {
    bool written = false;            // the file was rewritten: Close re-initialises
    bool trayChoiceChanged = false;  // "Run in System Tray" differs from the running setting
    std::optional<Message> failure;  // the file could not be written; the fields were reloaded
};

// What View Log leads to.
struct LogView {
    std::string viewerPath;    // start the viewer on this file; when none starts, the box
    Message message;           // the box, titled ProgTitle and its suffix
    bool endsProgram = false;  // the box is the program's last
};

class ConfigWindow {
public:
    ConfigWindow(ConfigWindowSetup setup, bool isAdmin);

    // Opening: the fields from the file's settings, the slave layout, the check of every
    // field; failures are counted on the status line.
    void Load();

    // The fields as the controls hold them: copied in before every event, drawn after it.
    ConfigFields& Fields() { return fields_; }
    const ConfigFields& Fields() const { return fields_; }

    // The user ticked or cleared "Domain Name", or picked a power action.
    void DomainNameClicked() { ResetNotes(); }
    void ShutNameClicked() { ResetNotes(); }
    // Checks the fields and writes the file when they differ from those loaded or saved
    // last. `stamp` is the local date and time for the file's third line.
    ConfigSaved Save(const std::string& stamp);
    // The defaults into the fields, all but the partner's address and its kind.
    void Restore();
    // `viewerProgram` names, in the box for a viewer that does not start, what is needed.
    LogView ViewLog(std::string_view viewerProgram) const;
    // The one-second timer, with the program's countdown text (empty: nothing to show yet).
    void Second(const std::string& countdown);
    // The status timer's one shot, two seconds after it was (re)started.
    void StatusTimeUp() { status_.clear(); }
    // Whether an event since the last call (re)started the status timer.
    bool TakeStatusTimerStart();

    const std::string& Caption() const { return caption_; }
    const RowLook& Look(std::size_t row) const { return looks_[row]; }
    const ButtonLook& Button(std::size_t button) const { return buttons_[button]; }
    const std::string& Countdown() const { return countdown_; }
    const std::string& Status() const { return status_; }
    // Kept above all other windows, as the main window is.
    bool OnTop() const { return setup_.running.RunOnTop == kSwitchOn; }

private:
    RowLook& LookOf(std::string_view input);
    void DataLoad();
    void SetSlaveLayout();
    void ShowAddressNotes();
    void ShowShutTypeNote();
    // Every note back to its plain look, the address and power-action notes as the fields
    // now stand.
    void ResetNotes();
    // Marks the notes of the fields that fail their checks; the number of failed rules.
    int Validate(bool portError);
    // Writes the file from the fields, the unedited text values as they were read; false
    // when it could not be written.
    bool WriteFile(const std::string& stamp);
    bool Slave() const;

    ConfigWindowSetup setup_;
    ConfigFields fields_;
    // The fields as loaded or saved last, and the file's text values at that time.
    ConfigFields loadedFields_;
    FileTexts loadedTexts_;
    std::string loadedSignature_;
    std::string caption_;
    std::array<RowLook, kConfigRows.size()> looks_;
    std::array<ButtonLook, kConfigButtons.size()> buttons_;
    std::string countdown_;
    std::string status_;
    bool statusTimerStarted_ = false;
};

}  // namespace nodrel
