#include "fakes.h"

#include <random>
#include <regex>
#include <sstream>

namespace nodrel::testing {

std::string ConfigText(const Overrides& overrides) {
    Overrides values = {{"CMain", "1"},      {"DName", "1"},       {"IPAdd", ""},
                        {"Port1", "10001"},  {"AvTime", "1"},      {"CPUDelay", "5"},
                        {"CPULevel", "20"},  {"LogLevel", "3"},    {"LogName", "Nodrel.log"},
                        {"LogPath", "Log/"}, {"RunOnTop", "1"},    {"StartDelay", "2"},
                        {"StartMin", "1"},   {"ShutTime", "10"},   {"ShutType", "1"}};
    for (const auto& [key, value] : overrides) values[key] = value;
    const std::vector<std::pair<std::string, std::vector<std::string>>> sections = {
        {"[Comms]", {"CMain", "DName", "IPAdd", "Port1"}},
        {"[Run]",
         {"AvTime", "CPUDelay", "CPULevel", "LogLevel", "LogName", "LogPath", "RunOnTop",
          "StartDelay", "StartMin"}},
        {"[Shutdown]", {"ShutTime", "ShutType"}}};
    std::string text = "# Nodrel Version 5.5\r\n# Configuration File\r\n\r\n";
    for (const auto& [section, keys] : sections) {
        text += section + "\r\n";
        for (const auto& key : keys) text += key + "=" + values[key] + "\r\n";
        text += "\r\n";
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
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void ScratchFolder::WriteConfig(const std::string& text) const {
    std::ofstream(path_ / "Data" / "Nodrel4.ini", std::ios::binary) << text;
}

std::string ScratchFolder::ReadLog(const std::string& name) const {
    std::ifstream in(path_ / "Log" / name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> ScratchFolder::LogEvents() const {
    static const std::regex line(R"(^\d\d-\w{3}-\d\d \d\d:\d\d:\d\d, (.{10}), (.{10}), Count:)");
    const auto trim = [](std::string s) {
        s.erase(0, s.find_first_not_of(' '));
        s.erase(s.find_last_not_of(' ') + 1);
        return s;
    };
    std::vector<std::string> events;
    std::istringstream in(ReadLog());
    for (std::string text; std::getline(in, text);) {
        std::smatch m;
        if (std::regex_search(text, m, line)) {
            events.push_back(trim(m[1]) + "|" + trim(m[2]));
        }
    }
    return events;
}

}  // namespace nodrel::testing
