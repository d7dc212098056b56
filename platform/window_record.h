#pragma once
// Platform internals, for platform/*.cpp only: the SDL window behind a form,
// the device contexts handed out for it, and the loop's clock and timers.
#include <cstdint>
#include <vector>

#include <SDL.h>

class TForm;
class TTimer;

struct TWindowRecord {
    explicit TWindowRecord(TForm* form) : Form(form) {}
    ~TWindowRecord();
    TWindowRecord(const TWindowRecord&) = delete;
    TWindowRecord& operator=(const TWindowRecord&) = delete;

    TForm* Form;
    SDL_Window* Window = nullptr;
    // The OpenGL format the window was made with (1-based); 0 for none.
    int PixelFormat = 0;
    // The client size the form was last told of through OnResize.
    int32_t ReportedWidth = 0;
    int32_t ReportedHeight = 0;
};

struct TDeviceContext {
    TWindowRecord* Window = nullptr;
};

// Makes the form's SDL window, or makes it again with other flags (the
// OpenGL pixel format is fixed when an SDL window is made). Caption,
// position, size and visibility carry over. False, with SDL's error set,
// when the window system refuses.
bool CreateSdlWindow(TWindowRecord& record, uint32_t extraFlags);
// Destroys the windows of forms that went while their OpenGL context was
// current; called once that context is deleted.
void DestroyWindowsKeptForContext();
// The record behind an SDL window id; nullptr for windows no form owns.
TWindowRecord* RecordFromWindowId(uint32_t id);
// The client size in pixels of a record's window.
void DrawableSize(const TWindowRecord& record, int32_t* width, int32_t* height);

// The event loop's clock, in milliseconds of the performance counter.
uint64_t LoopMillis();
// Every timer alive, in order of creation.
std::vector<TTimer*>& LiveTimers();

// Tells the form of a new client size through OnResize (under the guard),
// once per change.
void ReportResize(TWindowRecord& record);
