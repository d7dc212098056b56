#pragma once
// The five-face sky box around the eye.
#include "texture/texture.h"

constexpr int SkyFaceCount = 5;

extern CTexture SkyTextures[SkyFaceCount];
extern const char* const SkyFaceSuffixes[SkyFaceCount];

// Five faces of the cube of half-size 1 around the eye, in the order of
// SkyTextures; there is no bottom face. Corner v of every face takes the
// texture coordinate (SkyTexS[v], SkyTexT[v]), t = 0 at the image's top row,
// so the side faces stand upright and unmirrored.
inline constexpr float SkyVertices[SkyFaceCount][4][3] = {
    {{1, 1, 1}, {-1, 1, 1}, {-1, -1, 1}, {1, -1, 1}},      // fr, z = +1
    {{1, 1, -1}, {1, 1, 1}, {1, -1, 1}, {1, -1, -1}},      // rt, x = +1
    {{-1, 1, -1}, {1, 1, -1}, {1, -1, -1}, {-1, -1, -1}},  // bk, z = -1
    {{-1, 1, 1}, {-1, 1, -1}, {-1, -1, -1}, {-1, -1, 1}},  // lf, x = -1
    {{-1, 1, -1}, {-1, 1, 1}, {1, 1, 1}, {1, 1, -1}},      // up, y = +1
};

// Keeps every face just inside its image, away from the edge texels.
inline constexpr float SkyTexInset = 0.003f;
inline constexpr float SkyTexLow = SkyTexInset;
inline constexpr float SkyTexHigh = 1.0f - SkyTexInset;
inline constexpr float SkyTexS[4] = {SkyTexLow, SkyTexHigh, SkyTexHigh, SkyTexLow};
inline constexpr float SkyTexT[4] = {SkyTexLow, SkyTexLow, SkyTexHigh, SkyTexHigh};

// Loads the five faces from "TEXTURES\Sky\day_" + suffix + ".jpg", with mipmaps.
void LoadSkyTextures();
// The blend, depth and texture state the faces are drawn with; the filter
// and wrap settings land on whatever texture is bound, not on a sky face.
void SetSkyBoxState();
void DrawSkyBox();
