#pragma once
// One complete frame: projection, sky, terrain, once or once per eye.

void RenderFrame();
