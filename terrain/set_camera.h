#pragma once
#include "camera/vector3.h"

// Replaces the current matrix with a look-at from eye along dir.
void SetCamera(const CVector3& eye, const CVector3& dir, const CVector3& up);
