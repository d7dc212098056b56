#pragma once
// The TIFF library that FreeImage uses on some systems reports every picture
// as "Internal error, unknown tag" many times over while FreeImage asks it for
// tags it was not built with. Those lines go; its other messages are kept.
void QuietTiffTagMessages();
