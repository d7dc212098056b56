#pragma once
// Takes down what the process built, once the message loop has ended.

// In this order, whatever order the linker left the global objects in: the
// tree texture; the application with the form and Timer1; the five sky
// textures, last first; last the OpenGL context. Every texture gives its
// name back while the context is still current.
void TearDown();
