#pragma once
// The operating system's side of a power action, and the errors it raises.
#include <cstdint>
#include <stdexcept>
#include <string>

#include "common/text.h"

namespace nodrel {

enum class PowerCall { PowerOff, Reboot, Halt, Hibernate, Suspend };

struct PowerOutcome {
    enum class Kind {
        Done,           // accepted; for Hibernate and Suspend: the system has resumed
        NotAuthorised,  // the caller may not do this without asking
        Refused,        // any other refusal, or no way to reach the service
        Stopped,        // a stop request ended the wait for the answer or for the resume
    };
    Kind kind = Kind::Done;
    std::string message;  // the system's text for a refusal
};

// Carries out one power action. Hibernate and Suspend return after the resume. A stop
// request ends any wait: the outcome is then Stopped.
class PowerBackend {
public:
    virtual ~PowerBackend() = default;
    virtual PowerOutcome Perform(PowerCall call) = 0;
};

// An error of the power actions: number, source and description.
struct PowerError : std::runtime_error {
    PowerError(std::uint32_t number_, std::string source_, const std::string& description_)
        : std::runtime_error(description_), number(number_), source(std::move(source_)) {}
    std::uint32_t number;
    std::string source;
};

// Flags as the shutdown request takes them.
namespace ewx {
inline constexpr int kShutdown = 1;
inline constexpr int kReboot = 2;
inline constexpr int kForce = 4;
inline constexpr int kPowerOff = 8;
}  // namespace ewx

// The box that ends the program after a power action's error.
Message PowerErrorMessage(const PowerError& error);

class PowerActions {
public:
    // `programName`: the executable's name without extension, for the errors' source.
    PowerActions(PowerBackend& backend, std::string programName)
        : backend_(backend), source_(std::move(programName) + ".mShutDown") {}

    // Power off, reboot or halt by flags (0..31); true once accepted, false when a stop
    // request ended the wait for the answer; a refusal raises.
    bool ShutdownSystem(int flags);
    // True once the system has resumed; false when a stop request ended the wait for the
    // answer or the resume. A refusal raises as it does for a shutdown.
    bool HibernateSystem();
    bool StandbySystem();

private:
    bool Act(PowerCall call);
    [[noreturn]] void Raise(std::uint32_t number, const std::string& description) const;
    void RaiseIfRefused(const PowerOutcome& outcome) const;

    PowerBackend& backend_;
    std::string source_;
};

}  // namespace nodrel
