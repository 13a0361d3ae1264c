#include "config/config_writer.h"

#include <fstream>
#include <optional>
#include <string_view>
#include <system_error>

#include "config/setting_table.h"

namespace nodrel {

namespace {

namespace fs = std::filesystem;

// Enough for any sane chain; a loop of links ends here.
constexpr int kMostLinksFollowed = 40;

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

// Keeps the mode: a file made private stays private.
class StandardStore : public ConfigFileStore {
public:
    bool MayWrite(const fs::path& file) override {
        constexpr fs::perms anyWrite =
            fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
        std::error_code error;
        const fs::perms mode = fs::status(file, error).permissions();
        return !error && (mode & anyWrite) != fs::perms::none;
    }
    bool Replace(const fs::path& fresh, const fs::path& target) override {
        std::error_code error;
        const fs::perms mode = fs::status(target, error).permissions();
        if (!error) fs::permissions(fresh, mode, fs::perm_options::replace, error);
        fs::rename(fresh, target, error);
        return !error;
    }
};

}  // namespace

std::string BuildConfigText(const ConfigFields& fields, std::int16_t cmain,
                            const std::string& stamp) {
    std::string text;
    const auto line = [&text](std::string_view start, std::string_view rest = {}) {
        text.append(start).append(rest).append(CRLF);
    };
    line("# Nodrel Version ", Version);
    line("# Configuration File");
    line("# ", stamp);
    // Each section after an empty line, then its keys in the table's order.
    std::optional<Section> section;
    for (const SettingKey& key : SettingTable) {
        if (key.section != section) {
            section = key.section;
            line("");
            line(SectionHeadings[static_cast<std::size_t>(key.section)]);
        }
        line(std::string(key.name) + '=', FileValue(key, fields, cmain));
    }
    line("");  // one more line end after the text
    return text;
}

ConfigFileStore& StandardConfigFileStore() {
    static StandardStore store;
    return store;
}

bool WriteConfigFile(ConfigFileStore& store, const fs::path& file, const std::string& text) {
    std::error_code error;
    bool created = false;
    fs::path temporary;
    try {
        const fs::path target = FollowLinks(file);
        if (target.empty()) return false;
        const fs::file_status old = fs::status(target, error);
        const bool exists = old.type() != fs::file_type::not_found;
        if (exists && (error || !store.MayWrite(target))) return false;
        temporary = target;
        temporary += ".new";
        if (WriteWholeFile(temporary, text, created) && store.Replace(temporary, target)) {
            return true;
        }
    } catch (const std::exception&) {
        // Falls through to the clean-up: the old file has not been touched.
    }
    if (created) fs::remove(temporary, error);
    return false;
}

Message WriteFailureMessage() {
    return {48, " Configuration File Error",
            JoinLines({std::string("Unable to write to the configuration file. ") + ConfigFilePath,
                       "This may be a permissions problem."})};
}

}  // namespace nodrel
