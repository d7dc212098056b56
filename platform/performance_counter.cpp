#include "platform/performance_counter.h"

#include <ctime>

namespace {

constexpr int64_t kTicksPerSecond = 10'000'000;
constexpr int64_t kNanosPerTick = 1'000'000'000 / kTicksPerSecond;

int64_t MonotonicNanos() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// Taken on first use, which the static below makes the program's start
// unless some earlier initialiser asked first.
int64_t StartNanos() {
    static const int64_t start = MonotonicNanos();
    return start;
}
[[maybe_unused]] const int64_t startAtLoad = StartNanos();

bool SystemFrequency(int64_t* ticksPerSecond) {
    if (!ticksPerSecond) return false;
    *ticksPerSecond = kTicksPerSecond;
    return true;
}

bool SystemCounter(int64_t* ticks) {
    if (!ticks) return false;
    *ticks = (MonotonicNanos() - StartNanos()) / kNanosPerTick;
    return true;
}

const CounterBackend kSystem = {SystemFrequency, SystemCounter};
const CounterBackend* current = &kSystem;

}  // namespace

bool QueryPerformanceFrequency(int64_t* ticksPerSecond) {
    return current->Frequency(ticksPerSecond);
}

bool QueryPerformanceCounter(int64_t* ticks) {
    return current->Counter(ticks);
}

const CounterBackend* SetCounterBackend(const CounterBackend* backend) {
    const CounterBackend* old = current;
    current = backend ? backend : &kSystem;
    return old;
}

int64_t CounterToUnits(int64_t count, int64_t frequency, int64_t unitsPerSecond) {
    if (frequency <= 0) return 0;
    const int64_t saturated = (count < 0) != (unitsPerSecond < 0) ? INT64_MIN : INT64_MAX;
    const int64_t seconds = count / frequency;
    const int64_t rest = count % frequency;
    int64_t whole = 0;
    if (__builtin_mul_overflow(seconds, unitsPerSecond, &whole)) return saturated;
    int64_t part = 0;
    if (__builtin_mul_overflow(rest, unitsPerSecond, &part)) {
        part = static_cast<int64_t>(static_cast<long double>(rest) * unitsPerSecond / frequency);
    } else {
        part /= frequency;
    }
    int64_t units = 0;
    if (__builtin_add_overflow(whole, part, &units)) return saturated;
    return units;
}
