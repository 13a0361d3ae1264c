#include "platform/linux/config_file_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>

namespace nodrel::linux_platform {

namespace {

namespace fs = std::filesystem;

constexpr mode_t kAnyWrite = S_IWUSR | S_IWGRP | S_IWOTH;

// The owner first: changing it may clear the set-id bits, which the mode then restores.
void TakeOverOwnerAndMode(int fd, const struct stat& old) {
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
        // Not allowed to give the file away: the group alone may still be ours to give.
        [[maybe_unused]] const int ignored = ::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
    }
    ::fchmod(fd, old.st_mode & 07777);
}

// Makes the folder's new entry survive a crash; the file has been replaced either way.
void SyncFolder(const fs::path& file) {
    const fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

class LinuxTemporary : public TemporaryConfigFile {
public:
    LinuxTemporary(int fd, fs::path file, fs::path target)
        : fd_(fd), file_(std::move(file)), target_(std::move(target)) {}
    LinuxTemporary(const LinuxTemporary&) = delete;
    LinuxTemporary& operator=(const LinuxTemporary&) = delete;
    ~LinuxTemporary() override {
        if (fd_ >= 0) ::close(fd_);
        if (!replaced_) ::unlink(file_.c_str());
    }

    bool Write(std::string_view text) override {
        while (!text.empty()) {
            const ssize_t written = ::write(fd_, text.data(), text.size());
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) return false;
            text.remove_prefix(static_cast<std::size_t>(written));
        }
        return ::fsync(fd_) == 0;
    }

    bool Replace() override {
        if (!StillOurs() || ::close(std::exchange(fd_, -1)) != 0) return false;
        if (std::rename(file_.c_str(), target_.c_str()) != 0) return false;
        replaced_ = true;
        SyncFolder(target_);
        return true;
    }

private:
    // The name still stands for the file written: nobody has put anything else there.
    bool StillOurs() const {
        struct stat written {};
        struct stat named {};
        return ::fstat(fd_, &written) == 0 && ::lstat(file_.c_str(), &named) == 0 &&
               written.st_dev == named.st_dev && written.st_ino == named.st_ino;
    }

    int fd_;
    fs::path file_, target_;
    bool replaced_ = false;
};

}  // namespace

bool SystemConfigFileStore::MayWrite(const fs::path& file) {
    struct stat status {};
    if (::stat(file.c_str(), &status) != 0) return false;
    return (status.st_mode & kAnyWrite) != 0 && ::access(file.c_str(), W_OK) == 0;
}

std::unique_ptr<TemporaryConfigFile> SystemConfigFileStore::CreateTemporary(
    const fs::path& target) {
    struct stat old {};
    const bool replacing = ::stat(target.c_str(), &old) == 0;
    // Private until it has the old file's mode; a first file gets the usual mode.
    const mode_t mode = replacing ? 0600 : 0666;
    for (int tries = 0; tries < kTemporaryNameTries; ++tries) {
        fs::path name = TemporaryNameFor(target);
        const int fd =
            ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) return nullptr;
        if (replacing) TakeOverOwnerAndMode(fd, old);
        return std::make_unique<LinuxTemporary>(fd, std::move(name), target);
    }
    return nullptr;
}

}  // namespace nodrel::linux_platform
