#include "frontends/nodrel-win/frm_config.h"

#include <algorithm>
#include <string>
#include <vector>

#include "frontends/nodrel-win/control_ids.h"
#include "frontends/nodrel-win/nodrel_main.h"
#include "frontends/nodrel-win/res/resource.h"
#include "frontends/nodrel-win/win/text.h"

namespace nodrel::win {

namespace {

// The layout in 96-DPI pixels, as the Qt window lays it out: captions at the left, inputs
// and their notes beside them, a right column for two tick boxes, the buttons below.
constexpr int kWidth = 544;
constexpr int kHeight = 520;
constexpr int kLeft = 11;
constexpr int kInputLeft = 147;
constexpr int kRightColumnLeft = 384;
constexpr int kTickLeft = 516;
constexpr int kTickSide = 16;
constexpr int kFieldHeight = 22;
constexpr int kLabelHeight = 18;
constexpr int kLineStep = 28;
constexpr int kHeadingStep = 24;
constexpr int kSectionGap = 4;
constexpr int kFirstHeading = 71;
constexpr int kLogoSide = 48;
constexpr int kButtonTop = 488;
constexpr int kButtonWidth = 126;
constexpr int kButtonGap = 6;

constexpr UINT_PTR Timer1 = 1;  // the self-closing countdown
constexpr UINT_PTR Timer2 = 2;  // clears the status line
constexpr UINT kCountdownMs = 1000;
constexpr UINT kStatusMs = 2000;

enum ConfigFont { Regular, Bold };
constexpr FontStyle kFonts[] = {{9}, {9, true}};

// A note stays on its line, cut short rather than wrapped.
constexpr DWORD kUnwrapped = SS_LEFTNOWORDWRAP;

// Captions without a name of their own and the section headings.
constexpr int kFirstUnnamedId = 1400;

int InputWidth(InputKind kind) {
    switch (kind) {
        case InputKind::Number:
            return 60;
        case InputKind::Name:
            return 150;
        case InputKind::Wide:
            return kWidth - kInputLeft - kLeft;
        case InputKind::TickBox:
            return kTickSide;
        case InputKind::List:
            return 100;
    }
    return 60;
}

Kind InputControl(InputKind kind) {
    switch (kind) {
        case InputKind::TickBox:
            return Kind::Check;
        case InputKind::List:
            return Kind::DropList;
        case InputKind::Number:
        case InputKind::Name:
        case InputKind::Wide:
            break;
    }
    return Kind::Edit;
}

int IdOf(std::string_view name) {
    return IdNamed("IDC_" + std::string(name));
}

// The control table, built from the core's rows top to bottom (texts are drawn later).
class TableBuilder {
public:
    std::vector<ControlRow> Build() {
        rows_.push_back({IDC_TMessage, Kind::Label, L"", kLeft, 24,
                         kWidth - 2 * kLeft - kLogoSide - 8, kLabelHeight, Bold,
                         SS_LEFTNOWORDWRAP});
        rows_.push_back(
            {IDC_Logo, Kind::Picture, L"", kWidth - kLeft - kLogoSide, 8, kLogoSide, kLogoSide});
        std::optional<WindowSection> section;
        for (std::size_t i = 0; i < kConfigRows.size(); ++i) {
            if (kConfigRows[i].section != section) {
                if (section) centre_ += kSectionGap;
                section = kConfigRows[i].section;
                Heading(kConfigRows[i]);
            }
            Row(i);
        }
        rows_.push_back({IDC_Status, Kind::Label, L"", kLeft, kButtonTop - kLabelHeight - 6,
                         kWidth - 2 * kLeft, kLabelHeight, Bold, SS_LEFTNOWORDWRAP});
        for (std::size_t i = 0; i < kConfigButtons.size(); ++i) {
            rows_.push_back({IdOf(kConfigButtons[i].name), Kind::Button, L"",
                             kLeft + static_cast<int>(i) * (kButtonWidth + kButtonGap), kButtonTop,
                             kButtonWidth, 24});
        }
        return rows_;
    }

private:
    void Label(int id, int x, int width, int font = Regular, DWORD style = 0) {
        rows_.push_back({id, Kind::Label, L"", x, centre_ - kLabelHeight / 2, width, kLabelHeight,
                         font, style});
    }
    void Input(const ConfigRow& row, int x) {
        const int height = row.kind == InputKind::TickBox ? kTickSide : kFieldHeight;
        rows_.push_back({IdOf(row.input), InputControl(row.kind), L"", x, centre_ - height / 2,
                         InputWidth(row.kind), height});
    }
    int CaptionId(std::size_t i) {
        const ConfigRow& row = kConfigRows[i];
        captionIds[i] = row.captionName.empty() ? nextUnnamed_++ : IdOf(row.captionName);
        return captionIds[i];
    }

    void Heading(const ConfigRow& first) {
        Label(nextUnnamed_++, kLeft, kInputLeft - kLeft, Bold);
        headingIds.push_back(rows_.back().id);
        // A row placed beside the heading takes the rest of its line.
        if (first.place != RowPlace::Heading) centre_ += kHeadingStep;
    }

    void Row(std::size_t i) {
        const ConfigRow& row = kConfigRows[i];
        const int inputRight = kInputLeft + InputWidth(row.kind);
        const int noteId = row.noteName.empty() ? 0 : IdOf(row.noteName);
        switch (row.place) {
            case RowPlace::Line: {
                Label(CaptionId(i), kLeft, kInputLeft - kLeft - 4);
                Input(row, kInputLeft);
                const bool rightColumnFollows =
                    i + 1 < kConfigRows.size() && kConfigRows[i + 1].place == RowPlace::RightColumn;
                const int noteRight = rightColumnFollows ? kRightColumnLeft : kWidth - kLeft;
                if (noteId) {
                    Label(noteId, inputRight + 8, noteRight - inputRight - 8, Regular, kUnwrapped);
                }
                if (!rightColumnFollows) centre_ += kLineStep;
                break;
            }
            case RowPlace::RightColumn:
                Label(CaptionId(i), kRightColumnLeft, kTickLeft - kRightColumnLeft - 6, Regular,
                      SS_RIGHT);
                Input(row, kTickLeft);
                centre_ += kLineStep;
                break;
            case RowPlace::NoteBelow:
                Label(CaptionId(i), kLeft, kInputLeft - kLeft - 4);
                Input(row, kInputLeft);
                centre_ += kHeadingStep;
                if (noteId)
                    Label(noteId, kInputLeft, kWidth - kInputLeft - kLeft, Regular, kUnwrapped);
                centre_ += kHeadingStep;
                break;
            case RowPlace::Heading:
                Label(CaptionId(i), kInputLeft, 90);
                Input(row, kInputLeft + 92);
                centre_ += kHeadingStep;
                break;
        }
    }

    std::vector<ControlRow> rows_;
    int centre_ = kFirstHeading;
    int nextUnnamed_ = kFirstUnnamedId;

public:
    std::vector<int> headingIds;
    std::array<int, kConfigRows.size()> captionIds{};
};

std::string TextOf(HWND control) {
    const int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(control, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    return Narrow(text);
}

// Only a changed text is set: an edit keeps its cursor, a label does not flicker.
void ShowText(HWND control, const std::string& text) {
    if (TextOf(control) != text) SetWindowTextW(control, Wide(text).c_str());
}

std::string ChosenItem(HWND list) {
    const auto chosen = SendMessageW(list, CB_GETCURSEL, 0, 0);
    if (chosen == CB_ERR) return "";
    const auto length = SendMessageW(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(chosen), 0);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(chosen),
                 reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return Narrow(text);
}

void Choose(HWND list, const std::string& item) {
    // CB_ERR (-1) for an item the list lacks: nothing chosen.
    const auto found = SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                    reinterpret_cast<LPARAM>(Wide(item).c_str()));
    if (SendMessageW(list, CB_GETCURSEL, 0, 0) != found) {
        SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
    }
}

}  // namespace

frmConfig::frmConfig(Nodrel& program, NodrelMain& main, bool isAdmin)
    : program_(program), main_(main), model_(program.ConfigOpened(), isAdmin) {
    Create(L"frmConfig", L"", WS_POPUP | WS_CAPTION | WS_SYSMENU,
           WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kWidth, kHeight, nullptr);
    BuildControls();
    model_.Load();
    Draw();
    CentreOnScreen(Handle());
    SetTimer(Handle(), Timer1, kCountdownMs, nullptr);
}

void frmConfig::BuildControls() {
    TableBuilder builder;
    const std::vector<ControlRow> rows = builder.Build();
    controls_ = std::make_unique<Controls>(Handle(), rows, kFonts, Dpi());
    captionIds_ = builder.captionIds;
    for (std::size_t i = 0; i < builder.headingIds.size(); ++i) {
        SetWindowTextW((*controls_)[builder.headingIds[i]],
                       Wide(kWindowSectionHeadings[i]).c_str());
    }
    for (const ConfigRow& row : kConfigRows) {
        if (row.kind != InputKind::List) continue;
        const HWND list = (*controls_)[IdOf(row.input)];
        for (const std::string& item : ListItems(row)) {
            SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
        }
    }
    for (const ConfigButton& button : kConfigButtons) {
        SetWindowTextW((*controls_)[IdOf(button.name)], Wide(button.caption).c_str());
    }
    controls_->SetTip(IDC_Logo, "Nodrel's home page");
    LoadIcons();
}

void frmConfig::LoadIcons() {
    Icon logo = LoadIconSized(IDI_LOGO, Scale(kLogoSide));
    SendMessageW((*controls_)[IDC_Logo], STM_SETICON, reinterpret_cast<WPARAM>(logo.get()), 0);
    logo_ = std::move(logo);
}

void frmConfig::Forward(const std::function<void()>& event) {
    TakeFields();
    event();
    if (program_.EndStatus()) {
        Close();
        return;
    }
    Draw();
}

void frmConfig::TakeFields() {
    ConfigFields& fields = model_.Fields();
    for (const ConfigRow& row : kConfigRows) {
        const HWND input = (*controls_)[IdOf(row.input)];
        if (row.kind == InputKind::TickBox) {
            TickIn(fields, row) = SendMessageW(input, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
        } else if (row.kind == InputKind::List) {
            TextIn(fields, row) = ChosenItem(input);
        } else {
            TextIn(fields, row) = TextOf(input);
        }
    }
}

void frmConfig::Draw() {
    ShowText(Handle(), model_.Caption());
    for (std::size_t i = 0; i < kConfigRows.size(); ++i) DrawRow(i);
    for (std::size_t i = 0; i < kConfigButtons.size(); ++i) {
        const int id = IdOf(kConfigButtons[i].name);
        controls_->SetTip(id, model_.Button(i).tip);
        EnableWindow((*controls_)[id], model_.Button(i).enabled);
    }
    ShowText((*controls_)[IDC_TMessage], model_.Countdown());
    ShowText((*controls_)[IDC_Status], model_.Status());
    if (model_.TakeStatusTimerStart()) SetTimer(Handle(), Timer2, kStatusMs, nullptr);
}

void frmConfig::DrawRow(std::size_t row) {
    const ConfigRow& design = kConfigRows[row];
    const RowLook& look = model_.Look(row);
    const ConfigFields& fields = model_.Fields();
    const int inputId = IdOf(design.input);
    const HWND input = (*controls_)[inputId];
    ShowText((*controls_)[captionIds_[row]], look.caption);
    controls_->SetTip(inputId, look.tip);
    // Setting a control's value sends no click: only the user's changes are events.
    if (design.kind == InputKind::TickBox) {
        SendMessageW(input, BM_SETCHECK, TickIn(fields, design) == 1 ? BST_CHECKED : BST_UNCHECKED,
                     0);
    } else if (design.kind == InputKind::List) {
        Choose(input, TextIn(fields, design));
    } else {
        ShowText(input, TextIn(fields, design));
        // Read-only edits take the button-face background themselves.
        SendMessageW(input, EM_SETREADONLY, look.locked, 0);
    }
    if (design.noteName.empty()) return;
    const int noteId = IdOf(design.noteName);
    const HWND note = (*controls_)[noteId];
    ShowText(note, look.note);
    controls_->SetBold(noteId, look.marked);
    InvalidateRect(note, nullptr, TRUE);
}

void frmConfig::OnCommand(int id, int code) {
    switch (id) {
        case IDC_DNameT:
            if (code == BN_CLICKED) Forward([this] { model_.DomainNameClicked(); });
            break;
        case IDC_ShutNameT:
            if (code == CBN_SELCHANGE) Forward([this] { model_.ShutNameClicked(); });
            break;
        case IDC_Save:
            Forward([this] { program_.ConfigSave(model_); });
            break;
        case IDC_Restore:
            Forward([this] { model_.Restore(); });
            break;
        case IDC_ViewL:
            ViewL_Click();
            break;
        case IDC_ExitConfig:
            ExitConfig_Click();
            break;
        case IDC_Logo:
            if (code == STN_CLICKED) main_.RunEvent([this] { program_.OpenHomePage("Nodrel"); });
            break;
        default:
            break;
    }
}

void frmConfig::ViewL_Click() {
    // Notepad starts without being waited for; a box may end the program.
    Forward([this] { main_.RunEvent([this] { program_.ConfigViewLog(model_); }); });
}

void frmConfig::ExitConfig_Click() {
    if (Closed()) return;
    closedByButton_ = true;
    Close();
    main_.RunEvent([this] { program_.ConfigClosed(); });
}

void frmConfig::OnClosed() {
    KillTimer(Handle(), Timer1);
    KillTimer(Handle(), Timer2);
    if (closedByButton_) return;
    // The title bar's close and Escape act as Close, as in the Linux window; the tick's
    // self-close and the end of the program have already let go of the window.
    if (program_.State().DialogOpen && !program_.EndStatus()) {
        closedByButton_ = true;
        main_.RunEvent([this] { program_.ConfigClosed(); });
        return;
    }
    program_.DialogClosed();
}

std::optional<LRESULT> frmConfig::LabelColours(HDC dc, HWND label) {
    const int id = GetDlgCtrlID(label);
    COLORREF colour = 0;
    if (id == IDC_TMessage || id == IDC_Status) {
        colour = ToColorRef(kOrange);
    } else {
        const auto row = std::find_if(
            kConfigRows.begin(), kConfigRows.end(),
            [id](const ConfigRow& r) { return !r.noteName.empty() && IdOf(r.noteName) == id; });
        if (row == kConfigRows.end()) return std::nullopt;
        const auto index = static_cast<std::size_t>(row - kConfigRows.begin());
        colour = ToColorRef(model_.Look(index).NoteColour());
    }
    SetTextColor(dc, colour);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

std::optional<LRESULT> frmConfig::OnModalMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_TIMER:
            if (wParam == Timer1) Forward([this] { model_.Second(program_.ConfigSecond()); });
            if (wParam == Timer2) {
                KillTimer(Handle(), Timer2);
                Forward([this] { model_.StatusTimeUp(); });
            }
            return 0;
        case WM_CTLCOLORSTATIC:
            return LabelColours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_ACTIVATE:
            // Form_Activate: above all other windows when the main window is.
            if (LOWORD(wParam) != WA_INACTIVE && model_.OnTop()) {
                SetTopmost(Handle(), true);
            }
            return std::nullopt;
        case WM_DPICHANGED:
            FollowDpiChange(Handle(), *controls_, wParam, lParam);
            LoadIcons();
            return 0;
        default:
            return std::nullopt;
    }
}

}  // namespace nodrel::win
