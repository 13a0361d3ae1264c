#include "fakes.h"

#include <random>
#include <regex>
#include <sstream>

namespace nodrel::testing {

std::string ConfigText(const Overrides& overrides) {
    std::string text =
        "# Nodrel Version 5.5\r\n# Configuration File\r\n\r\n[Comms]\r\nCMain=1\r\nDName=1\r\n"
        "IPAdd=\r\nPort1=10001\r\n\r\n[Run]\r\nAvTime=1\r\nCPUDelay=5\r\nCPULevel=20\r\n"
        "LogLevel=3\r\nLogName=Nodrel.log\r\nLogPath=Log/\r\nRunOnTop=1\r\nStartDelay=2\r\n"
        "StartMin=1\r\n\r\n[Shutdown]\r\nShutTime=10\r\nShutType=1\r\n\r\n";
    for (const auto& [key, value] : overrides) {
        const auto at = text.find("\n" + key + "=");
        if (at == std::string::npos) throw std::invalid_argument("no key " + key);
        const auto from = at + key.size() + 2;
        text.replace(from, text.find('\r', from) - from, value);
    }
    return text;
}

ScratchFolder::ScratchFolder() : previous_(std::filesystem::current_path()) {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            ("nodrel-test-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(path_ / "Data");
    std::filesystem::create_directories(path_ / "Log");
    std::filesystem::current_path(path_);
}

ScratchFolder::~ScratchFolder() {
    std::filesystem::current_path(previous_);
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> ScratchFolder::LogEvents() const {
    static const std::regex line(R"(^\d\d-\w{3}-\d\d \d\d:\d\d:\d\d, (.{10}), (.{10}), Count:)");
    std::vector<std::string> events;
    std::istringstream in(ReadLog());
    for (std::string text; std::getline(in, text);) {
        std::smatch m;
        if (!std::regex_search(text, m, line)) continue;
        events.push_back(std::string(TrimBlanks(m.str(1))) + "|" +
                         std::string(TrimBlanks(m.str(2))));
    }
    return events;
}

}  // namespace nodrel::testing
