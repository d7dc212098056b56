#pragma once
// Where a walk begins: half the terrain's x extent along both x and z, the
// eye 1.8 above the ground, looking along +z with a level horizon.

void PlaceCameraAtStart();
