// Profile strings (INI files) with the Windows semantics the game relies on:
// sections and keys match case-insensitively, values are trimmed (and lose one
// pair of surrounding quotes), writes change the file in place keeping every
// other line, and create the file, section or key as needed.
#pragma once

// Copies the value (or the default when the file, section or key is missing) into
// out, truncated to size - 1 characters; returns the number of characters copied.
unsigned GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                                 char* out, unsigned size, const char* path);
// The leading decimal number of the value, or the default when the key is missing.
int GetPrivateProfileInt(const char* section, const char* key, int defaultValue, const char* path);
// Writes key = value. A null value deletes the key; a null key deletes the section.
bool WritePrivateProfileString(const char* section, const char* key, const char* value, const char* path);
