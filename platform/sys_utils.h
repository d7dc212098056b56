#pragma once
// File-name helpers. Names in the program are written with "\" as the
// separator; SystemPath turns them into the "/" form the file system takes.
#include <string>

// "MAP\map.bmp" -> "MAP/map.bmp".
std::string SystemPath(const std::string& path);

// True for an existing file that is not a directory.
bool FileExists(const std::string& path);

// Replaces the extension (from the last "." after the last "/") with ext, or
// appends ext where the name has none.
std::string ChangeFileExt(const std::string& path, const std::string& ext);
