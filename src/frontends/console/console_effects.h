#pragma once
// What the core asks of a front end, done on a console.
#include <cstdio>
#include <functional>
#include <optional>

#include "app/effects.h"

namespace nodrel::console {

class ConsoleEffects : public nodrel::Effects {
public:
    explicit ConsoleEffects(std::FILE* errors) : errors_(errors) {}

    std::function<void(bool)> onTimer;    // switches the event loop's timer
    std::function<void()> beforeMessage;  // lets the view step aside
    // Where else a message goes (a service's event log).
    std::function<void(int style, const std::string& title, const std::string& text)> onMessage;

    int ShowMessage(int style, const std::string& title, const std::string& text) override;
    void EndProgram(int status) override { status_ = status; }
    void SetRefreshTimer(bool enabled) override {
        if (onTimer) onTimer(enabled);
    }
    // Nobody sits at a console program to answer a question.
    bool CanAsk() const override { return false; }

    std::optional<int> Status() const { return status_; }

private:
    std::FILE* errors_;
    std::optional<int> status_;
};

// A message box as console text: the title, then the text's lines.
std::string MessageText(const std::string& title, const std::string& text);

// Says that another copy runs; returns the exit status of a copy that gives way.
int RefuseSecondCopy(ConsoleEffects& effects);

}  // namespace nodrel::console
