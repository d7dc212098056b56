#include "terrain/set_camera.h"

#include <GL/gl.h>
#include <GL/glu.h>

void SetCamera(const CVector3& eye, const CVector3& dir, const CVector3& up) {
    glLoadIdentity();
    // The look-at point is formed in double: rounding eye + dir to float32
    // would lose the direction far from the origin.
    const double ex = eye.x;
    const double ey = eye.y;
    const double ez = eye.z;
    gluLookAt(ex, ey, ez, ex + static_cast<double>(dir.x), ey + static_cast<double>(dir.y),
              ez + static_cast<double>(dir.z), up.x, up.y, up.z);
}
