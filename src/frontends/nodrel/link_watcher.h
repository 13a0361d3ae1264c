#pragma once
// Watches the link's socket for datagrams from the Qt event loop.
#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace nodrel::qt {

class LinkWatcher {
public:
    // `fd` gives the socket's descriptor now (-1 while there is none); `readable` reads
    // what has arrived.
    LinkWatcher(std::function<int()> fd, std::function<void()> readable);
    ~LinkWatcher();
    LinkWatcher(const LinkWatcher&) = delete;
    LinkWatcher& operator=(const LinkWatcher&) = delete;

    // Called after every event: a reload may have replaced the socket. While `held`
    // (a message box stands in the middle of a tick, which holds the cycle too) nothing
    // is read; the datagrams wait in the socket.
    void Follow(bool held);

    bool Reading() const { return notifier_ && notifier_->isEnabled(); }

private:
    std::function<int()> fd_;
    std::function<void()> readable_;
    int watched_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace nodrel::qt
