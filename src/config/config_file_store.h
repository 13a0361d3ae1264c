#pragma once
// How this system replaces the configuration file: which file may be rewritten, and the
// move of a fully written new file into the old one's place.
#include <filesystem>

namespace nodrel {

class ConfigFileStore {
public:
    virtual ~ConfigFileStore() = default;
    // Whether the existing `file` may be rewritten. A file the user has made read-only
    // stays as it is, even where this process could replace it.
    virtual bool MayWrite(const std::filesystem::path& file) = 0;
    // Puts `fresh` in the place of `target` (which may not exist) in one step, keeping
    // what this system keeps of the old file. False when `fresh` could not be moved; it is
    // then the caller's to remove.
    virtual bool Replace(const std::filesystem::path& fresh,
                         const std::filesystem::path& target) = 0;
};

// What standard C++ can do: a file without any write bit is read-only; the new file takes
// the old one's mode and is renamed over it.
ConfigFileStore& StandardConfigFileStore();

}  // namespace nodrel
