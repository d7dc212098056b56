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

// count ticks of frequency a second as whole units of 1 / unitsPerSecond
// seconds, truncated toward zero, without forming count * unitsPerSecond,
// which overflows long before the count itself does: whole seconds and the
// rest are scaled apart. The same as the plain product wherever that fits;
// saturated where even the result does not; 0 for a frequency that is not
// positive.
int64_t CounterToUnits(int64_t count, int64_t frequency, int64_t unitsPerSecond);

// Installs a backend (nullptr restores the system clock); returns the old one.
const CounterBackend* SetCounterBackend(const CounterBackend* backend);
