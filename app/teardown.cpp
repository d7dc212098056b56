#include "app/teardown.h"

#include "app/main_form.h"
#include "platform/forms.h"
#include "render/gl_context.h"
#include "render/sky_box.h"
#include "terrain/terrain.h"

// Each texture's last reference goes here, so the objects themselves, which
// live on until the process ends, have nothing left to release; the same
// holds for the context. The ground textures and the grid go with the
// process.
void TearDown() {
    TreeTexture.ReleaseRef();
    delete Application;
    Application = nullptr;
    frmMain = nullptr;
    for (int i = 4; i >= 0; --i) SkyTextures[i].ReleaseRef();
    GlContext.Release();
}
