#pragma once
// frmConfig: the configuration window. Draws the core's ConfigWindow and forwards its
// controls' events to it: every decision (fields, notes, Save, Restore, View Log) is the
// core's. Modal; the monitoring cycle pauses while it is open (Nodrel::DialogOpen), and
// the main window's tick closes it when Nodrel::DialogTimeout has run out.
#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "app/nodrel.h"
#include "frontends/nodrel-win/win/handle.h"
#include "frontends/nodrel-win/win/layout.h"
#include "frontends/nodrel-win/win/modal.h"
#include "ui/config_window.h"

namespace nodrel::win {

class NodrelMain;

class frmConfig : public ModalWindow {
public:
    // Form_Load: the cycle pauses (Nodrel::ConfigOpened) and the fields are loaded. Save
    // and Restore are for administrators only.
    frmConfig(Nodrel& program, NodrelMain& main, bool isAdmin);

    const ConfigWindow& Model() const { return model_; }

protected:
    std::optional<LRESULT> OnModalMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Every way out but Close (the title bar, Escape, the tick's self-close) only lets the
    // cycle go on; Close re-initialises the program when a save is pending.
    void OnClosed() override;

private:
    void BuildControls();
    void LoadIcons();
    // The controls' values into the model, the model's event, then the model drawn.
    void Forward(const std::function<void()>& event);
    void TakeFields();
    void Draw();
    void DrawRow(std::size_t row);
    void OnCommand(int id, int code);
    void ViewL_Click();
    void ExitConfig_Click();
    std::optional<LRESULT> LabelColours(HDC dc, HWND label);

    Nodrel& program_;
    NodrelMain& main_;
    ConfigWindow model_;
    std::unique_ptr<Controls> controls_;
    std::array<int, kConfigRows.size()> captionIds_{};
    Icon logo_;
    BrushCache brushes_;
    bool closedByButton_ = false;
};

}  // namespace nodrel::win
