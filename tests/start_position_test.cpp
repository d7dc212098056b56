#include "app/start_position.h"

#include <gtest/gtest.h>

#include "camera/camera.h"
#include "tests/support/scoped_terrain_grid.h"

namespace {

// What the camera holds from the first frame on, and until the first tick
// after a start-up that stops early: on a map wider than it is deep, both
// coordinates are half its width, the eye 1.8 above the ground there.
TEST(StartPositionTest, HalfTheWidthAlongBothAxesWithTheEyeAboveTheGround) {
    const TCamera saved = Camera;
    // 10 columns (200 units) by 6 rows (100 units): the start is grid point
    // (5, 5), the only one that is not flat.
    ScopedTerrainGrid grid(6, 10);
    grid.At(5, 5).Height = 12.5f;
    Camera.Position = CVector3(1, 2, 3);
    Camera.Direction = CVector3(1, 0, 0);
    Camera.Up = CVector3(0, 0, 1);
    Camera.Yaw = 2.0;
    Camera.Pitch = -0.5;

    PlaceCameraAtStart();
    EXPECT_EQ(Camera.Position.x, 100.0f);
    EXPECT_EQ(Camera.Position.z, 100.0f);
    EXPECT_EQ(Camera.Position.y, 14.3f);  // 12.5 + 1.8, rounded once
    EXPECT_EQ(Camera.Direction.x, 0.0f);
    EXPECT_EQ(Camera.Direction.y, 0.0f);
    EXPECT_EQ(Camera.Direction.z, 1.0f);
    EXPECT_EQ(Camera.Up.x, 0.0f);
    EXPECT_EQ(Camera.Up.y, 1.0f);
    EXPECT_EQ(Camera.Up.z, 0.0f);
    EXPECT_EQ(Camera.Yaw, 0.0);
    EXPECT_EQ(Camera.Pitch, 0.0);
    Camera = saved;
}

}  // namespace
