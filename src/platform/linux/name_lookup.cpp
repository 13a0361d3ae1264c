#include "platform/linux/name_lookup.h"

#include <netdb.h>
#include <netinet/in.h>
#include <signal.h>

#include <atomic>
#include <cstring>
#include <system_error>
#include <thread>

namespace nodrel::linux_platform {

struct ThreadedNameLookup::Request {
    explicit Request(std::string n) : name(std::move(n)) {}
    const std::string name;
    Ipv4Address address{};  // written before state leaves Pending
    std::atomic<State> state{State::Pending};
};

namespace {

void LookUp(const std::shared_ptr<ThreadedNameLookup::Request>& request) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    auto state = NameLookup::State::Failed;
    if (getaddrinfo(request->name.c_str(), nullptr, &hints, &found) == 0 && found) {
        const in_addr& address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
        std::memcpy(request->address.data(), &address, request->address.size());
        state = NameLookup::State::Found;
    }
    if (found) freeaddrinfo(found);
    request->state.store(state, std::memory_order_release);
}

// The look-up thread takes no signals: they stay with the thread that waits for them.
bool StartThread(const std::shared_ptr<ThreadedNameLookup::Request>& request) {
    sigset_t all, previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    bool started = true;
    try {
        std::thread(LookUp, request).detach();
    } catch (const std::system_error&) {
        started = false;
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return started;
}

}  // namespace

bool ThreadedNameLookup::Begin(const std::string& name) {
    current_ = std::make_shared<Request>(name);  // the old one, if any, is left to its thread
    if (StartThread(current_)) return true;
    current_.reset();
    return false;
}

NameLookup::Outcome ThreadedNameLookup::Poll() {
    if (!current_) return {State::Failed, {}};
    const State state = current_->state.load(std::memory_order_acquire);
    return {state, state == State::Found ? current_->address : Ipv4Address{}};
}

}  // namespace nodrel::linux_platform
