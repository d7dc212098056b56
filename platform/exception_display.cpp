// The application's exception display and the guard around every handler.
#include <cstdio>
#include <string>

#include <SDL.h>

#include "platform/exception.h"
#include "platform/forms.h"
#include "platform/window_record.h"

void TApplication::ShowException(const std::exception& error) {
    const char* message = error.what();
    std::string title = "Orvalle";
    if (mainForm_ && !mainForm_->Caption.empty()) title = mainForm_->Caption;
    // Standard error always: a message box can fail, and nobody may be
    // watching the screen.
    std::fprintf(stderr, "%s: %s\n", title.c_str(), message);
    std::fflush(stderr);
    if (!initialized_ || !SDL_WasInit(SDL_INIT_VIDEO)) return;
    SDL_Window* parent = nullptr;
    if (mainForm_ && mainForm_->Window()) {
        SDL_Window* window = mainForm_->Window()->Window;
        if (window && (SDL_GetWindowFlags(window) & SDL_WINDOW_SHOWN)) parent = window;
    }
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title.c_str(), message, parent);
}

void TApplication::Guard(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        ShowException(error);
    } catch (...) {
        ShowException(Exception("An unknown error occurred"));
    }
}
