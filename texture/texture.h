#pragma once
// A two-dimensional OpenGL texture made from an image file.
#include <cstdint>

#include "texture/rc_object.h"

class CTexture : public RCObject {
public:
    CTexture();
    ~CTexture() override;

    // Loads path (format from its extension) into a new texture name: RGB, or
    // RGBA with alpha 0 on the top-left pixel's colour when colourKey is set.
    // A missing or unreadable file gives an empty texture and no error.
    void Load(const char* path, bool colourKey, bool mipmaps);
    void Bind() const;
    static void Unbind();
    void FreeResource() override;

    uint32_t TextureName = 0;
};
