#include "config/config_writer.h"

#include <fstream>
#include <optional>
#include <string_view>
#include <system_error>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

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

// Whether this process may write the existing file. Permission to replace it is not
// enough: a file the user has made read-only stays as it is. No write bit at all counts
// as read-only also for a process that could write it anyway (root).
bool MayWrite([[maybe_unused]] const fs::path& file, const fs::file_status& status) {
    constexpr fs::perms anyWrite =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    if ((status.permissions() & anyWrite) == fs::perms::none) return false;
#ifndef _WIN32
    if (::access(file.c_str(), W_OK) != 0) return false;
#endif
    return true;
}

// The new file takes the old one's owner where this process may give it, then its mode
// (after the owner, whose change may clear the set-id bits).
void TakeOverModeAndOwner(const fs::path& fresh, const fs::path& old) {
#ifndef _WIN32
    struct stat oldStatus {};
    if (::stat(old.c_str(), &oldStatus) != 0) return;
    if (::chown(fresh.c_str(), oldStatus.st_uid, oldStatus.st_gid) != 0) {
        // Not allowed to give the file away: the group alone may still be ours to give.
        [[maybe_unused]] const int ignored =
            ::chown(fresh.c_str(), static_cast<uid_t>(-1), oldStatus.st_gid);
    }
#endif
    std::error_code error;
    const fs::perms mode = fs::status(old, error).permissions();
    if (!error) fs::permissions(fresh, mode, fs::perm_options::replace, error);
}

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

bool WriteConfigFile(const fs::path& file, const std::string& text) {
    std::error_code error;
    bool created = false;
    fs::path temporary;
    try {
        const fs::path target = FollowLinks(file);
        if (target.empty()) return false;
        const fs::file_status old = fs::status(target, error);
        const bool exists = old.type() != fs::file_type::not_found;
        if (exists && (error || !MayWrite(target, old))) return false;
        temporary = target;
        temporary += ".new";
        if (WriteWholeFile(temporary, text, created)) {
            if (exists) TakeOverModeAndOwner(temporary, target);
            fs::rename(temporary, target, error);
            if (!error) return true;
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
