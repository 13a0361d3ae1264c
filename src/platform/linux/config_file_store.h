#pragma once
// The configuration file replaced as a careful administrator would: its mode and owner
// kept, a file without write permission left alone, the new file created exclusively and
// on the disk before it takes the old one's place.
#include "config/config_file_store.h"

namespace nodrel::linux_platform {

class SystemConfigFileStore : public nodrel::ConfigFileStore {
public:
    // False without write permission, and for a file without any write bit also for a
    // process that could write it anyway (root).
    bool MayWrite(const std::filesystem::path& file) override;
    // Created with O_EXCL and O_NOFOLLOW under a random name, so a link planted in the
    // folder is never followed; owner and mode are set on the descriptor.
    std::unique_ptr<TemporaryConfigFile> CreateTemporary(
        const std::filesystem::path& target) override;
};

}  // namespace nodrel::linux_platform
