#pragma once
// Scratch folders and file helpers shared by the configuration tests.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace nodrel::testing {

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchDir {
  public:
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path operator/(const std::string& name) const { return path / name; }
    const std::filesystem::path path = Make();

  private:
    static std::filesystem::path Make() {
        std::string pattern = std::filesystem::temp_directory_path() / "nodrel-config-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
        return pattern;
    }
};

inline std::string ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

inline std::string ConfigData(const std::string& name) {
    return ReadBytes(std::filesystem::path(NODREL_TEST_DATA) / "config" / name);
}

// The text with the first `from` replaced by `to`; fails the test when `from` is absent.
inline std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    if (at == std::string::npos) ADD_FAILURE() << "no \"" << from << "\" in the text";
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

}  // namespace nodrel::testing
