#pragma once
// Writing Data/Nodrel4.ini from the configuration window's fields.
#include <filesystem>
#include <string>

#include "common/text.h"
#include "config/config_fields.h"
#include "config/config_file_store.h"
#include "config/file_texts.h"

namespace nodrel {

// The whole file text: the 24 lines, each ending in CR LF, then one more CR LF.
// `stamp` is the local date and time as "dd-mmm-yy hh:mm:ss". A text key in `texts` is
// written as its bytes there, any other as its field holds it.
std::string BuildConfigText(const ConfigFields& fields, std::int16_t cmain,
                            const std::string& stamp, const FileTexts& texts = {});

// Replaces the file atomically: a new temporary file beside it, written and synced, then
// moved over it by the store, which also refuses a read-only file. A symbolic link is
// followed and the file it names replaced. False on any failure; the old file is then
// untouched and no temporary file is left.
bool WriteConfigFile(ConfigFileStore& store, const std::filesystem::path& file,
                     const std::string& text);

// The message box for a failed write.
Message WriteFailureMessage();

}  // namespace nodrel
