#pragma once
// The configuration file replaced in one move that reaches the disk before it returns; a
// file with the read-only attribute is left alone.
#include "config/config_file_store.h"

namespace nodrel::windows_platform {

class SystemConfigFileStore : public nodrel::ConfigFileStore {
public:
    bool MayWrite(const std::filesystem::path& file) override;
    bool Replace(const std::filesystem::path& fresh, const std::filesystem::path& target) override;
};

}  // namespace nodrel::windows_platform
