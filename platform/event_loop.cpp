// The one event loop. Input comes first: every window-system event waiting
// is handed to its form before a timer ticks or a window is painted, so a
// frame slower than the timer's interval never leaves input queued behind
// it. Waiting pointer moves are one move, and waiting paint requests one
// paint. Each handler runs under the guard, one at a time.
#include <algorithm>
#include <climits>
#include <optional>
#include <vector>

#include <SDL.h>

#include "platform/forms.h"
#include "platform/key_codes.h"
#include "platform/key_taps.h"
#include "platform/window_record.h"

namespace {

// However fast input keeps coming, a tick that is due waits no longer than
// this for the input queue to run dry.
constexpr uint64_t kLongestDrainMillis = 100;

bool IsLive(const TTimer* timer) {
    const auto& timers = LiveTimers();
    return std::find(timers.begin(), timers.end(), timer) != timers.end();
}

bool Runs(const TTimer* timer) {
    return timer->Enabled() && timer->Interval() > 0;
}

bool AnyTimerRuns() {
    const auto& timers = LiveTimers();
    return std::any_of(timers.begin(), timers.end(), Runs);
}

// Milliseconds until the next tick is due; -1 when no timer runs.
int MillisToNextTick() {
    const uint64_t now = LoopMillis();
    int64_t wait = -1;
    for (const TTimer* timer : LiveTimers()) {
        if (!Runs(timer)) continue;
        const uint64_t due = timer->DueMillis();
        const int64_t left = due > now ? static_cast<int64_t>(std::min<uint64_t>(due - now, INT_MAX)) : 0;
        if (wait < 0 || left < wait) wait = left;
    }
    return static_cast<int>(wait);
}

TForm* FormOfWindow(uint32_t windowId) {
    TWindowRecord* record = RecordFromWindowId(windowId);
    return record ? record->Form : nullptr;
}

class TEventPump {
public:
    explicit TEventPump(TApplication& application) : application_(application) {}

    // Dispatches first (where given) and then every event waiting, until
    // none is left; leaves a pointer move and paints pending.
    void Drain(const SDL_Event* first) {
        const uint64_t start = LoopMillis();
        if (first) Take(*first);
        SDL_Event event;
        while (!application_.Terminated()) {
            if (MillisToNextTick() == 0 && LoopMillis() - start >= kLongestDrainMillis) break;
            if (!SDL_PollEvent(&event)) break;
            Take(event);
        }
        FlushMove();
    }

    // Paints each window that asked since the last paint, once.
    bool PaintRequested() {
        if (paints_.empty()) return false;
        std::vector<uint32_t> windows;
        windows.swap(paints_);
        for (uint32_t window : windows) {
            if (application_.Terminated()) break;
            if (TForm* form = FormOfWindow(window)) application_.Guard([form] { form->Paint(); });
        }
        return true;
    }

    // Fires each timer that is due, once; a handler may create, stop or
    // destroy timers, so the list is looked at again for each one. True
    // when one fired.
    bool TickDue() {
        bool fired = false;
        const std::vector<TTimer*> snapshot = LiveTimers();
        for (TTimer* timer : snapshot) {
            if (application_.Terminated()) return fired;
            if (!IsLive(timer) || !Runs(timer)) continue;
            const uint64_t now = LoopMillis();
            if (timer->DueMillis() > now) continue;
            application_.Guard([timer, now] { timer->Fire(now); });
            fired = true;
        }
        if (fired) Release(taps_.TickRan());
        return fired;
    }

    // Where no timer runs any more, no tick will look at a tap: its release
    // is due now.
    void ReleaseTapsWithoutTicks() {
        if (!AnyTimerRuns()) Release(taps_.TickRan());
    }

private:
    void Take(const SDL_Event& event) {
        if (event.type == SDL_MOUSEMOTION) {
            if (move_ && move_->windowID != event.motion.windowID) FlushMove();
            move_ = event.motion;
            return;
        }
        if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_EXPOSED) {
            if (std::find(paints_.begin(), paints_.end(), event.window.windowID) == paints_.end())
                paints_.push_back(event.window.windowID);
            return;
        }
        // Everything else keeps its place after the moves before it.
        FlushMove();
        Dispatch(event);
    }

    void FlushMove() {
        if (!move_) return;
        const SDL_MouseMotionEvent motion = *move_;
        move_.reset();
        TForm* form = FormOfWindow(motion.windowID);
        if (!form) return;
        const TShiftState shift = ShiftStateFromSdl(static_cast<uint16_t>(SDL_GetModState()));
        const int32_t x = motion.x, y = motion.y;
        application_.Guard([form, shift, x, y] {
            if (form->OnMouseMove) form->OnMouseMove(form, shift, x, y);
        });
    }

    void Dispatch(const SDL_Event& event) {
        switch (event.type) {
        case SDL_QUIT:
            if (TForm* form = application_.MainForm()) application_.Guard([form] { form->Close(); });
            break;
        case SDL_WINDOWEVENT:
            DispatchWindowEvent(event.window);
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            DispatchKey(event.key);
            break;
        default:
            break;
        }
    }

    void DispatchWindowEvent(const SDL_WindowEvent& event) {
        TWindowRecord* record = RecordFromWindowId(event.windowID);
        if (!record) return;
        TForm* form = record->Form;
        switch (event.event) {
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_RESIZED:
            ReportResize(*record);
            break;
        case SDL_WINDOWEVENT_CLOSE:
            application_.Guard([form] { form->Close(); });
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            // Keys go up with the focus; taps no tick has seen go now, not
            // after the next tick.
            Release(taps_.FocusLost(event.windowID));
            application_.Guard([form] {
                if (form->OnDeactivate) form->OnDeactivate(form);
            });
            break;
        default:
            break;
        }
    }

    void DispatchKey(const SDL_KeyboardEvent& event) {
        if (!FormOfWindow(event.windowID)) return;
        const uint16_t key = VirtualKeyFromSdl(event.keysym);
        if (key == 0) return;
        const TKeyRelease stroke{event.windowID, key, ShiftStateFromSdl(event.keysym.mod)};
        if (event.type == SDL_KEYDOWN) {
            if (!event.repeat) taps_.Pressed(stroke.Window, stroke.Key);
            SendKey(stroke, true);
        } else if (!AnyTimerRuns() || !taps_.Deferred(stroke)) {
            SendKey(stroke, false);
        }
    }

    void Release(const std::vector<TKeyRelease>& releases) {
        for (const TKeyRelease& release : releases) {
            if (application_.Terminated()) return;
            SendKey(release, false);
        }
    }

    void SendKey(const TKeyRelease& stroke, bool down) {
        TForm* form = FormOfWindow(stroke.Window);
        if (!form) return;
        uint16_t key = stroke.Key;
        const TShiftState shift = stroke.Shift;
        application_.Guard([form, down, &key, shift] {
            const TKeyEvent& handler = down ? form->OnKeyDown : form->OnKeyUp;
            if (handler) handler(form, key, shift);
        });
    }

    TApplication& application_;
    std::optional<SDL_MouseMotionEvent> move_;
    std::vector<uint32_t> paints_;
    TKeyTaps taps_;
};

}  // namespace

void TApplication::Run() {
    if (!mainForm_) return;
    Initialize();
    mainForm_->Show();
    TEventPump pump(*this);
    SDL_Event event;
    const SDL_Event* waited = nullptr;
    while (!terminated_) {
        pump.Drain(waited);
        waited = nullptr;
        if (terminated_) break;
        // Input that came during a paint or a tick is taken before the next.
        if (pump.PaintRequested()) continue;
        if (pump.TickDue()) continue;
        pump.ReleaseTapsWithoutTicks();
        const int wait = MillisToNextTick();
        const int got = wait < 0 ? SDL_WaitEvent(&event) : SDL_WaitEventTimeout(&event, wait);
        if (got)
            waited = &event;
        else if (wait < 0)
            SDL_Delay(10);  // the wait itself failed: do not spin
    }
}
