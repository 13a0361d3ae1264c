#pragma once
// MultiInst: the only window of a copy that found another one running. It says so, stays
// above all other windows, and the copy ends when the window goes.
#include <memory>

#include "app/effects.h"
#include "app/launcher.h"
#include "frontends/nodrel-win/win/handle.h"
#include "frontends/nodrel-win/win/layout.h"
#include "frontends/nodrel-win/win/modal.h"

namespace nodrel::win {

class WinEffects;

class MultiInst : public ModalWindow {
public:
    // The launcher opens the home page from the logo; the effects show its failure.
    MultiInst(Launcher& launcher, WinEffects& effects);

    // Shows the window until OK (or any other close); returns the copy's exit status.
    int Run();

protected:
    std::optional<LRESULT> OnModalMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void KeepOnTop();
    void LoadPictures();
    Launcher& launcher_;
    WinEffects& effects_;
    std::unique_ptr<Controls> controls_;
    Icon image_;
    Icon logo_;
    Icon smallIcon_;
};

}  // namespace nodrel::win
