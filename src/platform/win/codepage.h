// CP1251 <-> UTF-8. Text is CP1251 everywhere in the game; UTF-8 only at the SDL boundary.
#pragma once
#include <string>

std::string Cp1251ToUtf8(const char* text);
// Characters that CP1251 cannot hold become the replacement character.
std::string Utf8ToCp1251(const char* text, char replacement = '?');

// Unicode code point of one CP1251 byte (0 for the unassigned byte 0x98).
unsigned Cp1251CodePoint(unsigned char c);
// CP1251 byte of a Unicode code point, -1 when CP1251 has none.
int Cp1251ByteOf(unsigned codePoint);
