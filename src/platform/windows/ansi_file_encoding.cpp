#include "platform/windows/ansi_file_encoding.h"

#include <windows.h>

namespace nodrel::windows_platform {

namespace {

// The text in UTF-16 from the code page; empty when it cannot be converted.
std::wstring Widened(UINT codePage, DWORD flags, std::string_view bytes) {
    const int size = static_cast<int>(bytes.size());
    const int needed = MultiByteToWideChar(codePage, flags, bytes.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(needed > 0 ? needed : 0), L'\0');
    if (needed > 0) MultiByteToWideChar(codePage, flags, bytes.data(), size, wide.data(), needed);
    return wide;
}

// The UTF-16 text in the code page; `lost` (where the code page allows asking) tells
// whether a character had to be replaced.
std::string Narrowed(UINT codePage, DWORD flags, const std::wstring& wide, BOOL* lost) {
    const int size = static_cast<int>(wide.size());
    const int needed =
        WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, nullptr, lost);
    std::string out(static_cast<std::size_t>(needed > 0 ? needed : 0), '\0');
    if (needed > 0) {
        WideCharToMultiByte(codePage, flags, wide.data(), size, out.data(), needed, nullptr, lost);
    }
    return out;
}

}  // namespace

std::string AnsiFileEncoding::ProgramText(std::string_view bytes) const {
    return Narrowed(CP_UTF8, 0, Widened(CP_ACP, 0, bytes), nullptr);
}

std::optional<std::string> AnsiFileEncoding::FileBytes(std::string_view text) const {
    // A system whose code page is UTF-8 takes the text as it is.
    if (GetACP() == CP_UTF8) return std::string(text);
    const std::wstring wide = Widened(CP_UTF8, MB_ERR_INVALID_CHARS, text);
    if (wide.empty() && !text.empty()) return std::nullopt;
    BOOL lost = FALSE;
    std::string bytes = Narrowed(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, &lost);
    if (lost || (bytes.empty() && !text.empty())) return std::nullopt;
    return bytes;
}

}  // namespace nodrel::windows_platform
