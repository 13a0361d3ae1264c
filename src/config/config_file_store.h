#pragma once
// How this system replaces the configuration file: which file may be rewritten, and a new
// file written beside it that takes its place in one step.
#include <filesystem>
#include <memory>
#include <string_view>

namespace nodrel {

// A file made for one save, beside the file it is to replace. Removed when it is destroyed
// without having taken that file's place.
class TemporaryConfigFile {
public:
    virtual ~TemporaryConfigFile() = default;
    // Writes the whole text; true once it has reached the disk.
    virtual bool Write(std::string_view text) = 0;
    // Moves the file over the one it replaces, which keeps what this system keeps of it.
    virtual bool Replace() = 0;
};

class ConfigFileStore {
public:
    virtual ~ConfigFileStore() = default;
    // Whether the existing `file` may be rewritten. A file the user has made read-only
    // stays as it is, even where this process could replace it.
    virtual bool MayWrite(const std::filesystem::path& file) = 0;
    // A new, empty file in `target`'s folder under a name no one else has chosen, created
    // only if nothing (not even a link) has that name; it has `target`'s mode and owner
    // where this system keeps them. None when it cannot be made.
    virtual std::unique_ptr<TemporaryConfigFile> CreateTemporary(
        const std::filesystem::path& target) = 0;
};

// A name for a temporary file beside `target` that no one can guess: its name, a random
// part and ".new".
std::filesystem::path TemporaryNameFor(const std::filesystem::path& target);

// How many fresh names a store tries before it gives up.
inline constexpr int kTemporaryNameTries = 16;

// What standard C++ can do: a file without any write bit is read-only; the new file takes
// the old one's mode and is renamed over it, without reaching the disk first.
ConfigFileStore& StandardConfigFileStore();

}  // namespace nodrel
