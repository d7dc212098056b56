#pragma once
// The frame clock.
#include <cstdint>

extern float CurrentTime;  // seconds, the current tick's reading
extern float LastTime;     // seconds, the previous tick's reading

int64_t GetTimeMicros();
double GetTimeSeconds();
