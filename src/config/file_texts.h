#pragma once
// The text values of Data/Nodrel4.ini as bytes: how a file that is not UTF-8 is read, and
// which bytes a save writes back, so that a value nobody edited survives byte for byte.
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "config/config_fields.h"

namespace nodrel {

// The 8-bit encoding this system gives a settings file that is not valid UTF-8.
class FileEncoding {
public:
    virtual ~FileEncoding() = default;
    // The text the program uses for a value read from such a file.
    virtual std::string ProgramText(std::string_view bytes) const = 0;
    // The bytes that stand for the UTF-8 `text` in such a file; none when one of its
    // characters has no place in the encoding.
    virtual std::optional<std::string> FileBytes(std::string_view text) const = 0;
};

// Without an encoding of the system's: the bytes are the program's text both ways, as file
// names are on a system that takes any bytes.
const FileEncoding& StandardFileEncoding();

// The text keys' values as the file holds them.
struct FileTexts {
    bool utf8 = true;                                       // the whole file is valid UTF-8
    std::map<std::string, std::string, std::less<>> bytes;  // by key name, as read
};

// The text keys' bytes for a file written from `fields`: a field that still shows what it
// showed when `loaded` was filled keeps the bytes it was read from; an edited one is
// encoded as the file was. When a file that is not UTF-8 cannot hold an edited text, the
// whole file becomes UTF-8.
FileTexts TextsToWrite(const ConfigFields& fields, const ConfigFields& loaded,
                       const FileTexts& read, const FileEncoding& encoding);

}  // namespace nodrel
