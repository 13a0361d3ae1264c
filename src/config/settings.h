#pragma once
// The fifteen configuration values, one field per key of Data/Nodrel4.ini.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace nodrel {

struct Settings {
    std::int16_t AvTime = 0;
    std::int16_t CPUDelay = 0;
    std::int16_t CPULevel = 0;
    std::int16_t CMain = 0;  // 1 master, 2 slave
    std::int16_t DName = 0;  // 1 IPAdd is a dotted quad, 2 a host name
    std::string IPAdd;
    std::int16_t LogLevel = 0;  // 1 None, 2 Normal, 3 Full
    std::string LogName;
    std::string LogPath;
    std::int32_t Port1 = 0;
    std::int16_t RunOnTop = 0;
    std::int16_t StartDelay = 0;
    std::int16_t StartMin = 0;
    std::int16_t ShutTime = 0;
    std::int16_t ShutType = 0;

    bool operator==(const Settings&) const = default;
};

// The folder separator this build writes where the program supplies a path itself: the
// standard library's preferred one for the system it was built for.
inline constexpr char kPathSeparator =
    static_cast<char>(std::filesystem::path::preferred_separator);

// "Log" and the separator: the default log folder.
inline constexpr char kDefaultLogFolder[] = {'L', 'o', 'g', kPathSeparator, '\0'};
inline std::string DefaultLogPath() {
    return kDefaultLogFolder;
}

// Both '\' and '/' separate folders in LogPath.
inline bool IsFolderSeparator(char c) {
    return c == '\\' || c == '/';
}

// A path from the settings or the configuration window (UTF-8), with either separator, as
// this system's file functions take it.
std::filesystem::path LocalPath(std::string_view text);
// A path as UTF-8 text, the way the program shows it.
std::string PathText(const std::filesystem::path& path);

// Relative location of the configuration file, against the current directory, as the
// program's texts name it.
inline constexpr char kConfigFileText[] = {
    'D', 'a', 't', 'a', kPathSeparator, 'N', 'o', 'd', 'r', 'e', 'l', '4', '.',
    'i', 'n', 'i', '\0'};
inline constexpr const char* kConfigFilePath = kConfigFileText;
inline constexpr const char* kDataFolder = "Data";

}  // namespace nodrel
