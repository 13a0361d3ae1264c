#pragma once
// The configuration file replaced in one move that reaches the disk before it returns, from
// a new file created under a random name and flushed first; a file with the read-only
// attribute is left alone.
#include "config/config_file_store.h"

namespace nodrel::windows_platform {

class SystemConfigFileStore : public nodrel::ConfigFileStore {
public:
    bool MayWrite(const std::filesystem::path& file) override;
    // CreateFileW with CREATE_NEW: fails on anything already there, a link included.
    std::unique_ptr<TemporaryConfigFile> CreateTemporary(
        const std::filesystem::path& target) override;
};

}  // namespace nodrel::windows_platform
