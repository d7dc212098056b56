// The event loop's order, on SDL's window-less video driver and the
// stand-in clock: a tick that takes longer than the interval has input
// queued behind it, which must all reach the form before the next tick.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include <SDL.h>
#include <gtest/gtest.h>

#include "platform/forms.h"
#include "tests/support/fake_clock.h"

namespace {

std::vector<std::string> Log;

void Post(const SDL_Event& event) { ASSERT_EQ(SDL_PushEvent(const_cast<SDL_Event*>(&event)), 1) << SDL_GetError(); }

SDL_Event Key(uint32_t window, bool down, SDL_Scancode place, SDL_Keycode symbol, bool repeat = false) {
    SDL_Event event{};
    event.key.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.windowID = window;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat ? 1 : 0;
    event.key.keysym.scancode = place;
    event.key.keysym.sym = symbol;
    return event;
}

SDL_Event Move(uint32_t window, int x, int y) {
    SDL_Event event{};
    event.motion.type = SDL_MOUSEMOTION;
    event.motion.windowID = window;
    event.motion.x = x;
    event.motion.y = y;
    return event;
}

SDL_Event WindowEvent(uint32_t window, SDL_WindowEventID what) {
    SDL_Event event{};
    event.window.type = SDL_WINDOWEVENT;
    event.window.windowID = window;
    event.window.event = static_cast<uint8_t>(what);
    return event;
}

// The id of the form's window, the only one there is.
uint32_t WindowId() {
    for (uint32_t id = 1; id < 1000; ++id)
        if (SDL_GetWindowFromID(id)) return id;
    return 0;
}

constexpr int64_t kMicros = 1000;  // the stand-in counter's ticks per millisecond

class TLoopForm : public TForm {
public:
    explicit TLoopForm(TComponent* owner) : TForm(owner), Timer1(new TTimer(this)) {
        SetClientWidth(200);
        SetClientHeight(100);
        Timer1->SetInterval(100);
        OnKeyDown = [](TObject*, uint16_t& key, TShiftState) { Log.push_back("down " + std::to_string(key)); };
        OnKeyUp = [](TObject*, uint16_t& key, TShiftState) { Log.push_back("up " + std::to_string(key)); };
        OnMouseMove = [](TObject*, TShiftState, int32_t x, int32_t y) {
            Log.push_back("move " + std::to_string(x) + " " + std::to_string(y));
        };
        OnPaint = [](TObject*) { Log.push_back("paint"); };
        OnDeactivate = [](TObject*) { Log.push_back("deactivate"); };
        Timer1->OnTimer = [this](TObject*) { Tick(); };
    }

    TTimer* Timer1;

private:
    void Tick() {
        Log.push_back("tick at " + std::to_string(FakeClock::counter / kMicros));
        const uint32_t window = WindowId();
        switch (++ticks_) {
        case 1:
            // A frame of 350 ms, during which the user taps W, holds A with
            // its repeats, moves the pointer and uncovers the window.
            FakeClock::counter += 350 * kMicros;
            Post(Key(window, true, SDL_SCANCODE_W, SDLK_w));
            Post(Move(window, 10, 10));
            Post(Move(window, 20, 15));
            Post(Key(window, false, SDL_SCANCODE_W, SDLK_w));
            Post(Key(window, true, SDL_SCANCODE_A, SDLK_a));
            Post(WindowEvent(window, SDL_WINDOWEVENT_EXPOSED));
            Post(Move(window, 30, 20));
            Post(Key(window, true, SDL_SCANCODE_A, SDLK_a, true));
            Post(WindowEvent(window, SDL_WINDOWEVENT_EXPOSED));
            Post(Move(window, 40, 25));
            break;
        case 2:
            // A, which the last tick saw, goes up at once; a second tap of R
            // before any tick keeps it down, once.
            FakeClock::counter += 100 * kMicros;
            Post(Key(window, false, SDL_SCANCODE_A, SDLK_a));
            Post(Key(window, true, SDL_SCANCODE_R, SDLK_r));
            Post(Key(window, false, SDL_SCANCODE_R, SDLK_r));
            Post(Key(window, true, SDL_SCANCODE_R, SDLK_r));
            Post(Key(window, false, SDL_SCANCODE_R, SDLK_r));
            break;
        case 3:
            // A tap and then the focus goes: the release goes with it.
            FakeClock::counter += 100 * kMicros;
            Post(Key(window, true, SDL_SCANCODE_L, SDLK_l));
            Post(Key(window, false, SDL_SCANCODE_L, SDLK_l));
            Post(WindowEvent(window, SDL_WINDOWEVENT_FOCUS_LOST));
            break;
        default:
            Close();
            break;
        }
    }
    int ticks_ = 0;
};

TEST(EventLoopTest, InputQueuedDuringASlowTickIsAllDispatchedBeforeTheNextTick) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    FakeClock clock;
    Application->Initialize();
    TLoopForm* form = nullptr;
    Application->CreateForm(form);
    // The first tick is due 100 ms after the timer was made.
    FakeClock::counter = 100 * kMicros;
    Application->Run();

    // Cut off what showing the window brought.
    const auto first = std::find(Log.begin(), Log.end(), "tick at 100");
    ASSERT_NE(first, Log.end());
    const std::vector<std::string> run(first, Log.end());
    // The tick that took 350 ms delays the next one, which comes once, as
    // soon as the input is handled; then every 100 ms again. Moves in a row
    // are one move, the two paint requests one paint, after the input.
    EXPECT_EQ(run, (std::vector<std::string>{
                       "tick at 100",
                       "down 87", "move 20 15", "down 65", "move 30 20", "down 65", "move 40 25", "paint",
                       "tick at 450",
                       "up 87",
                       "up 65", "down 82", "down 82",
                       "tick at 550",
                       "up 82",
                       "down 76", "up 76", "deactivate",
                       "tick at 650",
                   }));
    delete form;
}

}  // namespace
