#include "frontends/console/program_win32.h"

#include "app/nodrel.h"
#include "platform/windows/instance_guard.h"
#include "platform/windows/service_power.h"
#include "platform/windows/windows_parts.h"

namespace nodrel::console {

int RunProgram(const StartUp& start, Host& host) {
    windows_platform::MutexGuard guard;
    if (GiveWay(guard, start.switches)) return RefuseSecondCopy(host.effects);

    EventLoop& loop = host.loop;
    ConsoleEffects& effects = host.effects;
    effects.onTimer = [&](bool on) { loop.SetTimer(on); };

    windows_platform::WindowsParts machine(start.programName);
    windows_platform::ServicePower servicePower(machine.api, start.programName);
    Outside outside = machine.For(effects, start.programName);
    if (host.service) outside.power = &servicePower;
    // An accepted power off may still not happen: the program ends when the session does
    // (the console's shutdown event, the service's shutdown control), else monitors again.
    outside.awaitSessionEnd = true;
    Nodrel program(outside);

    Connect(loop, program);
    auto& link = machine.link;
    loop.linkWaitable = [&] { return reinterpret_cast<Waitable>(link.ArrivalEvent()); };
    loop.onLinkReadable = [&] {
        link.Receive([&](std::string_view datagram) { program.udpServ_DataArrival(datagram); },
                     kDatagramsPerWakeUp);
    };
    const auto show = [&] {
        if (!effects.Status() && host.show) host.show(program);
    };
    loop.afterEvent = show;

    program.Form_Load(start.commandLine);
    if (!effects.Status() && host.started) host.started();
    show();
    loop.Run([&] { return effects.Status().has_value(); });
    return *effects.Status();
}

}  // namespace nodrel::console
