#include "platform/linux/config_file_store.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace nodrel::linux_platform {

namespace {

constexpr mode_t kAnyWrite = S_IWUSR | S_IWGRP | S_IWOTH;

// The owner first: changing it may clear the set-id bits, which the mode then restores.
void TakeOverOwnerAndMode(const char* fresh, const struct stat& old) {
    if (::chown(fresh, old.st_uid, old.st_gid) != 0) {
        // Not allowed to give the file away: the group alone may still be ours to give.
        [[maybe_unused]] const int ignored = ::chown(fresh, static_cast<uid_t>(-1), old.st_gid);
    }
    ::chmod(fresh, old.st_mode & 07777);
}

}  // namespace

bool SystemConfigFileStore::MayWrite(const std::filesystem::path& file) {
    struct stat status {};
    if (::stat(file.c_str(), &status) != 0) return false;
    return (status.st_mode & kAnyWrite) != 0 && ::access(file.c_str(), W_OK) == 0;
}

bool SystemConfigFileStore::Replace(const std::filesystem::path& fresh,
                                    const std::filesystem::path& target) {
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0) TakeOverOwnerAndMode(fresh.c_str(), old);
    return std::rename(fresh.c_str(), target.c_str()) == 0;
}

}  // namespace nodrel::linux_platform
