// Directories and paths. Paths use '/'; the game's backslashes are normalised here.
#pragma once
#include <string>

// Copies the current directory into buffer (size bytes) and returns its length;
// when the buffer is too small returns the size needed (with the terminator) and
// leaves the buffer empty; 0 on failure.
unsigned GetCurrentDirectory(unsigned size, char* buffer);
// True when the directory was created (false when it exists or cannot be made).
bool CreateDirectory(const char* path);
bool DirectoryExists(const char* path);
// Backslashes become '/'.
std::string NormalizePath(const char* path);
