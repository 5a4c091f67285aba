#include "benchdriver.h"

#include <cstdio>

#include "../../common/registry.h"
#include "../../driver/devicelink/commands.h"
#include "../../driver/input/sound.h"
#include "../../driver/service/lifecycle.h"
#include "../../driver/service/serviceevents.h"

bool BenchDriver::Start(const char* benchName, const char* windowTitle) {
    if (!sim.Connected()) {
        std::printf("%s: no simulator (ORVIK_SIM_PORT)\n", benchName);
        return false;
    }
    sim.Run("reset");
    sim.Run("set powerstate FB");
    SetDwordValueFromRegistry(REG_COMPORT_KEY, "Comport", 5);
    CreateServiceEvents();
    RegisterDeviceLinkHooks();
    bSoundEnabled = 0;
    if (!timerWindow.Start() || !InitSequence()) {
        std::printf("%s: the link did not come up\n", benchName);
        return false;
    }
    return recorder.Open(windowTitle);
}

void BenchDriver::Stop() {
    recorder.Close();
    DeInitializeKeyBoard();
    timerWindow.Stop();
}
