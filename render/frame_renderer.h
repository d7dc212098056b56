#pragma once
// One complete frame: projection, sky, terrain, once or once per eye.

void RenderFrame();
// A frame's set-up before the sky: viewport, projection, polygon mode,
// texturing, and the model-view matrix made current. False, with only the
// viewport set, when there is no client area to project onto.
bool SetFrameView();
