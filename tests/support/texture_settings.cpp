#include "tests/support/texture_settings.h"

#include <gtest/gtest.h>

void ExpectTextureSettings(const TextureSettings& expected) {
    SCOPED_TRACE(expected.texture);
    GLint value = 0;
    glBindTexture(GL_TEXTURE_2D, expected.name);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
    EXPECT_EQ(expected.minFilter, value);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &value);
    EXPECT_EQ(expected.magFilter, value);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &value);
    EXPECT_EQ(expected.wrap, value);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &value);
    EXPECT_EQ(expected.wrap, value);
}
