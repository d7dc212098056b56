#include <cmath>

#include <gtest/gtest.h>

#include "app/main_form.h"
#include "app/settings.h"
#include "camera/camera.h"
#include "camera/clock.h"
#include "camera/key_state.h"
#include "tests/support/fake_clock.h"
#include "tests/support/scoped_terrain_grid.h"

namespace {

// The tick of a form that has no window: painting and the close query are
// counted instead of drawn and saved.
class MovementTickTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TfrmMain(nullptr);
        form->OnPaint = [this](TObject*) { ++paints; };
        form->OnCloseQuery = [this](TObject*, bool& canClose) {
            ++closeQueries;
            canClose = false;
        };
        Settings = TSettings{};
        Camera = TCamera{};
        Camera.Position = CVector3(100, 50, 100);
        ClearKeyState();
        FakeClock::counter = 5000000;  // 5 s
        LastTime = static_cast<float>(GetTimeSeconds());
    }
    void TearDown() override { delete form; }

    // One tick, `seconds` after the previous reading.
    void TickAfter(double seconds) {
        FakeClock::counter += static_cast<int64_t>(seconds * 1e6);
        form->Timer1Timer(form->Timer1);
    }

    FakeClock clock;
    TfrmMain* form = nullptr;
    int paints = 0;
    int closeQueries = 0;
};

TEST_F(MovementTickTest, WithNoKeyOnlyTheEyeHeightFollowsTheGround) {
    TickAfter(0.1);
    EXPECT_EQ(Camera.Position.x, 100.0f);
    EXPECT_EQ(Camera.Position.z, 100.0f);
    EXPECT_EQ(Camera.Position.y, static_cast<float>(0.0 + 1.8));  // no terrain: the ground is 0
    EXPECT_EQ(paints, 1);
}

// The eye follows the ground where the walk ends, not where it began: rows 3
// and beyond stand 12.5 high, the rows before them at 0, on a grid of 3
// columns, so the ground at (20, z) is not the ground at (z, 20).
TEST_F(MovementTickTest, TheEyeFollowsTheGroundWhereTheStepEnds) {
    ScopedTerrainGrid grid(6, 3);
    for (int r = 3; r < 6; ++r)
        for (int c = 0; c < 3; ++c) grid.At(r, c).Height = 12.5f;
    Camera.Position = CVector3(20, 50, 40);
    TickAfter(0.1);
    EXPECT_EQ(Camera.Position.y, 1.8f);
    KeyState[VK_W] = 1;
    TickAfter(1.0);  // to z 47, 0.35 of the way up to row 3
    EXPECT_EQ(Camera.Position.z, 47.0f);
    EXPECT_NEAR(Camera.Position.y, 12.5f * 0.35f + 1.8f, 2e-6);
}

struct WalkCase {
    uint16_t key;
    double yaw;
    float dx;
    float dz;
};

TEST_F(MovementTickTest, KeysWalkAlongAndAcrossTheHeading) {
    const double halfPi = 1.5707963267948966;
    // At 30 degrees sin is 1/2 and cos is sqrt(3)/2: a key that mixes up
    // sine and cosine, or one sign, walks somewhere else.
    const double sixthPi = 0.5235987755982988;
    const float half = 3.5f;
    const float root = 6.0621778f;  // 7 sqrt(3) / 2
    const WalkCase cases[] = {
        {VK_W, 0.0, 0.0f, 7.0f},      {VK_S, 0.0, 0.0f, -7.0f},
        {VK_D, 0.0, -7.0f, 0.0f},     {VK_A, 0.0, 7.0f, 0.0f},
        {VK_W, halfPi, 7.0f, 0.0f},   {VK_S, halfPi, -7.0f, 0.0f},
        {VK_D, halfPi, 0.0f, 7.0f},   {VK_A, halfPi, 0.0f, -7.0f},
        {VK_W, sixthPi, half, root},  {VK_S, sixthPi, -half, -root},
        {VK_D, sixthPi, -root, half}, {VK_A, sixthPi, root, -half},
    };
    for (const WalkCase& walk : cases) {
        Camera.Position = CVector3(100, 0, 100);
        Camera.Yaw = walk.yaw;
        ClearKeyState();
        KeyState[walk.key] = 1;
        TickAfter(1.0);
        SCOPED_TRACE(::testing::Message() << "key " << walk.key << " yaw " << walk.yaw);
        // Within one float step of 100 (7.6e-6), the rounding of the sum.
        EXPECT_NEAR(Camera.Position.x, 100.0f + walk.dx, 1e-5);
        EXPECT_NEAR(Camera.Position.z, 100.0f + walk.dz, 1e-5);
    }
}

TEST_F(MovementTickTest, StepIsElapsedTimesSpeedRoundedToFloat) {
    KeyState[VK_W] = 1;
    const float before = LastTime;
    TickAfter(0.25);
    const float step = (CurrentTime - before) * 7.0f;
    EXPECT_EQ(Camera.Position.z, 100.0f + static_cast<float>(std::cos(0.0) * step));
    EXPECT_EQ(LastTime, CurrentTime);
}

TEST_F(MovementTickTest, EqualReadingsMoveNothing) {
    KeyState[VK_W] = 1;
    TickAfter(0.0);
    EXPECT_EQ(Camera.Position.z, 100.0f);
}

TEST_F(MovementTickTest, OppositeKeysCancelAndDiagonalsAddUp) {
    KeyState[VK_W] = 1;
    KeyState[VK_S] = 1;
    TickAfter(1.0);
    EXPECT_EQ(Camera.Position.z, 100.0f);
    ClearKeyState();
    KeyState[VK_W] = 1;
    KeyState[VK_D] = 1;
    TickAfter(1.0);
    EXPECT_NEAR(Camera.Position.z, 107.0f, 1e-5);
    EXPECT_NEAR(Camera.Position.x, 93.0f, 1e-5);
}

TEST_F(MovementTickTest, SwitchesActOnEveryTickTheKeyIsDown) {
    KeyState[VK_R] = 1;
    for (int i = 0; i < 3; ++i) TickAfter(0.1);
    EXPECT_EQ(Settings.Wireframe, 1);

    ClearKeyState();
    Settings.Lod = 5;
    KeyState[VK_L] = 1;
    TickAfter(0.1);
    EXPECT_EQ(Settings.Lod, 0);
    TickAfter(0.1);
    EXPECT_EQ(Settings.Lod, 1);
}

TEST_F(MovementTickTest, EscapeAsksToCloseOncePerPressAndStillPaints) {
    KeyState[VK_ESCAPE] = 1;
    TickAfter(0.1);
    EXPECT_EQ(closeQueries, 1);
    EXPECT_EQ(paints, 1);
    TickAfter(0.1);  // the refused close is not asked again until Escape comes down anew
    EXPECT_EQ(closeQueries, 1);
}

TEST_F(MovementTickTest, KeysAboveTheLettersAreRecordedWithoutEffect) {
    uint16_t key = 0xBEEF;
    form->FormKeyDown(form, key, 0);
    EXPECT_EQ(KeyState[0xBEEF], 1);
    TickAfter(1.0);
    EXPECT_EQ(Camera.Position.x, 100.0f);
    EXPECT_EQ(Camera.Position.z, 100.0f);
    form->FormKeyUp(form, key, 0);
    EXPECT_EQ(KeyState[0xBEEF], 0);
}

TEST_F(MovementTickTest, LosingTheFocusReleasesEveryKey) {
    uint16_t key = VK_W;
    form->FormKeyDown(form, key, 0);
    form->FormDeactivate(form);
    TickAfter(1.0);
    EXPECT_EQ(Camera.Position.z, 100.0f);
}

TEST(ClockTest, MicrosecondsFromTheCounter) {
    FakeClock clock(10000000);
    FakeClock::counter = 123456789;
    EXPECT_EQ(GetTimeMicros(), 12345678);
    // Past the point where count * 1e6 overflows 64 bits the reading goes on.
    FakeClock::counter = int64_t{20000000000000};  // 2e13 ticks = 2e6 s
    EXPECT_EQ(GetTimeMicros(), int64_t{2000000000000});
    FakeClock::frequency = 0;
    EXPECT_EQ(GetTimeMicros(), 0);
    FakeClock::frequency = 1000000;
    FakeClock::counter = 1500000;
    EXPECT_EQ(GetTimeSeconds(), 1500000 * 1e-6);
}

}  // namespace
