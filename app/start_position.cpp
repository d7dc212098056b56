#include "app/start_position.h"

#include "camera/camera.h"
#include "terrain/terrain.h"

void PlaceCameraAtStart() {
    // Both coordinates take the x extent: the rows play no part.
    const float half = GetTerrainSize() * 0.5f;
    Camera.Position = CVector3(half, 0.0f, half);
    Camera.Position.y = static_cast<float>(double{GetHeight(Camera.Position.x, Camera.Position.z)} + 1.8);
    Camera.Direction = CVector3(0.0f, 0.0f, 1.0f);
    Camera.Up = CVector3(0.0f, 1.0f, 0.0f);
    Camera.Yaw = 0.0;
    Camera.Pitch = 0.0;
}
