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
#include <memory>
#include <string>
#include <vector>

#include "fakes.h"
#include "frontends/nodrel/nodrel_main.h"
#include "frontends/nodrel/qt_effects.h"

namespace nodrel::testing::desktop {

inline std::string TextOf(const QLabel* label) { return label->text().toStdString(); }

inline QColor Rest(QPalette::ColorRole role) { return QGuiApplication::palette().color(role); }
inline const QColor OrangeColour(255, 128, 0);
inline const QColor GreenColour(0, 128, 0);
inline const QColor WhiteColour(255, 255, 255);

inline QColor Fore(const QLabel* label) { return label->palette().color(QPalette::WindowText); }
inline QColor Back(const QLabel* label) { return label->palette().color(QPalette::Window); }

// A click of the left button, pressed and released inside the widget.
inline void Click(QWidget* widget) {
    const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
    const QPointF global = widget->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
    QCoreApplication::sendEvent(widget, &release);
}

// Lets the event loop run for a while (timers fire, posted events are delivered).
inline void RunFor(int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

// Runs the event loop until the condition holds or the time is up; the condition's last answer.
inline bool RunUntil(const std::function<bool()>& condition, int milliseconds = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > milliseconds) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Watches for modal message boxes, notes what each shows and answers it, optionally after
// keeping it open for a while (with the event loop running, as a user reading it would).
class BoxAnswerer {
public:
    struct Seen {
        QMessageBox::Icon icon;
        std::string title;
        std::string text;
        QMessageBox::StandardButtons buttons;
    };

    explicit BoxAnswerer(QMessageBox::StandardButton answer = QMessageBox::Ok, int holdMs = 0)
        : answer_(answer), holdMs_(holdMs) {
        poll_.setInterval(5);
        QObject::connect(&poll_, &QTimer::timeout, &poll_, [this] { Look(); });
        poll_.start();
    }

    std::vector<Seen> seen;
    // Runs once for each box, when it is first seen, before the answer.
    std::function<void(QMessageBox&)> whileOpen;
    // Answer with this button (NoButton: close the box without a button).
    QMessageBox::StandardButton answer() const { return answer_; }
    void SetAnswer(QMessageBox::StandardButton answer) { answer_ = answer; }

private:
    void Look() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || box == handled_) return;
        handled_ = box;
        seen.push_back({box->icon(), box->windowTitle().toStdString(), box->text().toStdString(),
                        box->standardButtons()});
        if (whileOpen) whileOpen(*box);
        const QMessageBox::StandardButton answer = answer_;
        const QPointer<QMessageBox> target(box);
        QTimer::singleShot(holdMs_, box, [target, answer] {
            if (!target) return;
            if (answer == QMessageBox::NoButton) {
                target->reject();
            } else if (QAbstractButton* button = target->button(answer)) {
                button->click();
            }
        });
    }

    QMessageBox::StandardButton answer_;
    int holdMs_;
    QTimer poll_;
    QPointer<QMessageBox> handled_;
};

class ScriptedLauncher : public Launcher {
public:
    bool OpenUrl(const std::string& address) override {
        urls.push_back(address);
        return works;
    }
    bool OpenFile(const std::string& path) override {
        files.push_back(path);
        return works;
    }
    std::vector<std::string> urls;
    std::vector<std::string> files;
    bool works = true;
};

// The desktop program over the fakes: the real effects, main window and dialogs.
struct Desk {
    explicit Desk(bool trayHost = false) : trayHostRuns(trayHost) {
        effects.quit = [this](int status) { quits.push_back(status); };
        RealTicks(false);
    }

    ScratchFolder folder;
    bool trayHostRuns;
    ScriptedCounters counters;
    FixedClock clock;
    CountingPriority priority;
    RecordingPower power;
    RecordingLink link;
    ScriptedLauncher launcher;
    QtEffects effects{[this] { return trayHostRuns; }};
    Nodrel program{{effects, counters, clock, priority, &power, &link, "nodrel", &launcher}};
    NodrelMain window{program, effects};
    std::vector<int> quits;

    void Start(const Overrides& overrides = {}, const std::string& commandLine = "") {
        folder.WriteConfig(ConfigText(overrides));
        window.Load(commandLine);
        Settle();
    }
    // The tests count the ticks themselves: the refresh timer's own only reach the
    // program where a test asks for them (while a box or a window of the program is open).
    void RealTicks(bool on) {
        effects.onTick = on ? std::function<void()>([this] { window.Tick(); }) : nullptr;
    }
    // Ticks of the refresh timer for so many seconds of the cycle, with what the window
    // system reports delivered between them, as the event loop would.
    void Seconds(int seconds) {
        for (int i = 0; i < 2 * seconds; ++i) {
            Settle();
            window.Tick();
        }
        Settle();
    }
    static void Settle() { QCoreApplication::processEvents(); }
    QLabel* Label(const char* name) const { return window.findChild<QLabel*>(name); }
    QPushButton* Button(const char* name) const { return window.findChild<QPushButton*>(name); }
};

}  // namespace nodrel::testing::desktop
