// Start and stop of the driver as one unit.
#ifndef ORVIK_SERVICE_LIFECYCLE_H
#define ORVIK_SERVICE_LIFECYCLE_H

#include <windows.h>

// Asks the driver to stop; callable from any thread. The shut-down itself
// runs on the service thread once its message loop has ended.
void ServiceStop();

#endif
