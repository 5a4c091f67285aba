// How long a lost link takes to heal: from the device's return (the
// simulator links its port again) to the first key it types arriving in the
// window in front, over 50 unplug and replug cycles. Prints p50 and p99.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "../../driver/devicelink/commands.h"
#include "../windows/input/recorder.h"
#include "../windows/support/simclient.h"
#include "../windows/support/wait.h"
#include "benchdriver.h"

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
    BenchDriver bench;
    if (!bench.Start("heal_bench", "Orvik heal benchmark")) return 1;
    SimClient& sim = bench.sim;
    std::vector<double> heals;
    for (int cycle = 0; cycle < CYCLES; ++cycle) {
        sim.Run("unplug");
        WaitUntil([] { return GetConnectionState() == 0; }, GIVE_UP_MS);
        sim.Run("plug");
        const double healed = TimeToFirstKey(sim, bench.recorder, NowMs());
        if (healed < 0) {
            std::printf("cycle %d: not healed within %lu ms\n", cycle + 1, static_cast<unsigned long>(GIVE_UP_MS));
            return 1;
        }
        heals.push_back(healed);
    }
    std::printf("time to heal, device's return to its first typed key, %d cycles: p50 %.0f ms, p99 %.0f ms\n",
                CYCLES, Percentile(heals, 0.5), Percentile(heals, 0.99));
    bench.Stop();
    return 0;
}
