#include "config/config_writer.h"

#include <fstream>
#include <initializer_list>
#include <string_view>
#include <system_error>

#include "config/parse_number.h"
#include "config/settings.h"

namespace nodrel {

namespace {

// A number the window holds as text is written as the value read from it: "30 s" as 30.
std::string NumberFrom(const std::string& fieldText) {
    return FormatNumber(ParseLeadingNumber(fieldText));
}

std::string KeyLine(std::string_view key, std::string_view value) {
    std::string line(key);
    line += '=';
    line += value;
    return line;
}

std::string KeyLine(std::string_view key, int value) {
    return KeyLine(key, std::to_string(value));
}

// `created` tells whether the file was made, so that only a file of ours gets removed.
bool WriteWholeFile(const std::filesystem::path& file, const std::string& text, bool& created) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    created = out.is_open();
    if (!created) return false;
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    out.close();
    return !out.fail();
}

}  // namespace

std::string BuildConfigText(const ConfigFields& fields, std::int16_t cmain,
                            const std::string& stamp) {
    const std::initializer_list<std::string> lines = {
        std::string("# Nodrel Version ").append(Version),
        "# Configuration File",
        "# " + stamp,
        "",
        "[Comms]",
        KeyLine("CMain", cmain),
        KeyLine("DName", fields.DNameT + 1),
        KeyLine("IPAdd", fields.IPAddT),
        KeyLine("Port1", NumberFrom(fields.Port1T)),
        "",
        "[Run]",
        KeyLine("AvTime", NumberFrom(fields.AvTimeT)),
        KeyLine("CPUDelay", NumberFrom(fields.CPUDelayT)),
        KeyLine("CPULevel", NumberFrom(fields.CPULevelT)),
        KeyLine("LogLevel", fields.LogLevelCode),
        KeyLine("LogName", fields.LogNameT),
        KeyLine("LogPath", fields.LogPathT),
        KeyLine("RunOnTop", fields.RunOnTopT + 1),
        KeyLine("StartDelay", NumberFrom(fields.StartDelayT)),
        KeyLine("StartMin", fields.StartMinT + 1),
        "",
        "[Shutdown]",
        KeyLine("ShutTime", NumberFrom(fields.ShutTimeT)),
        KeyLine("ShutType", fields.ShutTypeCode),
    };
    std::string text;
    for (const auto& line : lines) {
        text += line;
        text += CRLF;
    }
    text += CRLF;
    return text;
}

bool WriteConfigFile(const std::filesystem::path& file, const std::string& text) {
    std::filesystem::path temporary = file;
    temporary += ".new";
    std::error_code error;
    bool created = false;
    try {
        if (WriteWholeFile(temporary, text, created)) {
            std::filesystem::rename(temporary, file, error);
            if (!error) return true;
        }
    } catch (const std::exception&) {
        // Falls through to the clean-up: the old file has not been touched.
    }
    if (created) std::filesystem::remove(temporary, error);
    return false;
}

Message WriteFailureMessage() {
    return {48, " Configuration File Error",
            JoinLines({std::string("Unable to write to the configuration file. ") + ConfigFilePath,
                       "This may be a permissions problem."})};
}

}  // namespace nodrel
