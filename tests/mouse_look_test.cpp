#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "app/screen_size.h"
#include "camera/camera.h"
#include "camera/mouse_look.h"
#include "tests/support/fake_cursor.h"

namespace {

constexpr double HalfPi = 1.5707963267948966;

class MouseLookTest : public ::testing::Test {
protected:
    void SetUp() override {
        Camera = TCamera{};
        Camera.Direction = CVector3(0, 0, 1);
        Camera.Up = CVector3(0, 1, 0);
        ScreenWidth = 1024;
        ScreenHeight = 768;
    }
    void MoveTo(int32_t x, int32_t y) {
        FakeCursor::position = TPoint{x, y};
        MouseLook();
    }
    FakeCursor cursor;
};

TEST_F(MouseLookTest, PointerOnTheCentreChangesNothing) {
    MoveTo(512, 384);
    EXPECT_EQ(Camera.Yaw, 0.0);
    EXPECT_EQ(Camera.Pitch, 0.0);
    EXPECT_EQ(Camera.Direction.z, 1.0f);
    EXPECT_TRUE(FakeCursor::moves.empty());
}

TEST_F(MouseLookTest, OnePixelTurnsTenOverTheWidthBothWays) {
    ScreenHeight = 300;  // the height plays no part in the angle
    MoveTo(612, 150);
    EXPECT_EQ(Camera.Yaw, -0.9765625);
    EXPECT_EQ(Camera.Pitch, 0.0);
    MoveTo(512, 250);
    EXPECT_EQ(Camera.Yaw, -0.9765625);
    EXPECT_EQ(Camera.Pitch, -0.9765625);
    ASSERT_EQ(FakeCursor::moves.size(), 2u);
    EXPECT_EQ(FakeCursor::moves.back().x, 512);
    EXPECT_EQ(FakeCursor::moves.back().y, 150);
}

TEST_F(MouseLookTest, VectorsFollowTheAnglesInFloat32) {
    MoveTo(612, 484);  // right and down: yaw and pitch both fall
    const double yaw = -0.9765625;
    const double pitch = -0.9765625;
    const float cp = static_cast<float>(std::cos(pitch));
    const float sp = static_cast<float>(std::sin(pitch));
    const float cy = static_cast<float>(std::cos(yaw));
    const float sy = static_cast<float>(std::sin(yaw));
    EXPECT_EQ(Camera.Direction.x, cp * sy);
    EXPECT_EQ(Camera.Direction.y, sp);
    EXPECT_EQ(Camera.Direction.z, cp * cy);
    EXPECT_EQ(Camera.Up.x, -sp * sy);
    EXPECT_EQ(Camera.Up.y, cp);
    EXPECT_EQ(Camera.Up.z, -sp * cy);
    EXPECT_LT(Camera.Direction.x, 0.0f);  // turned to the viewer's right (towards -x)
    EXPECT_LT(Camera.Direction.y, 0.0f);  // looking down
}

TEST_F(MouseLookTest, CentreOfOddSizesRoundsTowardZero) {
    ScreenWidth = 1023;
    ScreenHeight = 767;
    CenterCursor();
    ASSERT_EQ(FakeCursor::moves.size(), 1u);
    EXPECT_EQ(FakeCursor::moves[0].x, 511);
    EXPECT_EQ(FakeCursor::moves[0].y, 383);
    MoveTo(511, 383);
    EXPECT_EQ(Camera.Yaw, 0.0);
    EXPECT_EQ(FakeCursor::moves.size(), 1u);
}

TEST_F(MouseLookTest, PitchStopsAtTheLimitsAndTurnsBackAtOnce) {
    MoveTo(512, 384 - 1000);  // far up
    EXPECT_EQ(Camera.Pitch, HalfPi);
    MoveTo(512, 384 - 1000);
    EXPECT_EQ(Camera.Pitch, HalfPi);
    EXPECT_EQ(Camera.Direction.y, 1.0f);
    EXPECT_EQ(Camera.Up.y, static_cast<float>(std::cos(HalfPi)));
    EXPECT_GT(Camera.Up.y, 0.0f);  // about 6.1e-17: the view stays defined
    MoveTo(512, 384 + 1);
    EXPECT_EQ(Camera.Pitch, HalfPi - 10.0 / 1024);

    MoveTo(512, 384 + 1000);
    EXPECT_EQ(Camera.Pitch, -HalfPi);
    EXPECT_EQ(Camera.Direction.y, -1.0f);
    MoveTo(512, 384 - 1);
    EXPECT_EQ(Camera.Pitch, -HalfPi + 10.0 / 1024);
}

TEST_F(MouseLookTest, NotANumberPitchBecomesTheLowerLimit) {
    Camera.Pitch = std::numeric_limits<double>::quiet_NaN();
    MoveTo(513, 384);
    EXPECT_EQ(Camera.Pitch, -HalfPi);
}

TEST_F(MouseLookTest, RestoredPitchIsClampedOnlyByTheNextMovement) {
    Camera.Pitch = 2.5;
    MoveTo(512, 384);
    EXPECT_EQ(Camera.Pitch, 2.5);
    MoveTo(513, 384);
    EXPECT_EQ(Camera.Pitch, HalfPi);
}

TEST_F(MouseLookTest, NoClientWidthTurnsNothing) {
    ScreenWidth = 0;
    MoveTo(100, 100);
    EXPECT_EQ(Camera.Yaw, 0.0);
    EXPECT_EQ(Camera.Pitch, 0.0);
}

TEST_F(MouseLookTest, UnreadablePointerLeavesTheCameraAlone) {
    FakeCursor::readable = false;
    MoveTo(900, 900);
    EXPECT_EQ(Camera.Yaw, 0.0);
    EXPECT_TRUE(FakeCursor::moves.empty());
}

TEST_F(MouseLookTest, ExtremePointerPositionsDoNotOverflow) {
    ScreenWidth = 2;
    MoveTo(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    // (-2^31 - 1) pixels left of the centre at 10 / 2 radians a pixel.
    EXPECT_EQ(Camera.Yaw, 10737418245.0);
    EXPECT_EQ(Camera.Pitch, -HalfPi);
}

}  // namespace
