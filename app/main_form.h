#pragma once
// The main form and its event handlers.
#include <cstdint>

#include "platform/forms.h"

class TfrmMain : public TForm {
public:
    explicit TfrmMain(TComponent* owner);

    TTimer* Timer1;

    void FormPaint(TObject* sender);
    void FormKeyDown(TObject* sender, uint16_t& key, TShiftState shift);
    void FormMouseMove(TObject* sender, TShiftState shift, int32_t x, int32_t y);
    void FormCreate(TObject* sender);
    void FormKeyUp(TObject* sender, uint16_t& key, TShiftState shift);
    void Timer1Timer(TObject* sender);
    void FormResize(TObject* sender);
    void FormCloseQuery(TObject* sender, bool& canClose);
    void FormDeactivate(TObject* sender);
};

extern TfrmMain* frmMain;
