// Files as the Windows C runtime opens them: backslashes in paths are accepted,
// and text mode turns each CR LF into LF on reading.
#pragma once
#include <cstddef>
#include <cstdio>

// fopen with the path's backslashes turned into '/'; a 't' in the mode is dropped.
// A directory is never opened (null, as on Windows).
FILE* FileOpen(const char* path, const char* mode);
// fgets in text mode: a CR directly before LF is dropped.
char* TextFgets(char* buffer, int size, FILE* file);
// Text-mode conversion in place; returns the new length.
std::size_t TextModeConvert(char* data, std::size_t length);
