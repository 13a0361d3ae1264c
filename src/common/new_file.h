#pragma once
#include <filesystem>

namespace nodrel {

// Creates an empty file and closes it; false when it exists already (it is never
// replaced) or cannot be made.
bool CreateNewFile(const std::filesystem::path& file);

}  // namespace nodrel
