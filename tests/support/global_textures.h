#pragma once
// The program's textures are globals that outlive a test's context. Giving
// their names back while that context is current keeps a stale name from
// reaching the next test's context, where it may belong to another texture.
void FreeGlobalTextures();
