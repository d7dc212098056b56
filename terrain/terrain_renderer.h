#pragma once
// The full-detail terrain: a depth pass, one blended pass per ground
// material, and a tree billboard on every grid point.
#include <cstdint>

#include "camera/vector3.h"
#include "terrain/draw_cell.h"

// Clears the depth buffer, then draws full detail or, with lod, the rings.
void DrawTerrain(const CVector3& position, bool lod);
void DrawTerrainFull();

// DrawTerrain's depth set-up, the same for both renderers; the filter
// settings land on the texture bound on entry (the sky's last face).
void SetTerrainDepthState();
// The state of one full-detail pass: the depth pass (-1), which also sets
// the texture environment the material passes share, or a material pass.
void SetPassState(int32_t pass);
// The state the trees are drawn in, over the ground.
void SetTreeState();

// A tree's six quads stand around the vertical line through its base point:
// quad k from (x - Dx[k], z - Dz[k]) to (x + Dx[k], z + Dz[k]), from
// TreeBottom(y) up to TreeTop(y). The same for every tree.
constexpr int TreeQuads = 6;
constexpr float TreeHeight = 7.0f;
constexpr float TreeSink = 0.1f;
struct TreeSpokes {
    float Dx[TreeQuads];
    float Dz[TreeQuads];
    TreeSpokes();
};
extern const TreeSpokes Spokes;
inline float TreeTop(float baseY) { return static_cast<float>(static_cast<double>(baseY) + TreeHeight - TreeSink); }
inline float TreeBottom(float baseY) { return static_cast<float>(static_cast<double>(baseY) - TreeSink); }
// Emits (inside glBegin(GL_QUADS)) the six quads of one tree.
void DrawTree(const CVector3& base);
