#include "camera/camera.h"

TCamera Camera;
