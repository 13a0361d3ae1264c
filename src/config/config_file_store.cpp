#include "config/config_file_store.h"

#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

namespace nodrel {

namespace {

namespace fs = std::filesystem;

// Relies on fopen's exclusive "x", which not every C runtime honours; the platforms' stores
// create the temporary file with the system's own exclusive create.
bool CreateNewFile(const fs::path& file) {
    std::FILE* stream = std::fopen(file.string().c_str(), "wbx");
    return stream != nullptr && std::fclose(stream) == 0;
}

class StandardTemporary : public TemporaryConfigFile {
public:
    StandardTemporary(fs::path file, fs::path target)
        : file_(std::move(file)), target_(std::move(target)) {}
    ~StandardTemporary() override {
        std::error_code error;
        if (!replaced_) fs::remove(file_, error);
    }
    bool Write(std::string_view text) override {
        std::ofstream out(file_, std::ios::binary);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        return out.good();
    }
    bool Replace() override {
        std::error_code error;
        const fs::perms mode = fs::status(target_, error).permissions();
        if (!error) fs::permissions(file_, mode, fs::perm_options::replace, error);
        fs::rename(file_, target_, error);
        replaced_ = !error;
        return replaced_;
    }

private:
    fs::path file_, target_;
    bool replaced_ = false;
};

// Keeps the mode: a file made private stays private.
class StandardStore : public ConfigFileStore {
public:
    bool MayWrite(const fs::path& file) override {
        constexpr fs::perms anyWrite =
            fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
        std::error_code error;
        const fs::perms mode = fs::status(file, error).permissions();
        return !error && (mode & anyWrite) != fs::perms::none;
    }
    std::unique_ptr<TemporaryConfigFile> CreateTemporary(const fs::path& target) override {
        for (int tries = 0; tries < kTemporaryNameTries; ++tries) {
            fs::path name = TemporaryNameFor(target);
            if (CreateNewFile(name)) return std::make_unique<StandardTemporary>(name, target);
        }
        return nullptr;
    }
};

}  // namespace

fs::path TemporaryNameFor(const fs::path& target) {
    std::random_device random;
    char part[17];
    std::snprintf(part, sizeof part, "%08x%08x", static_cast<unsigned>(random()),
                  static_cast<unsigned>(random()));
    fs::path name = target;
    name += std::string(".") + part + ".new";
    return name;
}

ConfigFileStore& StandardConfigFileStore() {
    static StandardStore store;
    return store;
}

}  // namespace nodrel
