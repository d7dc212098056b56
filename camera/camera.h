#pragma once
// The one global viewpoint.
#include "camera/vector3.h"

struct TCamera {
    CVector3 Position;   // world units; y is the eye's elevation
    CVector3 Direction;  // unit view direction
    CVector3 Up;         // unit up vector
    double Yaw = 0.0;    // radians, never wrapped
    double Pitch = 0.0;  // radians, within [-pi/2, +pi/2] after mouse look
};

extern TCamera Camera;
