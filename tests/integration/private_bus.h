#pragma once
// A private message bus with a stand-in for systemd-logind, driven through
// tests/support/private_logind.py. Nothing here ever speaks to the machine's system bus.
#include <optional>
#include <string>

namespace nodrel::testing {

// Where LogindPower is sent whenever no private bus is meant: a socket that cannot exist.
inline constexpr const char* NowhereBus = "unix:path=/nonexistent/nodrel-test-bus";

class PrivateBus {
public:
    PrivateBus() = default;
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;
    ~PrivateBus() { Stop(); }

    // Starts the bus and the stand-in. Empty on success, otherwise why not; `unavailable`
    // is set when the tools are not installed (the test should be skipped, not failed).
    std::string Start(bool& unavailable);
    // Ends both and removes the session folder; safe to call twice.
    void Stop();

    const std::string& Address() const { return address_; }

    // The calls of the five power methods as the harness prints them, e.g.
    // {"Halt": [], "Hibernate": [], "PowerOff": [[false]], "Reboot": [], "Suspend": []}.
    std::string PowerCalls() const;
    // From now on `method` answers with the D-Bus error `name` carrying `message`.
    void Fail(const std::string& method, const std::string& name, const std::string& message);
    // Hibernate or Suspend announces the resume `seconds` after the sleep (0: before its
    // reply); nullopt: never.
    void ResumeAfter(const std::string& method, std::optional<double> seconds);

private:
    std::string Control(const std::string& command, const std::string& arguments) const;

    std::string folder_;
    std::string address_;
};

// The text PowerCalls() gives when exactly one call of `method` was made, with false.
std::string OnlyCall(const std::string& method);
// The text PowerCalls() gives when nothing was called.
std::string NoCalls();

}  // namespace nodrel::testing
