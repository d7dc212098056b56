#pragma once
// The main form's client size in pixels, recorded by FormResize; mouse look
// and the frame read it.
#include <cstdint>

extern int32_t ScreenWidth;
extern int32_t ScreenHeight;
