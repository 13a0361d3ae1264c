#include "config/config_writer.h"

#include <optional>
#include <string_view>
#include <system_error>

#include "config/setting_table.h"

namespace nodrel {

namespace {

namespace fs = std::filesystem;

// Enough for any sane chain; a loop of links ends here.
constexpr int kMostLinksFollowed = 40;

// The file a chain of symbolic links ends at (the path itself when it is none): that file
// is replaced, the links stay. Empty when the chain cannot be followed.
fs::path FollowLinks(fs::path path) {
    for (int hops = 0; hops < kMostLinksFollowed; ++hops) {
        std::error_code error;
        const fs::file_status status = fs::symlink_status(path, error);
        if (status.type() == fs::file_type::not_found) return path;
        if (error) return {};
        if (!fs::is_symlink(status)) return path;
        const fs::path next = fs::read_symlink(path, error);
        if (error) return {};
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return {};
}

}  // namespace

std::string BuildConfigText(const ConfigFields& fields, std::int16_t cmain,
                            const std::string& stamp, const FileTexts& texts) {
    std::string text;
    const auto line = [&text](std::string_view start, std::string_view rest = {}) {
        text.append(start).append(rest).append(CRLF);
    };
    line("# Nodrel Version ", kVersion);
    line("# Configuration File");
    line("# ", stamp);
    // Each section after an empty line, then its keys in the table's order.
    std::optional<Section> section;
    for (const SettingKey& key : kSettingTable) {
        if (key.section != section) {
            section = key.section;
            line("");
            line(kSectionHeadings[static_cast<std::size_t>(key.section)]);
        }
        const auto bytes = texts.bytes.find(key.name);
        line(std::string(key.name) + '=',
             bytes != texts.bytes.end() ? bytes->second : FileValue(key, fields, cmain));
    }
    line("");  // one more line end after the text
    return text;
}

bool WriteConfigFile(ConfigFileStore& store, const fs::path& file, const std::string& text) {
    try {
        const fs::path target = FollowLinks(file);
        if (target.empty()) return false;
        std::error_code error;
        const fs::file_status old = fs::status(target, error);
        const bool exists = old.type() != fs::file_type::not_found;
        if (exists && (error || !store.MayWrite(target))) return false;
        // Any way out without the move removes the temporary file.
        const std::unique_ptr<TemporaryConfigFile> temporary = store.CreateTemporary(target);
        return temporary && temporary->Write(text) && temporary->Replace();
    } catch (const std::exception&) {
        return false;  // the old file has not been touched
    }
}

Message WriteFailureMessage() {
    return {48, " Configuration File Error",
            JoinLines({std::string("Unable to write to the configuration file. ") + kConfigFilePath,
                       "This may be a permissions problem."})};
}

}  // namespace nodrel
