// OrvikDriver's entry: one optional verb, "-" or "/" followed by install,
// remove, start or debug in any letter case, runs that verb; anything else
// hands the process to the service control manager. Only the first argument
// is looked at.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "servicehost.h"

namespace {

// 1 when the first argument named a verb and it ran.
int RunVerb(int argc, char** argv) {
    if (argc < 2 || (argv[1][0] != '-' && argv[1][0] != '/')) return 0;
    const char* verb = argv[1] + 1;
    if (_stricmp(verb, "install") == 0) InstallDriverService();
    else if (_stricmp(verb, "remove") == 0) RemoveDriverService();
    else if (_stricmp(verb, "start") == 0) StartDriverService();
    else if (_stricmp(verb, "debug") == 0) DebugDriverService(argc, argv);
    else return 0;
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    // The console lines (the stopping dots above all) show as they happen,
    // also when the console is a pipe.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    SERVICE_TABLE_ENTRYA dispatchTable[] = {{const_cast<char*>(DRIVER_SERVICE_NAME), ServiceMain}, {nullptr, nullptr}};
    if (RunVerb(argc, argv)) return 0;
    if (!StartServiceCtrlDispatcherA(dispatchTable)) LogServiceError("StartServiceCtrlDispatcher failed.");
    return 0;
}
