#pragma once
// A settings file that is not UTF-8 is in the ANSI code page, as earlier Windows programs
// wrote it: read into the program's UTF-8, and written back only where the code page holds
// every character.
#include "config/file_texts.h"

namespace nodrel::windows_platform {

class AnsiFileEncoding : public nodrel::FileEncoding {
public:
    std::string ProgramText(std::string_view bytes) const override;
    std::optional<std::string> FileBytes(std::string_view text) const override;
};

}  // namespace nodrel::windows_platform
