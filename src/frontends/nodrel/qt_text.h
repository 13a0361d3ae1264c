#pragma once
// The one way the core's text (UTF-8) becomes Qt's.
#include <QString>
#include <string_view>

namespace nodrel::qt {

inline QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The same for a text of several lines: CR LF line ends become plain line feeds.
inline QString ToQStringLines(std::string_view text) {
    QString out = ToQString(text);
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return out;
}

}  // namespace nodrel::qt
