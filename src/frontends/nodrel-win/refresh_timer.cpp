#include "frontends/nodrel-win/refresh_timer.h"

namespace nodrel::win {

void RefreshTimer::Start() {
    grid_.Start(TickGrid::Clock::now());
    Arm();
}

void RefreshTimer::Stop() {
    grid_.Stop();
    KillTimer(window_, id_);
}

void RefreshTimer::Arm() {
    const auto wait = grid_.Wait(TickGrid::Clock::now());
    // Not merged with other timers: the tick's precision matters more than the power saved.
    SetCoalescableTimer(window_, id_, static_cast<UINT>(wait.count()), nullptr,
                        TIMERV_NO_COALESCING);
}

bool RefreshTimer::OnTimer() {
    if (!grid_.Running()) {
        KillTimer(window_, id_);
        return false;
    }
    const bool due = grid_.TakeDue(TickGrid::Clock::now());
    Arm();
    return due;
}

bool RefreshTimer::TakeDue() {
    if (!grid_.Running() || !grid_.TakeDue(TickGrid::Clock::now())) return false;
    Arm();
    return true;
}

}  // namespace nodrel::win
