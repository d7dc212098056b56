#pragma once
// The filter and wrap settings a texture object holds, read back from
// OpenGL: drawing code sets them on whatever texture is bound, so tests
// check which object got which.
#include <GL/gl.h>

struct TextureSettings {
    const char* texture;  // for the failure message
    GLuint name;
    GLint minFilter, magFilter, wrap;
};

// Binds the texture and expects its settings (wrap in both s and t).
void ExpectTextureSettings(const TextureSettings& expected);
