#include "link/threaded_name_lookup.h"

#include <atomic>
#include <system_error>
#include <thread>

namespace nodrel {

struct ThreadedNameLookup::Request {
    explicit Request(std::string n) : name(std::move(n)) {}
    const std::string name;
    Ipv4Address address{};  // written before state leaves Pending
    std::atomic<State> state{State::Pending};
};

ThreadedNameLookup::ThreadedNameLookup(Resolver resolve, ThreadStarter start)
    : resolve_(resolve), start_(start) {}

bool ThreadedNameLookup::Begin(const std::string& name) {
    auto request = std::make_shared<Request>(name);
    const auto work = [request, resolve = resolve_] {
        const std::optional<Ipv4Address> found = resolve(request->name);
        if (found) request->address = *found;
        request->state.store(found ? State::Found : State::Failed, std::memory_order_release);
    };
    current_.reset();  // the old one, if any, is left to its thread
    if (!start_(work)) return false;
    current_ = std::move(request);
    return true;
}

NameLookup::Outcome ThreadedNameLookup::Poll() {
    if (!current_) return {State::Failed, {}};
    const State state = current_->state.load(std::memory_order_acquire);
    return {state, state == State::Found ? current_->address : Ipv4Address{}};
}

bool StartDetachedThread(std::function<void()> work) {
    try {
        std::thread(std::move(work)).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

}  // namespace nodrel
