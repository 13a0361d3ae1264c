#include "platform/windows/config_file_store.h"

#include <windows.h>

namespace nodrel::windows_platform {

bool SystemConfigFileStore::MayWrite(const std::filesystem::path& file) {
    const DWORD attributes = GetFileAttributesW(file.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) == 0;
}

bool SystemConfigFileStore::Replace(const std::filesystem::path& fresh,
                                    const std::filesystem::path& target) {
    return MoveFileExW(fresh.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

}  // namespace nodrel::windows_platform
