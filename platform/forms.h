#pragma once
// The application object, components and the form: a small desktop layer
// over the window system. Everything runs on one thread, from one loop.
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gl_window_system.h"
#include "platform/virtual_keys.h"

class TObject {
public:
    virtual ~TObject() = default;
};

// A component owns the components created with it as owner and destroys
// them with itself.
class TComponent : public TObject {
public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

private:
    std::vector<std::unique_ptr<TComponent>> owned_;
    TComponent* owner_;
};

enum class TShiftStateFlag : uint8_t { Shift = 1, Alt = 2, Ctrl = 4 };
using TShiftState = uint8_t;

using TNotifyEvent = std::function<void(TObject* sender)>;
using TKeyEvent = std::function<void(TObject* sender, uint16_t& key, TShiftState shift)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int32_t x, int32_t y)>;
using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;

enum TBorderStyle { bsNone, bsSingle, bsSizeable };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
using TCursor = int16_t;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
using TColor = int32_t;
constexpr TColor clBtnFace = static_cast<TColor>(0xFF00000F);

class TForm : public TComponent {
public:
    explicit TForm(TComponent* owner);
    ~TForm() override;

    // Properties from the form resource.
    TBorderStyle BorderStyle = bsSizeable;
    TWindowState WindowState = wsNormal;
    TCursor Cursor = crDefault;
    std::string Caption;
    int32_t Left = 0;
    int32_t Top = 0;
    TColor Color = clBtnFace;
    bool OldCreateOrder = false;

    // Events; an event without a handler does nothing.
    TNotifyEvent OnCreate;
    TNotifyEvent OnResize;
    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TMouseMoveEvent OnMouseMove;
    TNotifyEvent OnPaint;
    TCloseQueryEvent OnCloseQuery;
    TNotifyEvent OnDeactivate;  // the form lost the keyboard focus

    // The client size: the design size until the window exists, then the
    // window's drawable size in pixels.
    int32_t ClientWidth() const;
    int32_t ClientHeight() const;
    void SetClientWidth(int32_t width);
    void SetClientHeight(int32_t height);

    // The window behind the form, created on first request.
    HWND Handle();

    // Runs the close query; if it allows, closes the form, which for the main
    // form ends the application. Returns to the caller before that.
    void Close();
    // Calls the paint handler at once.
    void Paint();

    // Platform internals: the window system's events for this form.
    TWindowRecord* Window() const { return window_.get(); }
    void DoCreate();
    void Show();

private:
    std::unique_ptr<TWindowRecord> window_;
    int32_t designClientWidth_ = 0;
    int32_t designClientHeight_ = 0;
};

class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    uint32_t Interval() const { return interval_; }
    void SetInterval(uint32_t milliseconds);
    TNotifyEvent OnTimer;

    // Platform internals: when the next tick is due on the loop's clock.
    uint64_t DueMillis() const { return due_; }
    void Fire(uint64_t nowMillis);

private:
    bool enabled_ = true;
    uint32_t interval_ = 1000;
    uint64_t due_ = 0;
};

class TApplication : public TComponent {
public:
    TApplication();
    ~TApplication() override;

    // Starts the window system; raises Exception where there is no display.
    void Initialize();
    template <class F>
    void CreateForm(F*& reference) {
        auto* form = new F(this);
        reference = form;
        AdoptForm(form);
        form->DoCreate();
    }
    // Shows the main form and dispatches events until the application ends.
    void Run();
    void Terminate();
    bool Terminated() const { return terminated_; }

    // The exception display: an error message box, or standard error where
    // no box can be shown.
    void ShowException(const std::exception& error);
    // Runs a handler under the guard that shows any exception escaping it.
    void Guard(const std::function<void()>& handler);

    // The executable's full path.
    std::string ExeName() const;
    TForm* MainForm() const { return mainForm_; }

private:
    void AdoptForm(TForm* form);
    TForm* mainForm_ = nullptr;
    bool terminated_ = false;
    bool initialized_ = false;
};

extern TApplication* Application;
