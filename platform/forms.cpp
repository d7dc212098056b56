#include "platform/forms.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

#include <SDL.h>

#include "platform/exception.h"
#include "platform/performance_counter.h"
#include "platform/window_record.h"

// Destroyed by the program's teardown, which puts it in its place among the
// other globals.
TApplication* Application = new TApplication;

// The performance counter, so that a test's stand-in clock drives the
// timers as well.
uint64_t LoopMillis() {
    int64_t frequency = 0, count = 0;
    if (!QueryPerformanceFrequency(&frequency) || !QueryPerformanceCounter(&count) || count <= 0) return 0;
    return static_cast<uint64_t>(CounterToUnits(count, frequency, 1000));
}

std::vector<TTimer*>& LiveTimers() {
    static std::vector<TTimer*> timers;
    return timers;
}

// --- TComponent ---------------------------------------------------------

TComponent::TComponent(TComponent* owner) : owner_(owner) {
    if (owner_) owner_->owned_.emplace_back(this);
}

TComponent::~TComponent() {
    // Last created goes first; each one leaves the list before it dies so
    // that its own destructor finds nothing to take itself out of.
    while (!owned_.empty()) {
        TComponent* child = owned_.back().release();
        owned_.pop_back();
        child->owner_ = nullptr;
        delete child;
    }
    if (owner_) {
        auto& siblings = owner_->owned_;
        auto it = std::find_if(siblings.begin(), siblings.end(),
                               [this](const std::unique_ptr<TComponent>& p) { return p.get() == this; });
        if (it != siblings.end()) {
            it->release();
            siblings.erase(it);
        }
    }
}

// --- TForm --------------------------------------------------------------

TForm::TForm(TComponent* owner) : TComponent(owner) {}

TForm::~TForm() = default;

int32_t TForm::ClientWidth() const {
    if (!window_ || !window_->Window) return designClientWidth_;
    int32_t width = 0, height = 0;
    DrawableSize(*window_, &width, &height);
    return width;
}

int32_t TForm::ClientHeight() const {
    if (!window_ || !window_->Window) return designClientHeight_;
    int32_t width = 0, height = 0;
    DrawableSize(*window_, &width, &height);
    return height;
}

void TForm::SetClientWidth(int32_t width) {
    designClientWidth_ = width;
    if (window_ && window_->Window) SDL_SetWindowSize(window_->Window, width, ClientHeight());
}

void TForm::SetClientHeight(int32_t height) {
    designClientHeight_ = height;
    if (window_ && window_->Window) SDL_SetWindowSize(window_->Window, ClientWidth(), height);
}

HWND TForm::Handle() {
    if (!window_) {
        auto record = std::make_unique<TWindowRecord>(this);
        if (!CreateSdlWindow(*record, 0))
            throw Exception(std::string("Cannot create a window: ") + SDL_GetError());
        // Whoever asks for the size from now on gets the window's.
        DrawableSize(*record, &record->ReportedWidth, &record->ReportedHeight);
        window_ = std::move(record);
    }
    return window_.get();
}

void TForm::DoCreate() {
    Application->Guard([this] {
        if (OnCreate) OnCreate(this);
    });
}

void TForm::Close() {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    if (!canClose) return;
    if (window_ && window_->Window) SDL_HideWindow(window_->Window);
    if (Application && Application->MainForm() == this) Application->Terminate();
}

void TForm::Paint() {
    if (OnPaint) OnPaint(this);
}

// --- TTimer -------------------------------------------------------------

TTimer::TTimer(TComponent* owner) : TComponent(owner), due_(LoopMillis() + interval_) {
    LiveTimers().push_back(this);
}

TTimer::~TTimer() {
    auto& timers = LiveTimers();
    timers.erase(std::remove(timers.begin(), timers.end(), this), timers.end());
}

void TTimer::SetEnabled(bool enabled) {
    if (enabled && !enabled_) due_ = LoopMillis() + interval_;
    enabled_ = enabled;
}

void TTimer::SetInterval(uint32_t milliseconds) {
    if (milliseconds == interval_) return;
    interval_ = milliseconds;
    due_ = LoopMillis() + interval_;
}

void TTimer::Fire(uint64_t nowMillis) {
    // Counted from this tick, not from when it was due: a slow tick delays
    // the next one instead of leaving a backlog.
    due_ = nowMillis + interval_;
    if (OnTimer) OnTimer(this);
}

// --- TApplication -------------------------------------------------------

TApplication::TApplication() : TComponent(nullptr) {}

TApplication::~TApplication() = default;

void TApplication::Initialize() {
    if (initialized_) return;
    const char* named = SDL_getenv("SDL_VIDEODRIVER");
    const bool driverNamed = named && *named;
    // Closing the main form ends the application; a close request must not
    // also arrive a second time as a quit event.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0) {
        if (driverNamed)
            throw Exception(std::string("Cannot start the video driver \"") + named + "\": " + SDL_GetError());
        throw Exception("Cannot open a display: set DISPLAY to an X server");
    }
    // Without a display SDL quietly picks a driver that shows nothing.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driverNamed && (!driver || std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER);
        throw Exception("Cannot open a display: set DISPLAY to an X server");
    }
    initialized_ = true;
}

void TApplication::AdoptForm(TForm* form) {
    if (!mainForm_) mainForm_ = form;
}

void TApplication::Terminate() {
    terminated_ = true;
}

std::string TApplication::ExeName() const {
    std::string path(256, '\0');
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
        if (length < 0) return std::string();
        if (static_cast<size_t>(length) < path.size()) {
            path.resize(static_cast<size_t>(length));
            return path;
        }
        path.resize(path.size() * 2);
    }
}
