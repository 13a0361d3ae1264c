#pragma once
// Stand-ins for the outside world, so the core can be driven tick by tick.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/nodrel.h"

namespace nodrel::testing {

struct ShownMessage {
    int style;
    std::string title, text;
    bool operator==(const ShownMessage&) const = default;
};

// Notes every effect, of both kinds, in order in `events` ("message", "tray remove", "end",
// ...).
struct RecordingEffects : Effects, WindowEffects {
    int ShowMessage(int style, const std::string& title, const std::string& text) override {
        messages.push_back({style, title, text});
        events.push_back("message");
        if (whileShown) whileShown();
        return answer;
    }
    void EndProgram(int status) override { ended = status, events.push_back("end"); }
    void SetRefreshTimer(bool on) override { events.push_back(on ? "timer on" : "timer off"); }
    bool CanAsk() const override { return canAsk; }
    void AddTrayIcon() override { events.push_back("tray add"); }
    void RemoveTrayIcon() override { events.push_back("tray remove"); }
    void Minimise() override { events.push_back("minimise"); }
    void Restore() override { events.push_back("restore"); }
    void HideWindow() override { events.push_back("hide"); }
    void CloseDialogs() override { events.push_back("close dialogs"); }
    void CloseMessageBoxes() override { events.push_back("close boxes"); }

    std::vector<ShownMessage> messages;
    std::vector<std::string> events;
    std::optional<int> ended;
    int answer = box::kAnswerOk;
    bool canAsk = true;                // false: a console, with nobody to answer
    std::function<void()> whileShown;  // as if the box ran the event loop
};

// Each reading advances one second of one processor with the load (percent) the test
// queued; -1 makes the reading fail, an empty queue reads as fully idle.
struct ScriptedCounters : CpuCounters {
    bool Read(CpuTimes& out) override {
        const int load = loads.empty() ? 0 : loads.front();
        if (!loads.empty()) loads.pop_front();
        if (load < 0) return false;
        now_.system += 10'000'000;
        now_.idle += 10'000'000 * (100 - load) / 100;
        out = now_;
        return true;
    }
    std::deque<int> loads;

private:
    CpuTimes now_{0, 0, 1};
};

struct FixedClock : Clock {
    std::tm LocalNow() override {
        std::tm t{};
        t.tm_year = 126, t.tm_mon = 11, t.tm_mday = 6, t.tm_hour = 9, t.tm_min = 5, t.tm_sec = 7;
        return t;
    }
};

struct CountingPriority : ProcessPriority {
    void Raise() override { ++raised; }
    int raised = 0;
};

struct RecordingPower : PowerBackend {
    PowerOutcome Perform(PowerCall call) override {
        calls.push_back(call);
        if (during) during();
        return outcome;
    }
    std::vector<PowerCall> calls;
    PowerOutcome outcome;
    std::function<void()> during;  // runs while the action is under way
};

struct RecordingLink : LinkSocket {
    void Close() override { ++closed; }
    bool Bind(int port) override { return bound = port, bindWorks; }
    bool SendTo(const std::string& host, int port, std::string_view datagram) override {
        if (!sendWorks) return false;
        sent.emplace_back(datagram);
        lastHost = host, lastPort = port;
        return true;
    }
    std::vector<std::string> sent;
    std::string lastHost;
    int lastPort = 0, bound = 0, closed = 0;
    bool bindWorks = true, sendWorks = true;
};

struct RecordingNotice : CountdownNotice {
    void Announce(const std::string& text) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

// Opens nothing: notes what it was asked to open.
struct ScriptedLauncher : Launcher {
    bool OpenUrl(const std::string& address) override { return urls.push_back(address), works; }
    bool OpenFile(const std::string& path) override { return files.push_back(path), works; }
    std::string ViewerProgram() const override { return "The program viewer"; }
    std::vector<std::string> urls, files;
    bool works = true;
};

// The file's bytes; nothing for a folder or a missing file.
inline std::string ReadBytes(const std::filesystem::path& file) {
    if (!std::filesystem::is_regular_file(file)) return {};
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
inline void WriteBytes(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

inline std::vector<std::string> Last(const std::vector<std::string>& all, std::ptrdiff_t n) {
    return {all.end() - std::min<std::ptrdiff_t>(n, std::ssize(all)), all.end()};
}

// The settings file of a working master at level Full, with "key=value" overrides.
using Overrides = std::map<std::string, std::string>;
std::string ConfigText(const Overrides& overrides = {});

// A fresh folder with Data/ and Log/, the current directory for the object's life.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    void WriteConfig(const std::string& text) const {
        WriteBytes(path_ / "Data/Nodrel4.ini", text);
    }
    std::string ReadLog() const { return ReadBytes(path_ / "Log/Nodrel.log"); }
    // The event and state columns of every log line, as "event|state".
    std::vector<std::string> LogEvents() const;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_, previous_;
};

// A program wired to the fakes above, in a scratch folder of its own.
struct Rig {
    // `awaitSessionEnd`: an accepted power off waits for the session's end, as on Windows.
    explicit Rig(bool awaitSessionEnd = false)
        : program{{effects, counters, clock, priority, &power, &link, "nodreld", &effects,
                   &launcher, nullptr, nullptr, awaitSessionEnd, &notice}} {}
    ScratchFolder folder;
    RecordingEffects effects;
    ScriptedCounters counters;
    FixedClock clock;
    CountingPriority priority;
    RecordingPower power;
    RecordingLink link;
    RecordingNotice notice;
    ScriptedLauncher launcher;
    Nodrel program;
    const CycleState& State() const { return program.State(); }

    // Writes the settings and loads the program; fails with the box's text if it ended.
    ::testing::AssertionResult Start(const Overrides& overrides = {},
                                     const std::string& commandLine = "") {
        folder.WriteConfig(ConfigText(overrides));
        program.Form_Load(commandLine);
        if (!effects.ended) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << (effects.messages.empty() ? "ended" : effects.messages.back().text);
    }
    // Ticks until `seconds` work ticks have passed.
    void Seconds(int seconds) {
        for (int i = 0; i < 2 * seconds; ++i) program.tmrRefresh_Timer();
    }
    const MainWindow& Window() const { return program.Window(); }
};

}  // namespace nodrel::testing
