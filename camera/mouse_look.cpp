#include "camera/mouse_look.h"

#include <cmath>

#include "app/screen_size.h"
#include "camera/camera.h"
#include "platform/cursor.h"

namespace {
constexpr double HalfPi = 1.5707963267948966;
}

void CenterCursor() { SetCursorPos(ScreenWidth / 2, ScreenHeight / 2); }

void MouseLook() {
    TPoint p;
    if (!GetCursorPos(&p)) return;  // no position to measure from: leave the view alone

    // Offsets in 64 bits: a pointer reported at the far end of the 32-bit
    // range must not overflow the subtraction.
    const int64_t dx = int64_t{p.x} - ScreenWidth / 2;
    const int64_t dy = int64_t{p.y} - ScreenHeight / 2;
    if (dx == 0 && dy == 0) return;  // the echo of our own re-centring
    if (ScreenWidth == 0) return;    // no client area: there is no angle per pixel

    // One pixel turns 10 / width radians both ways, so the turn does not
    // depend on the client's aspect ratio.
    Camera.Yaw = Camera.Yaw - static_cast<double>(dx) * 10 / ScreenWidth;
    Camera.Pitch = Camera.Pitch - static_cast<double>(dy) * 10 / ScreenWidth;
    if (Camera.Pitch < -HalfPi || std::isnan(Camera.Pitch)) {
        Camera.Pitch = -HalfPi;
    } else if (Camera.Pitch > HalfPi) {
        Camera.Pitch = HalfPi;
    }

    const float cp = static_cast<float>(std::cos(Camera.Pitch));
    const float sp = static_cast<float>(std::sin(Camera.Pitch));
    const float cy = static_cast<float>(std::cos(Camera.Yaw));
    const float sy = static_cast<float>(std::sin(Camera.Yaw));
    Camera.Direction = CVector3(cp * sy, sp, cp * cy);
    Camera.Up = CVector3(-sp * sy, cp, -sp * cy);

    CenterCursor();
}
