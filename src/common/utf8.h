#pragma once
// Reading UTF-8 text one character at a time, for limits the user counts in characters.
#include <cstddef>
#include <string_view>

namespace nodrel {

// Characters (code points) in the text; a byte that is not part of valid UTF-8 counts as
// one character of its own.
std::size_t CharacterCount(std::string_view text);

// True when the text holds a control character: C0 (line breaks, tabs ...), DEL, or a C1
// control encoded as UTF-8.
bool HasControlCharacter(std::string_view text);

}  // namespace nodrel
