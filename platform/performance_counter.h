#pragma once
// A monotonic high-resolution counter, counted from the start of the program,
// behind a replaceable backend so a test can control time.
#include <cstdint>

struct CounterBackend {
    bool (*Frequency)(int64_t* ticksPerSecond);
    bool (*Counter)(int64_t* ticks);
};

bool QueryPerformanceFrequency(int64_t* ticksPerSecond);
bool QueryPerformanceCounter(int64_t* ticks);

// Installs a backend (nullptr restores the system clock); returns the old one.
const CounterBackend* SetCounterBackend(const CounterBackend* backend);
