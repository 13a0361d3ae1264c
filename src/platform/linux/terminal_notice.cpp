#include "platform/linux/terminal_notice.h"

#include <fcntl.h>
#include <paths.h>
#include <signal.h>
#include <unistd.h>
#include <utmpx.h>

#include <cerrno>
#include <cstring>
#include <set>

namespace nodrel::linux_platform {

namespace {

bool ProcessLives(pid_t pid) {
    return pid > 0 && (kill(pid, 0) == 0 || errno == EPERM);
}

// The terminals ("pts/3", "tty1") of the log-ins whose process still runs, each once.
std::set<std::string> LoggedInTerminals(const std::string& records) {
    std::set<std::string> lines;
    if (utmpxname(records.c_str()) != 0) return lines;
    setutxent();
    while (const utmpx* entry = getutxent()) {
        if (entry->ut_type != USER_PROCESS || !ProcessLives(entry->ut_pid)) continue;
        std::string line(entry->ut_line, strnlen(entry->ut_line, sizeof entry->ut_line));
        // A name under /dev, never a way out of it.
        if (!line.empty() && line.find("..") == std::string::npos) lines.insert(line);
    }
    endutxent();
    return lines;
}

// Never waits for the terminal and never makes it this process's controlling terminal.
void WriteToTerminal(const std::string& device, const std::string& message) {
    const int fd = open(device.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    if (isatty(fd) == 1) {
        // A full terminal loses the message rather than hold up the program.
        const ssize_t written = write(fd, message.data(), message.size());
        static_cast<void>(written);
    }
    close(fd);
}

}  // namespace

TerminalNotice::TerminalNotice() : records_(_PATH_UTMP) {}

void TerminalNotice::Announce(const std::string& text) {
    const std::string message = "\r\n" + text + "\r\n";
    for (const std::string& line : LoggedInTerminals(records_)) {
        WriteToTerminal("/dev/" + line, message);
    }
}

}  // namespace nodrel::linux_platform
