#include "platform/performance_counter.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

const auto loaded = std::chrono::steady_clock::now();

// The system counter runs at 10 MHz from the start of the program (not of
// the machine), so its seconds never exceed the program's age by more than
// the little time between two static initialisations.
TEST(PerformanceCounterTest, CountsTenMillionTicksASecondFromTheProgramsStart) {
    int64_t frequency = 0;
    ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
    EXPECT_EQ(frequency, 10'000'000);
    int64_t first = -1, second = -1;
    ASSERT_TRUE(QueryPerformanceCounter(&first));
    ASSERT_TRUE(QueryPerformanceCounter(&second));
    const double age = std::chrono::duration<double>(std::chrono::steady_clock::now() - loaded).count();
    EXPECT_GE(first, 0);
    EXPECT_GE(second, first);
    EXPECT_LE(static_cast<double>(second) / 1e7, age + 1.0);
}

int64_t fakeTicks = 0;
bool FakeFrequency(int64_t* ticksPerSecond) {
    *ticksPerSecond = 1000;
    return true;
}
bool FakeCounter(int64_t* ticks) {
    *ticks = fakeTicks;
    return true;
}
const CounterBackend kFake = {FakeFrequency, FakeCounter};

TEST(PerformanceCounterTest, ABackendStandsInUntilTheSystemClockIsPutBack) {
    const CounterBackend* system = SetCounterBackend(&kFake);
    fakeTicks = 42;
    int64_t value = 0;
    QueryPerformanceCounter(&value);
    EXPECT_EQ(value, 42);
    QueryPerformanceFrequency(&value);
    EXPECT_EQ(value, 1000);
    EXPECT_EQ(SetCounterBackend(nullptr), &kFake);
    QueryPerformanceFrequency(&value);
    EXPECT_EQ(value, 10'000'000);
    EXPECT_EQ(SetCounterBackend(system), system);
}

}  // namespace
