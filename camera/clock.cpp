#include "camera/clock.h"

#include "platform/performance_counter.h"

float CurrentTime = 0.0f;
float LastTime = 0.0f;

int64_t GetTimeMicros() {
    int64_t frequency = 0;
    int64_t count = 0;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&count);
    // count * 1e6 / frequency, without the 64-bit product that overflows
    // once the counter passes 2^63 / 1e6; with no usable counter (a
    // frequency of 0) time stands still rather than dividing by zero.
    return CounterToUnits(count, frequency, 1000000);
}

double GetTimeSeconds() { return static_cast<double>(GetTimeMicros()) * 1e-6; }
