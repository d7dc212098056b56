#include "app/screen_size.h"

int32_t ScreenWidth = 0;
int32_t ScreenHeight = 0;
