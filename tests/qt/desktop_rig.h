#pragma once
// The desktop program's windows over the fakes, wired as main.cpp wires them, in a scratch
// folder on the offscreen platform.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "fakes.h"
#include "frontends/nodrel/nodrel_main.h"
#include "frontends/nodrel/qt_effects.h"

namespace nodrel::qt {

using ::testing::ElementsAre;
using ::testing::EndsWith;

// The core's fakes, shared with the unit tests.
using namespace nodrel::testing;

inline const QColor kOrangeColour(255, 128, 0);
inline std::string TextOf(const QLabel* label) {
    return label->text().toStdString();
}
inline QColor Fore(const QLabel* label) {
    return label->palette().color(QPalette::WindowText);
}

// A left click, released inside the widget.
inline void Click(QWidget* widget) {
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2),
                        widget->mapToGlobal(QPointF(2, 2)), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &release);
}

// Runs the event loop until the condition holds or the time is up; the condition's answer.
inline bool RunUntil(const std::function<bool()>& condition, int milliseconds = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!condition() && clock.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return condition();
}
inline void RunFor(int milliseconds) {
    RunUntil([] { return false; }, milliseconds);
}

// Notes each modal message box that opens ("icon|title|text") and answers it after holdMs
// (NoButton: closes it as Escape would), with the event loop running meanwhile. While none
// is alive, a box that opens fails the test (qt_test_main.cpp).
struct BoxAnswerer {
    explicit BoxAnswerer(QMessageBox::StandardButton answer = QMessageBox::Ok, int holdMs = 0) {
        ++alive;
        QObject::connect(&poll, &QTimer::timeout, &poll, [this, answer, holdMs] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || box == handled) return;
            handled = box;
            seen.push_back(QString("%1|%2|%3")
                               .arg(box->icon())
                               .arg(box->windowTitle(), box->text())
                               .toStdString());
            QTimer::singleShot(holdMs, box, [box, answer] {
                answer == QMessageBox::NoButton ? box->reject() : box->button(answer)->click();
            });
        });
        poll.start(5);
    }
    ~BoxAnswerer() { --alive; }
    static inline int alive = 0;
    std::vector<std::string> seen;
    QTimer poll;
    QPointer<QMessageBox> handled;
};

// The desktop program over the fakes, in a scratch folder; the tests give the ticks, not the
// refresh timer.
struct Desk {
    Desk() {
        effects.quit = [this](int status) { quits.push_back(status); };
        effects.onTick = nullptr;
    }
    ScratchFolder folder;
    ScriptedCounters counters;
    FixedClock clock;
    CountingPriority priority;
    RecordingPower power;
    RecordingLink link;
    ScriptedLauncher launcher;
    bool trayHostRuns = false;
    QtEffects effects{[this] { return trayHostRuns; }};
    Nodrel program{
        {effects, counters, clock, priority, &power, &link, "nodrel", &effects, &launcher}};
    NodrelMain window{program, effects};
    std::vector<int> quits;

    void Start(const Overrides& overrides = {}, const std::string& commandLine = "") {
        folder.WriteConfig(ConfigText(overrides));
        window.Load(commandLine);
        QCoreApplication::processEvents();
    }
    // The ticks of so many seconds, with the window system's events delivered between them.
    void Seconds(int seconds) {
        for (int i = 0; i < 2 * seconds; ++i) QCoreApplication::processEvents(), window.Tick();
        QCoreApplication::processEvents();
    }
    QLabel* Label(const char* name) const { return window.findChild<QLabel*>(name); }
    QPushButton* Button(const char* name) const { return window.findChild<QPushButton*>(name); }
};

}  // namespace nodrel::qt
