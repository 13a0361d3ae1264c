#include "frontends/nodrel/link_watcher.h"

namespace nodrel::qt {

LinkWatcher::LinkWatcher(std::function<int()> fd, std::function<void()> readable)
    : fd_(std::move(fd)), readable_(std::move(readable)) {}

LinkWatcher::~LinkWatcher() = default;

void LinkWatcher::Follow(bool held) {
    const int now = fd_ ? fd_() : -1;
    if (now != watched_) {
        // This may run inside the old notifier's own signal: it goes once that returns.
        if (notifier_) {
            notifier_->setEnabled(false);
            notifier_.release()->deleteLater();
        }
        watched_ = now;
        if (now >= 0) {
            notifier_ = std::make_unique<QSocketNotifier>(now, QSocketNotifier::Read);
            QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] {
                if (readable_) readable_();
            });
        }
    }
    if (notifier_ && notifier_->isEnabled() == held) notifier_->setEnabled(!held);
}

}  // namespace nodrel::qt
