#pragma once
// Registering and removing the service "Nodrel"; both need an administrator.

namespace nodrel::console {

// Registers this executable, from the folder it lies in, as the service: automatic start,
// LocalSystem, a description, a restart 10 s after a failure, and the event log's source.
// "-InhibitShutdown" makes a service that only simulates its actions. Returns the status.
int InstallService(bool inhibitShutdown);

// Stops the service if it runs and removes it with its event-log source.
int RemoveService();

}  // namespace nodrel::console
