#pragma once
// The 500 ms refresh timer as window messages, without drift: a one-shot timer re-armed
// in every WM_TIMER for the time left to the next point of a fixed grid (TickGrid). An
// early WM_TIMER only re-arms. WM_TIMER also reaches a window while a message box, a menu
// or a window move runs its own loop.
#include <windows.h>

#include <functional>

#include "frontends/nodrel-win/tick_grid.h"

namespace nodrel::win {

class RefreshTimer {
public:
    RefreshTimer(HWND window, UINT_PTR id, TickGrid::Duration period)
        : window_(window), id_(id), grid_(period) {}
    ~RefreshTimer() { Stop(); }
    RefreshTimer(const RefreshTimer&) = delete;
    RefreshTimer& operator=(const RefreshTimer&) = delete;

    // The first tick one period from now.
    void Start();
    void Stop();
    bool Running() const { return grid_.Running(); }

    // For the window's WM_TIMER with this id: true when a tick is due now.
    bool OnTimer();
    // True when a tick is due now, without waiting for WM_TIMER (a flood of other
    // messages may keep it waiting).
    bool TakeDue();

private:
    void Arm();
    HWND window_;
    UINT_PTR id_;
    TickGrid grid_;
};

}  // namespace nodrel::win
