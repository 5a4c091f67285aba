// The driver's event source "OrvikDriver" in the Application log: the
// registration that tells Event Viewer where the texts of its entries are
// (the message table in this program) and which entry types it writes.
#ifndef ORVIK_SERVICE_EVENTSOURCE_H
#define ORVIK_SERVICE_EVENTSOURCE_H

#include <windows.h>

// Where the event log looks for the source (under HKEY_LOCAL_MACHINE).
#define DRIVER_EVENT_SOURCE_KEY "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\OrvikDriver"

// Names the running program as the source's message file, with the types
// the driver writes. 1 on success, 0 on failure (the last error says why).
int RegisterDriverEventSource();

// Deletes the registration; one that is already gone counts as deleted.
// 1 on success, 0 on failure (the last error says why).
int RemoveDriverEventSource();

#endif
