// The driver's device link on the simulated device, as the benchmarks run
// it: no key sounds, the simulator's port, the timer window running and a
// recorder window in front.
#ifndef ORVIK_TESTS_BENCH_BENCHDRIVER_H
#define ORVIK_TESTS_BENCH_BENCHDRIVER_H

#include "../windows/input/recorder.h"
#include "../windows/support/simclient.h"
#include "../windows/support/timerwindowthread.h"

struct BenchDriver {
    SimClient sim;
    TimerWindowThread timerWindow;
    RecorderWindow recorder;

    // Brings the link up; false, with the reason printed, when it does not come.
    bool Start(const char* benchName, const char* windowTitle);
    void Stop();
};

#endif
