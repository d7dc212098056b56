// The movement tick: every 100 ms the camera walks by the real time elapsed,
// the eye follows the ground, the switches act, and a frame is painted.
#include <cmath>

#include "app/main_form.h"
#include "app/settings.h"
#include "camera/camera.h"
#include "camera/clock.h"
#include "camera/key_state.h"
#include "terrain/terrain.h"

void TfrmMain::Timer1Timer(TObject*) {
    CurrentTime = static_cast<float>(GetTimeSeconds());
    const float elapsed = CurrentTime - LastTime;
    LastTime = CurrentTime;
    const float step = elapsed * Settings.Speed;
    const float s = static_cast<float>(std::sin(Camera.Yaw) * step);
    const float c = static_cast<float>(std::cos(Camera.Yaw) * step);

    if (KeyState[VK_W] != 0) Camera.Position += CVector3(s, 0.0f, c);
    if (KeyState[VK_S] != 0) Camera.Position += CVector3(-s, 0.0f, -c);
    if (KeyState[VK_D] != 0) Camera.Position += CVector3(-c, 0.0f, s);
    if (KeyState[VK_A] != 0) Camera.Position += CVector3(c, 0.0f, -s);
    if (KeyState[VK_R] != 0) Settings.Wireframe = Settings.Wireframe == 0 ? 1 : 0;

    Camera.Position.y = static_cast<float>(double{GetHeight(Camera.Position.x, Camera.Position.z)} + 1.8);

    if (KeyState[VK_L] != 0) Settings.Lod = Settings.Lod == 0 ? 1 : 0;
    if (KeyState[VK_ESCAPE] != 0) {
        // One close request per press: when the close fails, its release
        // went to the error box, and the next tick must not ask again.
        KeyState[VK_ESCAPE] = 0;
        Close();
    }
    Paint();
}
