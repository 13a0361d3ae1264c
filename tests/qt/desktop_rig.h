#pragma once
// The desktop program's windows over the core, wired as main.cpp wires them but with the
// fakes for the outside world, in a scratch folder, on the offscreen platform.
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

namespace nodrel::testing::desktop {

inline const QColor OrangeColour(255, 128, 0);
inline std::string TextOf(const QLabel* label) { return label->text().toStdString(); }
inline QColor Fore(const QLabel* label) { return label->palette().color(QPalette::WindowText); }

// A left click, released inside the widget.
inline void Click(QWidget* widget) {
    const QPointF at(2, 2);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
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
inline void RunFor(int milliseconds) { RunUntil([] { return false; }, milliseconds); }

// Notes each modal message box that opens and answers it (NoButton: closes it without a
// button) after holdMs, with the event loop running meanwhile.
class BoxAnswerer {
public:
    struct Seen {
        QMessageBox::Icon icon;
        std::string title, text;
    };
    explicit BoxAnswerer(QMessageBox::StandardButton answer = QMessageBox::Ok, int holdMs = 0) {
        QObject::connect(&poll_, &QTimer::timeout, &poll_, [this, answer, holdMs] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || box == handled_) return;
            handled_ = box;
            seen.push_back(
                {box->icon(), box->windowTitle().toStdString(), box->text().toStdString()});
            if (whileOpen) whileOpen();
            QTimer::singleShot(holdMs, box, [box, answer] {
                if (answer == QMessageBox::NoButton) box->reject();
                else if (QAbstractButton* button = box->button(answer)) button->click();
            });
        });
        poll_.start(5);
    }
    std::vector<Seen> seen;
    std::function<void()> whileOpen;  // once for each box, before the answer

private:
    QTimer poll_;
    QPointer<QMessageBox> handled_;
};

class ScriptedLauncher : public Launcher {
public:
    bool OpenUrl(const std::string& address) override { return urls.push_back(address), works; }
    bool OpenFile(const std::string& path) override { return files.push_back(path), works; }
    std::vector<std::string> urls, files;
    bool works = true;
};

// The outside world but for the effects: fakes, in a scratch folder.
struct Fakes {
    ScratchFolder folder;
    ScriptedCounters counters;
    FixedClock clock;
    CountingPriority priority;
    RecordingPower power;
    RecordingLink link;
    ScriptedLauncher launcher;
};

// The desktop program over the fakes: the real effects, main window and dialogs. The tests
// give the ticks: the refresh timer's own reach the program only after RealTicks(true).
struct Desk : Fakes {
    Desk() { effects.quit = [this](int status) { quits.push_back(status); }; RealTicks(false); }
    bool trayHostRuns = false;
    QtEffects effects{[this] { return trayHostRuns; }};
    Nodrel program{{effects, counters, clock, priority, &power, &link, "nodrel", &launcher}};
    NodrelMain window{program, effects};
    std::vector<int> quits;

    void Start(const Overrides& overrides = {}, const std::string& commandLine = "") {
        folder.WriteConfig(ConfigText(overrides));
        window.Load(commandLine);
        QCoreApplication::processEvents();
    }
    void RealTicks(bool on) {
        effects.onTick = on ? std::function<void()>([this] { window.Tick(); }) : nullptr;
    }
    // The ticks of so many seconds, with the window system's events delivered between them.
    void Seconds(int seconds) {
        for (int i = 0; i < 2 * seconds; ++i) QCoreApplication::processEvents(), window.Tick();
        QCoreApplication::processEvents();
    }
    QLabel* Label(const char* name) const { return window.findChild<QLabel*>(name); }
    QPushButton* Button(const char* name) const { return window.findChild<QPushButton*>(name); }
};

}  // namespace nodrel::testing::desktop
