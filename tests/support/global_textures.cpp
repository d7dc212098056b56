#include "tests/support/global_textures.h"

#include "render/sky_box.h"
#include "terrain/terrain.h"

void FreeGlobalTextures() {
    for (CTexture& sky : SkyTextures) sky.FreeResource();
    if (Terrain.GroundTextures) {
        for (int32_t m = 0; m < Terrain.MaterialCount; ++m) Terrain.GroundTextures[m].FreeResource();
    }
    TreeTexture.FreeResource();
}
