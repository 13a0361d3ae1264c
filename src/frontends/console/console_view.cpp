#include "frontends/console/console_view.h"

namespace nodrel::console {

namespace {

std::string Heading(const MainWindow& window) {
    return window.caption + ": " + window.Title.caption;
}

}  // namespace

std::string StatusLine(const MainWindow& window) {
    if (window.Counter.caption.empty()) return window.Title.caption;
    return window.Title.caption + " / " + window.Counter.caption;
}

void ConsoleView::Show(const Nodrel& program) {
    if (terminal_) {
        Redraw(program.Window());
    } else {
        Journal(program);
    }
}

void ConsoleView::Redraw(const MainWindow& window) {
    const std::string lines =
        Heading(window) + '\n' + window.Counter.caption + '\n' + window.CPULoad.caption;
    if (drawn_ && lines == lastLines_) return;
    // Back to the first of the three lines, then each line cleared and written anew.
    if (drawn_) std::fputs("\r\033[2A", out_);
    std::fprintf(out_, "\033[K%s\n\033[K%s\n\033[K%s", Heading(window).c_str(),
                 window.Counter.caption.c_str(), window.CPULoad.caption.c_str());
    std::fflush(out_);
    drawn_ = true;
    lastLines_ = lines;
}

void ConsoleView::Journal(const Nodrel& program) {
    const MainWindow& window = program.Window();
    const std::string heading = Heading(window);
    if (heading != lastTitle_) {
        std::fprintf(out_, "%s\n", heading.c_str());
        lastTitle_ = heading;
    }
    const bool phaseChanged = program.State().Phase != lastPhase_;
    const bool countdownSecond =
        program.State().Phase == PhaseCountdown && window.Counter.caption != lastCounter_;
    if ((phaseChanged || countdownSecond) && !window.Counter.caption.empty()) {
        std::fprintf(out_, "%s\n", window.Counter.caption.c_str());
    }
    lastPhase_ = program.State().Phase;
    lastCounter_ = window.Counter.caption;
    std::fflush(out_);
}

void ConsoleView::Release() {
    if (terminal_ && drawn_) {
        std::fputs("\n", out_);
        std::fflush(out_);
        drawn_ = false;
    }
}

}  // namespace nodrel::console
