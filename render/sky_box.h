#pragma once
// The five-face sky box around the eye.
#include "texture/texture.h"

extern CTexture SkyTextures[5];
extern const char* const SkyFaceSuffixes[5];

// Loads the five faces from "TEXTURES\Sky\day_" + suffix + ".jpg", with mipmaps.
void LoadSkyTextures();
void DrawSkyBox();
