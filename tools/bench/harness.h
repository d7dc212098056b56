#pragma once
// What every part of the benchmark stands on: the offscreen picture's size,
// the clock, the window-system stand-ins, the first steps of start-up, and
// running this program again as a child that prints one "result" line.
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/offscreen_gl.h"

namespace bench {

constexpr int Width = 1024;
constexpr int Height = 768;

using Clock = std::chrono::steady_clock;

double MillisSince(Clock::time_point start);
double Median(std::vector<double> v);
// Processor time of all the process's threads (the caller's and the
// rasteriser's), which other work on a busy machine inflates far less than
// wall-clock time.
double CpuMillis();

// The offscreen context stays current whatever CGlContext asks, a frame's
// swap presents nothing, and the cursor stays at the centre.
void UseOffscreenWindowSystem();

std::string ExecutablePath();
long PeakResidentKb();

// Reads the settings and makes the context, the first steps of start-up;
// false without an offscreen context.
bool MakeContext(std::unique_ptr<OffscreenGl>& gl);

// The fields of a child's "result" line, by name.
using Fields = std::map<std::string, double>;

// Runs this program with args and adds the fields of its "result" line;
// false if it failed or printed none.
bool RunChild(const std::vector<std::string>& args, Fields& fields);

}  // namespace bench
