#pragma once
// Reading UTF-8 text one character at a time, for limits the user counts in characters.
#include <cstddef>
#include <string>
#include <string_view>

namespace nodrel {

// Characters (code points) in the text; a byte that is not part of valid UTF-8 counts as
// one character of its own.
std::size_t CharacterCount(std::string_view text);

// True when the text holds a control character: C0 (line breaks, tabs ...), DEL, or a C1
// control encoded as UTF-8.
bool HasControlCharacter(std::string_view text);

// True when every byte belongs to a valid UTF-8 character.
bool IsValidUtf8(std::string_view text);

// The text as valid UTF-8 for showing: valid characters as they are, each other byte as the
// Latin-1 character of that number, or as U+FFFD where Latin-1 has only a control
// character (0x80 to 0x9F). As many characters as the text has.
std::string ShownText(std::string_view text);

}  // namespace nodrel
