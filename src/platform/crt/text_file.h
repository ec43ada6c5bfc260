// Files as the Windows C runtime opens them: backslashes in paths are accepted,
// and text mode turns each CR LF into LF on reading.
#pragma once
#include <cstddef>
#include <cstdio>

// fopen with the path's backslashes turned into '/'; a 't' in the mode is dropped.
// A directory is never opened (null, as on Windows).
FILE* FileOpen(const char* path, const char* mode);
// A stream of its own (own position) on the very file an open stream reads, even when that
// file has since been replaced under its name; null when the system cannot give one.
FILE* FileReopen(FILE* file);
// fgets in text mode: a CR directly before LF is dropped.
char* TextFgets(char* buffer, int size, FILE* file);
// Text-mode conversion in place; returns the new length.
std::size_t TextModeConvert(char* data, std::size_t length);
