#include "platform/linux/proc_stat_counters.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <charconv>
#include <utility>

namespace nodrel::linux_platform {

namespace {

constexpr std::int64_t kHundredNsPerSecond = 10'000'000;
// Enough for the file of a few dozen processors; a machine with hundreds doubles it.
constexpr std::size_t kFirstBuffer = 16384;
constexpr std::size_t kLargestText = 4 << 20;

// Next whitespace-separated unsigned number; false at the end of the line.
bool NextNumber(std::string_view& line, std::uint64_t& value) {
    const auto start = line.find_first_not_of(' ');
    if (start == std::string_view::npos) return false;
    line.remove_prefix(start);
    const auto [end, ec] = std::from_chars(line.data(), line.data() + line.size(), value);
    if (ec != std::errc{}) return false;
    line.remove_prefix(static_cast<std::size_t>(end - line.data()));
    return true;
}

bool IsPerProcessorLine(std::string_view line) {
    return line.size() > 3 && line.starts_with("cpu") && line[3] >= '0' && line[3] <= '9';
}

}  // namespace

bool ParseProcStat(std::string_view text, long ticksPerSecond, nodrel::CpuTimes& out) {
    bool haveTotal = false;
    std::uint64_t idle = 0, total = 0;
    int processors = 0;
    while (!text.empty()) {
        const auto eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
        if (IsPerProcessorLine(line)) {
            ++processors;
        } else if (line.starts_with("cpu ")) {
            line.remove_prefix(4);
            // user nice system idle iowait irq softirq steal
            std::array<std::uint64_t, 8> field{};
            for (auto& f : field) {
                if (!NextNumber(line, f)) return false;
            }
            idle = field[3] + field[4];
            for (auto f : field) total += f;
            haveTotal = true;
        }
    }
    if (!haveTotal || processors < 1 || ticksPerSecond < 1) return false;
    const auto scale = kHundredNsPerSecond / ticksPerSecond;
    out.idle = static_cast<std::int64_t>(idle) * scale;
    out.system = static_cast<std::int64_t>(total) * scale / processors;
    out.processors = processors;
    return true;
}

ProcStatCounters::ProcStatCounters(std::string path)
    : path_(std::move(path)), buffer_(kFirstBuffer), ticksPerSecond_(sysconf(_SC_CLK_TCK)) {}

ProcStatCounters::~ProcStatCounters() {
    if (fd_ >= 0) close(fd_);
}

bool ProcStatCounters::Read(nodrel::CpuTimes& out) {
    // The file stays open; each reading starts again from its beginning. The kernel hands
    // the whole file over in one read when the buffer can hold it, so a read that leaves
    // room has reached the end; after a full one the buffer grows and the reading starts
    // again (reading on from the middle would make the kernel build the text afresh).
    if (fd_ < 0) fd_ = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) return false;
    for (;;) {
        const ssize_t n = pread(fd_, buffer_.data(), buffer_.size(), 0);
        if (n < 0) return false;
        const auto used = static_cast<std::size_t>(n);
        if (used < buffer_.size()) {
            return ParseProcStat(std::string_view(buffer_.data(), used), ticksPerSecond_, out);
        }
        if (buffer_.size() >= kLargestText) return false;
        buffer_.resize(buffer_.size() * 2);
    }
}

}  // namespace nodrel::linux_platform
