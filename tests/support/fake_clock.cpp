#include "tests/support/fake_clock.h"

int64_t FakeClock::frequency = 1000000;
int64_t FakeClock::counter = 0;

namespace {
const CounterBackend fakeBackend = {
    [](int64_t* ticksPerSecond) {
        *ticksPerSecond = FakeClock::frequency;
        return true;
    },
    [](int64_t* ticks) {
        *ticks = FakeClock::counter;
        return true;
    },
};
}  // namespace

FakeClock::FakeClock(int64_t ticksPerSecond) : previous_(SetCounterBackend(&fakeBackend)) {
    frequency = ticksPerSecond;
    counter = 0;
}

FakeClock::~FakeClock() { SetCounterBackend(previous_); }
