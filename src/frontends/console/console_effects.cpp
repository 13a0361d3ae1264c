#include "frontends/console/console_effects.h"

#include <string>

#include "app/startup.h"

namespace nodrel::console {

std::string MessageText(const std::string& title, const std::string& text) {
    std::string out = title + '\n';
    std::size_t start = 0;
    while (start <= text.size()) {
        const auto end = text.find("\r\n", start);
        out += text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        out += '\n';
        if (end == std::string::npos) break;
        start = end + 2;
    }
    return out;
}

int ConsoleEffects::ShowMessage(int style, const std::string& title, const std::string& text) {
    if (beforeMessage) beforeMessage();
    std::fputs(MessageText(title, text).c_str(), errors_);
    std::fflush(errors_);
    if (onMessage) onMessage(style, title, text);
    // The core asks a console no question (CanAsk): every box is a notice.
    return box::kAnswerOk;
}

int RefuseSecondCopy(ConsoleEffects& effects) {
    effects.ShowMessage(box::kCritical, kSecondCopyTitle, kSecondCopyText);
    return kStatusFailure;
}

}  // namespace nodrel::console
