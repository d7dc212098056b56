#pragma once
// Mouse look: the pointer is held at the centre point, and every movement
// away from it turns the camera's angles.

// Puts the pointer at (ScreenWidth / 2, ScreenHeight / 2), screen coordinates.
void CenterCursor();
// The body of the form's mouse-move handler.
void MouseLook();
