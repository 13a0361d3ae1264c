#pragma once
// Small text helpers shared by every subsystem of the core.
#include <initializer_list>
#include <string>
#include <string_view>

namespace nodrel {

inline constexpr std::string_view CRLF = "\r\n";
// The program's version: project()'s in CMakeLists.txt, written in by the build.
extern const std::string_view kVersion;

// Joins lines with CR LF, the way every multi-line text of the program is built.
std::string JoinLines(std::initializer_list<std::string_view> lines);

// Spaces only, at both ends (tabs are kept, as the file format expects).
std::string_view TrimBlanks(std::string_view text);

// The text padded on the right with blanks and cut to width.
std::string PadRight(std::string_view text, std::size_t width);

// The last `width` characters of the text padded on the left with blanks.
std::string RightAlign(std::string_view text, std::size_t width);

// Message-box styles and answers as numbers, so the front ends can map them.
namespace box {
inline constexpr int kPlain = 0;
inline constexpr int kCritical = 16;
inline constexpr int kCriticalYesNo = 20;
inline constexpr int kExclamation = 48;
inline constexpr int kInformation = 64;

inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;
}  // namespace box

// A message box as the core asks for it: the style number (0, 16, 20, 48, 64),
// the title suffix after the program title, and the text with CR LF between lines.
struct Message {
    int style = 0;
    std::string titleSuffix;
    std::string text;
};

}  // namespace nodrel
