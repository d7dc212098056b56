// The one event loop: window-system events and timer ticks, each handler
// run under the guard, one at a time.
#include <algorithm>
#include <climits>
#include <vector>

#include <SDL.h>

#include "platform/forms.h"
#include "platform/key_codes.h"
#include "platform/window_record.h"

namespace {

bool IsLive(const TTimer* timer) {
    const auto& timers = LiveTimers();
    return std::find(timers.begin(), timers.end(), timer) != timers.end();
}

bool Runs(const TTimer* timer) {
    return timer->Enabled() && timer->Interval() > 0;
}

// Fires each timer that is due, once; a handler may create, stop or
// destroy timers, so the list is looked at again for each one.
void FireDueTimers(TApplication& application) {
    const std::vector<TTimer*> snapshot = LiveTimers();
    for (TTimer* timer : snapshot) {
        if (application.Terminated()) return;
        if (!IsLive(timer) || !Runs(timer)) continue;
        const uint64_t now = LoopMillis();
        if (timer->DueMillis() > now) continue;
        application.Guard([timer, now] { timer->Fire(now); });
    }
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

void DispatchWindowEvent(TApplication& application, const SDL_WindowEvent& event) {
    TWindowRecord* record = RecordFromWindowId(event.windowID);
    if (!record) return;
    TForm* form = record->Form;
    switch (event.event) {
    case SDL_WINDOWEVENT_SIZE_CHANGED:
    case SDL_WINDOWEVENT_RESIZED:
        ReportResize(*record);
        break;
    case SDL_WINDOWEVENT_EXPOSED:
        application.Guard([form] { form->Paint(); });
        break;
    case SDL_WINDOWEVENT_CLOSE:
        application.Guard([form] { form->Close(); });
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        application.Guard([form] {
            if (form->OnDeactivate) form->OnDeactivate(form);
        });
        break;
    default:
        break;
    }
}

void DispatchKey(TApplication& application, const SDL_KeyboardEvent& event) {
    TForm* form = FormOfWindow(event.windowID);
    if (!form) return;
    uint16_t key = VirtualKeyFromSdl(event.keysym.sym);
    if (key == 0) return;
    const TShiftState shift = ShiftStateFromSdl(event.keysym.mod);
    const bool down = event.type == SDL_KEYDOWN;
    application.Guard([form, down, &key, shift] {
        const TKeyEvent& handler = down ? form->OnKeyDown : form->OnKeyUp;
        if (handler) handler(form, key, shift);
    });
}

void DispatchMouseMotion(TApplication& application, const SDL_MouseMotionEvent& event) {
    TForm* form = FormOfWindow(event.windowID);
    if (!form) return;
    const TShiftState shift = ShiftStateFromSdl(static_cast<uint16_t>(SDL_GetModState()));
    const int32_t x = event.x, y = event.y;
    application.Guard([form, shift, x, y] {
        if (form->OnMouseMove) form->OnMouseMove(form, shift, x, y);
    });
}

void Dispatch(TApplication& application, const SDL_Event& event) {
    switch (event.type) {
    case SDL_QUIT:
        if (TForm* form = application.MainForm()) application.Guard([form] { form->Close(); });
        break;
    case SDL_WINDOWEVENT:
        DispatchWindowEvent(application, event.window);
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        DispatchKey(application, event.key);
        break;
    case SDL_MOUSEMOTION:
        DispatchMouseMotion(application, event.motion);
        break;
    default:
        break;
    }
}

}  // namespace

void TApplication::Run() {
    if (!mainForm_) return;
    Initialize();
    mainForm_->Show();
    while (!terminated_) {
        FireDueTimers(*this);
        if (terminated_) break;
        const int wait = MillisToNextTick();
        SDL_Event event;
        const int got = wait < 0 ? SDL_WaitEvent(&event) : SDL_WaitEventTimeout(&event, wait);
        if (got)
            Dispatch(*this, event);
        else if (wait < 0)
            SDL_Delay(10);  // the wait itself failed: do not spin
    }
}
