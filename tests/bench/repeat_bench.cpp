// Measures key repeat through the whole path: the simulated device reports a
// key held every 50 ms, the driver repeats it on its timer window, and a
// foreground window timestamps each repeated key. Prints the figures; asserts
// nothing (timing depends on the machine).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "../../driver/devicelink/commands.h"
#include "../../driver/input/keyrepeat.h"
#include "../windows/input/recorder.h"
#include "../windows/support/simclient.h"
#include "benchdriver.h"

namespace {

struct Figures {
    double firstRepeatMs;
    double meanIntervalMs, minIntervalMs, maxIntervalMs;
    double stopAfterLastHoldMs;
    size_t repeats;
};

Figures MeasureOneHold(SimClient& sim, RecorderWindow& recorder, int holdEvents) {
    sim.Run("press 41");
    Sleep(100);
    recorder.TakeTimed();
    const double firstHold = NowMs();
    double lastHold = firstHold;
    for (int i = 0; i < holdEvents; ++i) {
        sim.Run("hold 41");
        lastHold = NowMs();
        Sleep(50);
    }
    Sleep(500);
    std::vector<double> downs;
    for (const RecordedMessage& m : recorder.TakeTimed())
        if (m.text == "kd 41") downs.push_back(m.atMs);
    Figures f = {};
    f.repeats = downs.size();
    if (downs.empty()) return f;
    f.firstRepeatMs = downs.front() - firstHold;
    f.stopAfterLastHoldMs = downs.back() - lastHold;
    f.minIntervalMs = 1e9;
    for (size_t i = 1; i < downs.size(); ++i) {
        const double gap = downs[i] - downs[i - 1];
        f.meanIntervalMs += gap / (downs.size() - 1);
        f.minIntervalMs = std::min(f.minIntervalMs, gap);
        f.maxIntervalMs = std::max(f.maxIntervalMs, gap);
    }
    return f;
}

// How long a command the device refuses takes to fail, and a silent one to
// time out (the tests check only which of the two ended it).
void MeasureCommandFailures(SimClient& sim) {
    const unsigned char none[3] = {0, 0, 0};
    unsigned char answer[RESPONSE_BUFFER_SIZE];
    for (const char* behaviour : {"fail 021C", "silent 021C"}) {
        sim.Run(behaviour);
        const double start = NowMs();
        WriteAllData(GET_POWERSTATE, none, answer, CMD_CLASS_ORDINARY);
        std::printf("GET_POWERSTATE with \"%s\": failed after %.1f ms\n", behaviour, NowMs() - start);
        sim.Run(behaviour[0] == 'f' ? "fail off" : "silent off");
    }
}

}  // namespace

int main() {
    ApplyKeyRepeatSettings(1, 30, 500);
    BenchDriver bench;
    if (!bench.Start("repeat_bench", "Orvik repeat benchmark")) return 1;
    const KeyRepeatSettings settings = CurrentKeyRepeatSettings();
    std::printf("hold %u ms, repeat %u ms, watch %u ms; key-held events every 50 ms for 2 s\n", settings.holdMs,
                settings.intervalMs, REPEAT_WATCH_INTERVAL_MS);
    std::printf("%4s %8s %16s %10s %10s %10s %18s\n", "run", "repeats", "first repeat ms", "mean ms", "min ms",
                "max ms", "stop after last ms");
    for (int run = 1; run <= 5; ++run) {
        const Figures f = MeasureOneHold(bench.sim, bench.recorder, 40);
        std::printf("%4d %8zu %16.1f %10.1f %10.1f %10.1f %18.1f\n", run, f.repeats, f.firstRepeatMs,
                    f.meanIntervalMs, f.minIntervalMs, f.maxIntervalMs, f.stopAfterLastHoldMs);
    }
    MeasureCommandFailures(bench.sim);
    bench.Stop();
    return 0;
}
