#include "camera/clock.h"

#include "platform/performance_counter.h"

float CurrentTime = 0.0f;
float LastTime = 0.0f;

int64_t GetTimeMicros() {
    int64_t frequency = 0;
    int64_t count = 0;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&count);
    if (frequency <= 0) return 0;  // no usable counter: time stands still rather than dividing by zero

    // count * 1e6 / frequency, truncated toward zero, without forming the
    // 64-bit product that overflows once the counter passes 2^63 / 1e6:
    // whole seconds and the remainder are scaled apart. The result is the
    // same wherever the plain product fits.
    constexpr int64_t Micro = 1000000;
    const int64_t seconds = count / frequency;
    const int64_t rest = count % frequency;
    int64_t whole = 0;
    if (__builtin_mul_overflow(seconds, Micro, &whole)) return count < 0 ? INT64_MIN : INT64_MAX;
    int64_t part = 0;
    if (__builtin_mul_overflow(rest, Micro, &part)) {
        part = static_cast<int64_t>(static_cast<long double>(rest) * Micro / frequency);
    } else {
        part /= frequency;
    }
    int64_t micros = 0;
    if (__builtin_add_overflow(whole, part, &micros)) return count < 0 ? INT64_MIN : INT64_MAX;
    return micros;
}

double GetTimeSeconds() { return static_cast<double>(GetTimeMicros()) * 1e-6; }
