// The Windows layer against the system under Wine: the processor counters next to the
// host's /proc/stat and over processor groups, the mutex another copy cannot open, the
// log's lock, the log viewer, UDP on loopback, the settings file in the ANSI code page.
#include <windows.h>
#include <winsock2.h>
#include <gtest/gtest.h>
#include <shellapi.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <vector>

#include "cpu/cpu_usage.h"
#include "cpu/load_arithmetic.h"
#include "fake_win32.h"
#include "platform/windows/ansi_file_encoding.h"
#include "platform/windows/append_only_file.h"
#include "platform/windows/instance_guard.h"
#include "platform/windows/nt_counters.h"
#include "platform/windows/shell_launcher.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/winsock_link.h"

namespace nodrel::windows_platform {
namespace {

// The host's counters as Wine sees them: idle and the sum of all columns, in ticks.
bool HostTimes(std::int64_t& idle, std::int64_t& total) {
    std::ifstream in("/proc/stat");
    std::string label;
    if (!(in >> label) || label != "cpu") return false;
    idle = total = 0;
    std::int64_t value = 0;
    for (int column = 0; column < 8 && in >> value; ++column) {
        total += value;
        if (column == 3) idle = value;  // Wine counts idle without iowait
    }
    return total > 0;
}

// The load Wine reports over two seconds, next to the host's for the same seconds, while
// one thread keeps a processor busy.
TEST(NtCounters, FollowTheHostsProcStatWithinTwoPoints) {
    NtCounters counters;
    CpuTimes before, after;
    std::int64_t idle0 = 0, total0 = 0, idle1 = 0, total1 = 0;
    std::atomic<bool> stop{false};
    std::thread busy([&] {
        while (!stop) {
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_TRUE(counters.Read(before));
    ASSERT_TRUE(HostTimes(idle0, total0));
    std::this_thread::sleep_for(std::chrono::seconds(2));
    ASSERT_TRUE(counters.Read(after));
    ASSERT_TRUE(HostTimes(idle1, total1));
    stop = true;
    busy.join();

    ASSERT_GT(before.processors, 0);
    const int wine =
        LoadPercent(after.idle - before.idle, after.system - before.system, before.processors);
    const double host = 100.0 * (1.0 - double(idle1 - idle0) / double(total1 - total0));
    std::printf("load: Wine %d%%, /proc/stat %.1f%%, %d processors\n", wine, host,
                before.processors);
    EXPECT_NEAR(wine, host, 2.0);
    EXPECT_GE(wine, 100 / before.processors - 2) << "the busy thread shows";
}

// A machine of two groups of 64 processors, the first busy and the second idle for
// `seconds`; the system counts `counted` processors.
struct TwoGroups : ProcessorRecords {
    int Groups() override { return 2; }
    int Processors() override { return counted; }
    bool Read(int group, std::vector<ProcessorTimes>& out) override {
        const std::int64_t time = seconds * 10'000'000;
        out.assign(64, {group == 0 ? 0 : time, time, 0});
        return true;
    }
    std::int64_t seconds = 0;
    int counted = 128;
};

// Every group counts: half the machine busy reads 50 %, and records that do not cover the
// processors the system counts are a failed reading.
TEST(NtCounters, SumEveryProcessorGroup) {
    TwoGroups machine;
    NtCounters counters(machine);
    clsCPUUsageNT sampler(counters);
    sampler.Initialize();
    machine.seconds = 1;
    EXPECT_EQ(sampler.Query(), 50);
    machine.counted = 64;  // the count of one group only
    machine.seconds = 2;
    EXPECT_EQ(sampler.Query(), -1);
}

// The mutex all sessions share, asked for synchronisation only; one that exists but may
// not be opened (an elevated copy's, for a normal one) is another copy: a refusal Wine
// never makes, played by the stand-in.
TEST(MutexGuard, AMutexThatCannotBeOpenedIsAnotherCopy) {
    testing::FakeWin32 api;
    api.failing = "CreateMutexEx";  // with ERROR_ACCESS_DENIED
    EXPECT_TRUE(MutexGuard(api, "Global\\Nodrel").AnotherInstance());
    EXPECT_EQ(api.calls, std::vector<std::string>{"CreateMutexEx Global\\Nodrel 0x100000"});
    api.failingError = ERROR_INVALID_NAME;
    EXPECT_FALSE(MutexGuard(api, "Global\\Nodrel").AnotherInstance()) << "other failures: none";
}

// The log's lock is tried, not waited for: a holder that never lets go fails the write after
// 2 s instead of holding up the tick (one that lets go: two copies sharing a log).
TEST(AppendOnlyFile, ALockHeldElsewhereFailsTheWriteAfterTwoSeconds) {
    const std::wstring file = L"held-" + std::to_wstring(GetCurrentProcessId()) + L".log";
    const HANDLE other = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    OVERLAPPED at{};
    at.OffsetHigh = 0x7FFFFFFF;  // the byte the writers lock
    ASSERT_TRUE(LockFileEx(other, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(AppendOnlyFile().Append(file, "never written\r\n"));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(1900));
    EXPECT_LT(waited, std::chrono::seconds(10));
    CloseHandle(other);  // and with it the lock
    DeleteFileW(file.c_str());
}

// Run by the test below as the stand-in viewer: writes the argument it was given, in
// UTF-8, to the file named in the environment.
TEST(ViewerStandIn, DISABLED_WritesItsArgument) {
    int count = 0;
    const LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::ofstream(std::getenv("NODREL_VIEWED"), std::ios::binary)
        << (count > 1 ? Narrow(argv[1]) : "");
    std::exit(0);
}

// The viewer gets the log's path as one argument, blanks and letters beyond ASCII kept.
TEST(ShellLauncher, TheViewerGetsThePathWhole) {
    const std::string path = "C:\\Users\\Zoë Müller\\Nodrel\\Log\\Nodrel.log";
    const std::string viewed = "viewed-" + std::to_string(GetCurrentProcessId()) + ".txt";
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    ShellLauncher launcher;
    launcher.viewer = self;
    SetEnvironmentVariableA("NODREL_VIEWED", viewed.c_str());
    SetEnvironmentVariableA("GTEST_FILTER", "ViewerStandIn.DISABLED_WritesItsArgument");
    SetEnvironmentVariableA("GTEST_ALSO_RUN_DISABLED_TESTS", "1");
    ASSERT_TRUE(launcher.OpenFile(path));
    std::string written;
    for (int i = 0; i < 300 && written != path; ++i) {
        Sleep(100);
        std::ifstream in(viewed, std::ios::binary);
        written.assign(std::istreambuf_iterator<char>(in), {});
    }
    EXPECT_EQ(written, path);
    DeleteFileA(viewed.c_str());
}

// Datagrams sent to the bound port, as the event announces them.
struct Loopback : ::testing::Test {
    WinsockLink slave, master;
    int port = 0;
    std::vector<std::string> received;

    void SetUp() override {
        for (port = 40123; port < 40200 && !slave.Bind(port); ++port) {
        }
        ASSERT_LT(port, 40200);
    }
    bool Arrived(DWORD ms = 2000) {
        return WaitForSingleObject(slave.ArrivalEvent(), ms) == WAIT_OBJECT_0;
    }
    void Read(int limit) {
        slave.Receive([&](std::string_view d) { received.emplace_back(d); }, limit);
    }
};

TEST_F(Loopback, DatagramsArriveWholeABoundedNumberPerWakeUpOnAPortOfTheirOwn) {
    EXPECT_FALSE(Arrived(0));
    for (const char* message : {"<COA100>", "<COC000>", "<COT000>"}) {
        ASSERT_TRUE(master.SendTo("127.0.0.1", port, message));
    }
    ASSERT_TRUE(Arrived());
    Sleep(100);
    Read(2);
    EXPECT_EQ(received, (std::vector<std::string>{"<COA100>", "<COC000>"}));
    ASSERT_TRUE(Arrived()) << "announced again while a datagram waits";
    Read(2);
    EXPECT_EQ(received.back(), "<COT000>");
    EXPECT_FALSE(Arrived(200));
    WinsockLink other;
    EXPECT_FALSE(other.Bind(port)) << "the port is taken";
    slave.Close();
    EXPECT_TRUE(other.Bind(port)) << "Close gave it back";
}

TEST_F(Loopback, AHostNameIsLookedUpWithoutWaiting) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(master.SendTo("localhost", port, "<COA100>")) << "no address known yet";
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    bool sent = false;
    for (int i = 0; i < 50 && !sent; ++i) {
        Sleep(100);
        sent = master.SendTo("localhost", port, "<COA100>");
    }
    EXPECT_TRUE(sent);
    EXPECT_TRUE(Arrived());
    EXPECT_FALSE(master.SendTo("", port, "<COA100>"));
}

// The desktop program hears of arrivals through its window's messages instead.
TEST_F(Loopback, AWindowCanBeToldInsteadOfTheEvent) {
    const HWND window =
        CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    constexpr UINT kLinkMessage = WM_APP + 7;
    slave.NotifyWindow(window, kLinkMessage);
    ASSERT_TRUE(master.SendTo("127.0.0.1", port, "<COA100>"));
    MSG message{};
    bool told = false;
    for (int i = 0; i < 40 && !told; ++i) {
        told = PeekMessageA(&message, window, kLinkMessage, kLinkMessage, PM_REMOVE);
        if (!told) Sleep(50);
    }
    ASSERT_TRUE(told);
    EXPECT_EQ(message.wParam, slave.Socket());
    Read(8);
    EXPECT_EQ(received, std::vector<std::string>{"<COA100>"});
    DestroyWindow(window);
}

// The code page (1252 in the test prefix) read as UTF-8, and written back only where it holds
// every character (what Save keeps and writes: tests/unit ConfigWriter).
TEST(AnsiFileEncoding, ReadsTheCodePageAsUtf8AndWritesOnlyWhatItHolds) {
    ASSERT_EQ(GetACP(), 1252u);
    const AnsiFileEncoding encoding;
    EXPECT_EQ(encoding.ProgramText("K\xF6ln-01.log"), "Köln-01.log");
    EXPECT_EQ(encoding.FileBytes("Kölner-01.log"), "K\xF6lner-01.log");
    EXPECT_EQ(encoding.FileBytes("Журнал-01.log"), std::nullopt);
}

}  // namespace
}  // namespace nodrel::windows_platform
