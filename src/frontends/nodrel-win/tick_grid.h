#pragma once
// The refresh timer's schedule: ticks on a fixed grid of periods from the moment it was
// switched on. A late tick runs late and the grid stays; ticks missed meanwhile are
// dropped, not made up. Plain arithmetic, no window system.
#include <chrono>

namespace nodrel::win {

class TickGrid {
public:
    using Clock = std::chrono::steady_clock;
    using Duration = std::chrono::milliseconds;

    explicit TickGrid(Duration period) : period_(period) {}

    void Start(Clock::time_point now) {
        next_ = now + period_;
        running_ = true;
    }
    void Stop() { running_ = false; }
    bool Running() const { return running_; }

    // Whether a tick is due at `now`; if so the next one is the first grid point after now.
    bool TakeDue(Clock::time_point now) {
        if (!running_ || now < next_) return false;
        const auto missed = (now - next_) / period_;
        next_ += period_ * (missed + 1);
        return true;
    }

    // How long to wait from `now` until the next tick (at least 1 ms).
    Duration Wait(Clock::time_point now) const {
        const auto left = std::chrono::ceil<Duration>(next_ - now);
        return left < Duration(1) ? Duration(1) : left;
    }

private:
    Duration period_;
    Clock::time_point next_{};
    bool running_ = false;
};

}  // namespace nodrel::win
