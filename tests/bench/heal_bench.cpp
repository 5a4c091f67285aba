// How long a lost link takes to heal: from the device's return (the
// simulator links its port again) to the first key it types arriving in the
// window in front, over 50 unplug and replug cycles. Prints p50 and p99.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "../../common/registry.h"
#include "../../driver/devicelink/commands.h"
#include "../../driver/input/sound.h"
#include "../../driver/service/lifecycle.h"
#include "../../driver/service/serviceevents.h"
#include "../windows/input/recorder.h"
#include "../windows/support/simclient.h"
#include "../windows/support/timerwindowthread.h"
#include "../windows/support/wait.h"

namespace {

const int CYCLES = 50;
const DWORD GIVE_UP_MS = 30000;

// Once the link is up again, taps "a" and waits for it: the time from
// `returned` to its arrival, or -1.
double TimeToFirstKey(SimClient& sim, RecorderWindow& recorder, double returned) {
    if (!WaitUntil([] { return GetConnectionState() != 0; }, GIVE_UP_MS)) return -1;
    sim.Run("press 41");
    double arrival = -1;
    WaitUntil(
        [&] {
            for (const RecordedMessage& m : recorder.TakeTimed())
                if (m.text == "kd 41" && arrival < 0) arrival = m.atMs - returned;
            return arrival >= 0;
        },
        GIVE_UP_MS);
    return arrival;
}

double Percentile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(share * (values.size() - 1))];
}

}  // namespace

int main() {
    SimClient sim;
    if (!sim.Connected()) {
        std::printf("heal_bench: no simulator (ORVIK_SIM_PORT)\n");
        return 1;
    }
    sim.Run("reset");
    sim.Run("set powerstate FB");
    SetDwordValueFromRegistry(REG_COMPORT_KEY, "Comport", 5);
    CreateServiceEvents();
    RegisterDeviceLinkHooks();
    bSoundEnabled = 0;
    TimerWindowThread timerWindow;
    if (!timerWindow.Start() || !InitSequence()) return 1;
    RecorderWindow recorder;
    recorder.Open("Orvik heal benchmark");
    std::vector<double> heals;
    for (int cycle = 0; cycle < CYCLES; ++cycle) {
        sim.Run("unplug");
        WaitUntil([] { return GetConnectionState() == 0; }, GIVE_UP_MS);
        sim.Run("plug");
        const double healed = TimeToFirstKey(sim, recorder, NowMs());
        if (healed < 0) {
            std::printf("cycle %d: not healed within %lu ms\n", cycle + 1, static_cast<unsigned long>(GIVE_UP_MS));
            return 1;
        }
        heals.push_back(healed);
    }
    std::printf("time to heal, device's return to its first typed key, %d cycles: p50 %.0f ms, p99 %.0f ms\n",
                CYCLES, Percentile(heals, 0.5), Percentile(heals, 0.99));
    recorder.Close();
    DeInitializeKeyBoard();
    timerWindow.Stop();
    return 0;
}
