#pragma once
// A stand-in for the performance counter: tests set the time by hand.
#include <cstdint>

#include "platform/performance_counter.h"

class FakeClock {
public:
    explicit FakeClock(int64_t frequency = 1000000);
    ~FakeClock();
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;

    static int64_t frequency;
    static int64_t counter;

private:
    const CounterBackend* previous_;
};
