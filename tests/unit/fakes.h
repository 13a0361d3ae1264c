#pragma once
// Stand-ins for the outside world, so the core can be driven tick by tick.
#include <deque>
#include <filesystem>
#include <functional>
#include <fstream>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "app/effects.h"
#include "app/nodrel.h"
#include "app/process_priority.h"
#include "common/clock.h"
#include "cpu/cpu_counters.h"
#include "link/link_socket.h"
#include "shutdown/power_actions.h"

namespace nodrel::testing {

struct ShownMessage {
    int style;
    std::string title;
    std::string text;
};

class RecordingEffects : public Effects {
public:
    int ShowMessage(int style, const std::string& title, const std::string& text) override {
        messages.push_back({style, title, text});
        events.push_back("message");
        if (whileShown) whileShown();
        return answer;
    }
    void EndProgram(int status) override {
        ended = status;
        events.push_back("end");
    }
    void SetRefreshTimer(bool enabled) override {
        timer = enabled;
        events.push_back(enabled ? "timer on" : "timer off");
    }
    void AddTrayIcon() override { events.push_back("tray add"); }
    void RemoveTrayIcon() override { events.push_back("tray remove"); }
    void Minimise() override { events.push_back("minimise"); }
    void Restore() override { events.push_back("restore"); }
    void HideWindow() override { events.push_back("hide"); }
    void CloseDialogs() override { events.push_back("close dialogs"); }

    std::vector<ShownMessage> messages;
    std::vector<std::string> events;
    std::optional<int> ended;
    bool timer = false;
    int answer = box::AnswerOk;
    std::function<void()> whileShown;  // as if the box ran the event loop
};

// Hands out readings whose load is chosen by the test: each reading advances one second
// of one processor with the given load in percent; -1 makes the reading fail.
class ScriptedCounters : public CpuCounters {
public:
    bool Read(CpuTimes& out) override {
        int load = 0;
        if (!loads.empty()) {
            load = loads.front();
            loads.pop_front();
        }
        if (load < 0) return false;
        now_.system += 10'000'000;
        now_.idle += 10'000'000 * (100 - load) / 100;
        now_.processors = 1;
        out = now_;
        return true;
    }
    std::deque<int> loads;  // one per reading; an empty queue reads as fully idle

private:
    CpuTimes now_{0, 0, 1};
};

class FixedClock : public Clock {
public:
    std::tm LocalNow() override {
        std::tm t{};
        t.tm_year = 126;
        t.tm_mon = 11;
        t.tm_mday = 6;
        t.tm_hour = 9;
        t.tm_min = 5;
        t.tm_sec = 7;
        return t;
    }
};

class CountingPriority : public ProcessPriority {
public:
    void Raise() override { ++raised; }
    int raised = 0;
};

class RecordingPower : public PowerBackend {
public:
    PowerOutcome Perform(PowerCall call) override {
        calls.push_back(call);
        if (during) during();
        return outcome;
    }
    std::vector<PowerCall> calls;
    PowerOutcome outcome;
    std::function<void()> during;  // runs while the action is under way
};

// A socket that keeps what was sent and which port was bound.
class RecordingLink : public LinkSocket {
public:
    void Close() override { ++closed; }
    bool Bind(int port) override {
        bound = port;
        return bindWorks;
    }
    bool SendTo(const std::string& host, int port, std::string_view datagram) override {
        if (!sendWorks) return false;
        sent.push_back(std::string(datagram));
        lastHost = host;
        lastPort = port;
        return true;
    }
    std::vector<std::string> sent;
    std::string lastHost;
    int lastPort = 0;
    int bound = 0;
    int closed = 0;
    bool bindWorks = true;
    bool sendWorks = true;
};

// The settings as "key=value" overrides of a working master at level Full.
using Overrides = std::map<std::string, std::string>;
std::string ConfigText(const Overrides& overrides = {});

// A scratch folder with Data/ and Log/, made the current directory for the test's life.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    void WriteConfig(const std::string& text) const;
    std::string ReadLog(const std::string& name = "Nodrel.log") const;
    // The event and state columns of every log line, as "event|state".
    std::vector<std::string> LogEvents() const;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};

// A program wired to the fakes above.
struct Rig {
    RecordingEffects effects;
    ScriptedCounters counters;
    FixedClock clock;
    CountingPriority priority;
    RecordingPower power;
    RecordingLink link;
    Nodrel program{{effects, counters, clock, priority, &power, &link, "nodreld"}};

    // Ticks until `seconds` work ticks have passed.
    void Seconds(int seconds) {
        for (int i = 0; i < 2 * seconds; ++i) program.tmrRefresh_Timer();
    }
};

}  // namespace nodrel::testing

namespace nodrel {
inline void PrintTo(const Colour& c, std::ostream* os) {
    if (c.kind == Colour::Kind::ButtonFace) *os << "ButtonFace";
    else if (c.kind == Colour::Kind::ButtonText) *os << "ButtonText";
    else *os << "rgb(" << int(c.r) << "," << int(c.g) << "," << int(c.b) << ")";
}
inline void PrintTo(const LabelState& l, std::ostream* os) {
    *os << "{\"" << l.caption << "\", ";
    PrintTo(l.fore, os);
    *os << " on ";
    PrintTo(l.back, os);
    *os << (l.bold ? ", bold}" : "}");
}
inline void PrintTo(const ButtonState& b, std::ostream* os) {
    *os << "{\"" << b.caption << "\", tip \"" << b.toolTip << "\", "
        << (b.enabled ? "enabled}" : "disabled}");
}
}  // namespace nodrel
