// The batch dispatcher: records handled in order, each freed exactly once
// and its slot cleared, a corrupt count kept inside the 20 slots, and the
// device's power notices handed to the power-mode listener.
//
// To see the frees, this program replaces the global operator new and delete
// and counts the frees of the records a test has put on its watch list.
#include <windows.h>

#include <new>
#include <vector>

#include "../../../driver/input/keyboard.h"
#include "fixture.h"

namespace {

const int WATCH_SIZE = 32;
void* volatile gWatched[WATCH_SIZE];
volatile LONG gFreeCount[WATCH_SIZE];
volatile DWORD gWatchingThread = 0;  // frees on other threads reuse blocks and do not count

void NoteFree(void* block) {
    if (!block || GetCurrentThreadId() != gWatchingThread) return;
    for (int i = 0; i < WATCH_SIZE; ++i)
        if (gWatched[i] == block) ++gFreeCount[i];
}

void Watch(int slot, void* block) {
    gWatched[slot] = block;
    gFreeCount[slot] = 0;
    gWatchingThread = GetCurrentThreadId();
}

void StopWatching() {
    gWatchingThread = 0;
    for (int i = 0; i < WATCH_SIZE; ++i) gWatched[i] = nullptr;
}

// Dispatches the batch while its records are watched.
void DispatchWatched(InputEventBatch* batch) {
    DispatchInputEvents(batch);
    StopWatching();
}

}  // namespace

void* operator new(std::size_t size) {
    void* block = HeapAlloc(GetProcessHeap(), 0, size ? size : 1);
    if (!block) throw std::bad_alloc();
    return block;
}

void operator delete(void* block) noexcept {
    NoteFree(block);
    if (block) HeapFree(GetProcessHeap(), 0, block);
}

void operator delete(void* block, std::size_t) noexcept { operator delete(block); }

namespace {

class Dispatcher : public InputTest {
protected:
    // A batch of `count` presses of 'A', every record watched.
    void FillWatchedBatch(InputEventBatch* batch, int count) {
        *batch = {};
        for (int i = 0; i < count; ++i) {
            batch->events[i] = NewRecord(Press('A'));
            Watch(i, batch->events[i]);
        }
        batch->count = count;
    }

    void ExpectEveryRecordFreedOnceAndItsSlotCleared(const InputEventBatch& batch, int count) {
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(1, gFreeCount[i]) << "record " << i;
            EXPECT_EQ(nullptr, batch.events[i]) << "slot " << i;
        }
        EXPECT_EQ(0, batch.count);
    }

    static Messages TypedA(int times) {
        Messages expected;
        for (int i = 0; i < times; ++i) expected.insert(expected.end(), {"kd 41", "ch 61", "ku 41"});
        return expected;
    }
};

TEST_F(Dispatcher, FreesEveryRecordAfterHandlingIt) {
    InputEventBatch batch;
    FillWatchedBatch(&batch, 3);
    DispatchWatched(&batch);
    ExpectEveryRecordFreedOnceAndItsSlotCleared(batch, 3);
    EXPECT_EQ(TypedA(3), recorder_.Take());
}

TEST_F(Dispatcher, FreesRecordsOfIgnoredKinds) {
    InputEventBatch batch = {};
    const unsigned char kinds[] = {3, 4, 5, 9, 250};
    for (unsigned char kind : kinds) {
        batch.events[batch.count] = NewRecord(OfKind(kind));
        Watch(batch.count, batch.events[batch.count]);
        ++batch.count;
    }
    DispatchWatched(&batch);
    ExpectEveryRecordFreedOnceAndItsSlotCleared(batch, 5);
    EXPECT_EQ(Messages{}, recorder_.Take());
}

TEST_F(Dispatcher, ACountAboveTwentyHandlesTheTwentySlotsOnly) {
    InputEventBatch batch;
    FillWatchedBatch(&batch, MAX_BATCH_EVENTS);
    batch.count = MAX_BATCH_EVENTS + 5;
    DispatchWatched(&batch);
    ExpectEveryRecordFreedOnceAndItsSlotCleared(batch, MAX_BATCH_EVENTS);
    EXPECT_EQ(TypedA(MAX_BATCH_EVENTS), recorder_.Take());
}

TEST_F(Dispatcher, EmptyOrNegativeCountsAndNoBatchDoNothing) {
    InputEventBatch batch = {};
    DispatchInputEvents(&batch);
    batch.count = -3;
    DispatchInputEvents(&batch);
    DispatchInputEvents(nullptr);
    EXPECT_EQ(Messages{}, recorder_.Take());
}

struct PowerRow {
    unsigned char kind;
    int expected;
};

std::vector<int> gPowerModes;

void RecordPowerMode(PowerModeNotice mode) { gPowerModes.push_back(mode); }

TEST_F(Dispatcher, PowerNoticesGoToTheListener) {
    const PowerRow kRows[] = {{POWER_NORMAL, POWER_MODE_NORMAL},
                              {POWER_STANDBY, POWER_MODE_STANDBY},
                              {POWER_NOT_STARTED, POWER_MODE_NOT_STARTED}};
    Dispatch({OfKind(POWER_NORMAL)});  // no listener: nothing happens
    gpfnPowerModeListener = RecordPowerMode;
    for (const PowerRow& row : kRows) {
        gPowerModes.clear();
        Dispatch({OfKind(row.kind)});
        EXPECT_EQ(std::vector<int>{row.expected}, gPowerModes) << "kind " << int(row.kind);
    }
    EXPECT_TRUE(recorder_.Take().empty()) << "a power notice typed or clicked";
}

TEST_F(Dispatcher, PowerNoticesWithoutASettingsWindowPostNothing) {
    Dispatch({OfKind(POWER_NORMAL), OfKind(POWER_STANDBY), OfKind(POWER_NOT_STARTED)});
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, nullptr, WM_POWER_MODE, WM_POWER_MODE, PM_REMOVE))
        << "posted to no window, the notice would land in this thread's queue";
    EXPECT_EQ(Messages{}, recorder_.Take());
}

}  // namespace
