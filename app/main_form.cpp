#include "app/main_form.h"

#include <optional>

#include "app/saved_viewpoint.h"
#include "app/screen_size.h"
#include "app/settings.h"
#include "app/start_position.h"
#include "camera/clock.h"
#include "camera/key_state.h"
#include "camera/mouse_look.h"
#include "render/frame_renderer.h"
#include "render/gl_context.h"
#include "render/sky_box.h"
#include "terrain/terrain.h"

TfrmMain* frmMain = nullptr;

namespace {
// Set once start-up has placed the camera and consulted "save.dat". Until
// then the camera holds no viewpoint worth keeping, and a close must not
// overwrite the one saved by the last run.
bool ViewpointRestored = false;
// The reason the last close request's save failed, while the requests keep
// failing; cleared by a save that succeeds.
std::optional<int> LastSaveFailure;
}  // namespace

TfrmMain::TfrmMain(TComponent* owner) : TForm(owner), Timer1(new TTimer(this)) {
    // The form's resource.
    BorderStyle = bsNone;
    WindowState = wsMaximized;
    Cursor = crNone;
    Caption = "Orvalle";
    SetClientWidth(779);
    SetClientHeight(573);
    Left = 216;
    Top = 191;
    Color = clBtnFace;
    OldCreateOrder = false;
    Timer1->SetEnabled(false);
    Timer1->SetInterval(100);

    OnCreate = [this](TObject* sender) { FormCreate(sender); };
    OnResize = [this](TObject* sender) { FormResize(sender); };
    OnKeyDown = [this](TObject* sender, uint16_t& key, TShiftState shift) { FormKeyDown(sender, key, shift); };
    OnKeyUp = [this](TObject* sender, uint16_t& key, TShiftState shift) { FormKeyUp(sender, key, shift); };
    OnMouseMove = [this](TObject* sender, TShiftState shift, int32_t x, int32_t y) {
        FormMouseMove(sender, shift, x, y);
    };
    OnPaint = [this](TObject* sender) { FormPaint(sender); };
    OnCloseQuery = [this](TObject* sender, bool& canClose) { FormCloseQuery(sender, canClose); };
    OnDeactivate = [this](TObject* sender) { FormDeactivate(sender); };
    Timer1->OnTimer = [this](TObject* sender) { Timer1Timer(sender); };
}

void TfrmMain::FormCreate(TObject*) {
    ReadSettings(SettingsPath(Application->ExeName()));
    GlContext.Create(Handle());
    LoadTerrain("MAP\\map.bmp");
    LoadSkyTextures();
    PlaceCameraAtStart();
    RestoreViewpoint();
    ViewpointRestored = true;

    ClearKeyState();
    FormResize(nullptr);
    CenterCursor();
    LastTime = static_cast<float>(GetTimeSeconds());
    Timer1->SetEnabled(true);
}

void TfrmMain::FormResize(TObject*) {
    ScreenWidth = ClientWidth();
    ScreenHeight = ClientHeight();
}

void TfrmMain::FormKeyDown(TObject*, uint16_t& key, TShiftState) { KeyState[key] = 1; }

void TfrmMain::FormKeyUp(TObject*, uint16_t& key, TShiftState) { KeyState[key] = 0; }

// Keys released while another window has the focus are never seen released;
// forgetting them all on the way out keeps none of them held for good.
void TfrmMain::FormDeactivate(TObject*) { ClearKeyState(); }

void TfrmMain::FormMouseMove(TObject*, TShiftState, int32_t, int32_t) { MouseLook(); }

void TfrmMain::FormPaint(TObject*) { RenderFrame(); }

void TfrmMain::FormCloseQuery(TObject*, bool&) {
    if (!ViewpointRestored) return;
    try {
        SaveViewpoint();
    } catch (const ESaveError& failure) {
        // The first failure keeps the window open and says why. Asked again
        // and refused for the same reason, the user means to go and nothing
        // has changed: close without the save, the old file as it was.
        if (LastSaveFailure == failure.Cause) return;
        LastSaveFailure = failure.Cause;
        throw;
    }
    LastSaveFailure.reset();
}
