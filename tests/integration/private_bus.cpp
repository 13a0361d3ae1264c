#include "private_bus.h"

#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <sstream>
#include <stdexcept>
#include <vector>

extern char** environ;

namespace nodrel::testing {

namespace {

constexpr int UnavailableStatus = 77;  // the harness's "tools missing"
constexpr const char* Python = "/usr/bin/python3";

struct Outcome {
    int status = -1;
    std::string out;
};

// Runs the harness with these arguments; its stderr goes to the test's output.
Outcome RunHarness(const std::vector<std::string>& arguments) {
    std::vector<std::string> words = {Python, NODREL_PRIVATE_LOGIND};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    pid_t pid = 0;
    const int r = posix_spawn(&pid, Python, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    Outcome outcome;
    if (r != 0) {
        close(pipeFds[0]);
        throw std::runtime_error("cannot run " + std::string(Python));
    }
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
        if (n > 0) {
            outcome.out.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    close(pipeFds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    while (!outcome.out.empty() && outcome.out.back() == '\n') outcome.out.pop_back();
    return outcome;
}

// The value of a string field in the one-line JSON object the harness prints.
std::string StringField(const std::string& json, const std::string& key) {
    const std::string opening = "\"" + key + "\": \"";
    const auto from = json.find(opening);
    if (from == std::string::npos) return "";
    const auto start = from + opening.size();
    const auto end = json.find('"', start);
    return end == std::string::npos ? "" : json.substr(start, end - start);
}

// The bus and the stand-in outlive the harness command that started them; as their
// adoptive parent this process can reap them once they have been ended.
void AdoptOrphans() { prctl(PR_SET_CHILD_SUBREAPER, 1); }

void ReapEndedChildren() {
    int status = 0;
    while (waitpid(-1, &status, WNOHANG) > 0) {
    }
}

}  // namespace

std::string PrivateBus::Start(bool& unavailable) {
    unavailable = false;
    AdoptOrphans();
    const Outcome outcome =
        RunHarness({"start", "--owner", std::to_string(getpid()), "--lifetime", "300"});
    if (outcome.status == UnavailableStatus) {
        unavailable = true;
        return "dbus-daemon or python3-dbusmock is not installed";
    }
    if (outcome.status != 0) return "the harness could not start the private bus";
    folder_ = StringField(outcome.out, "folder");
    address_ = StringField(outcome.out, "address");
    if (folder_.empty() || address_.rfind("unix:path=" + folder_ + "/", 0) != 0) {
        Stop();
        return "unexpected answer from the harness: " + outcome.out;
    }
    return "";
}

void PrivateBus::Stop() {
    if (folder_.empty()) return;
    RunHarness({"stop", folder_});
    folder_.clear();
    address_.clear();
    ReapEndedChildren();
}

std::string PrivateBus::Control(const std::string& command, const std::string& arguments) const {
    std::vector<std::string> words = {command, folder_};
    std::istringstream split(arguments);
    for (std::string w; split >> w;) words.push_back(w);
    const Outcome outcome = RunHarness(words);
    if (outcome.status != 0) throw std::runtime_error("harness " + command + " failed");
    return outcome.out;
}

std::string PrivateBus::PowerCalls() const { return Control("calls", ""); }

void PrivateBus::Fail(const std::string& method, const std::string& name,
                      const std::string& message) {
    // The message goes as one argument, spaces and all.
    const Outcome outcome = RunHarness({"fail", folder_, method, name, message});
    if (outcome.status != 0) throw std::runtime_error("harness fail failed");
}

void PrivateBus::ResumeAfter(const std::string& method, std::optional<double> seconds) {
    Control("resume", method + " " + (seconds ? std::to_string(*seconds) : "never"));
}

std::string OnlyCall(const std::string& method) {
    std::string text = "{";
    const char* methods[] = {"Halt", "Hibernate", "PowerOff", "Reboot", "Suspend"};
    for (const char* m : methods) {
        if (text.size() > 1) text += ", ";
        text += "\"" + std::string(m) + "\": " + (method == m ? "[[false]]" : "[]");
    }
    return text + "}";
}

std::string NoCalls() { return OnlyCall(""); }

}  // namespace nodrel::testing
