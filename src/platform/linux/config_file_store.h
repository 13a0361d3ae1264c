#pragma once
// The configuration file replaced as a careful administrator would: its mode and owner
// kept, a file without write permission left alone.
#include "config/config_file_store.h"

namespace nodrel::linux_platform {

class SystemConfigFileStore : public nodrel::ConfigFileStore {
public:
    // False without write permission, and for a file without any write bit also for a
    // process that could write it anyway (root).
    bool MayWrite(const std::filesystem::path& file) override;
    // The new file takes the old one's owner where this process may give it, then its
    // mode, and is renamed over it.
    bool Replace(const std::filesystem::path& fresh, const std::filesystem::path& target) override;
};

}  // namespace nodrel::linux_platform
