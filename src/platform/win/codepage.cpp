#include "platform/win/codepage.h"
#include <cstdint>

namespace {
// Unicode code points of CP1251 bytes 0x80..0xFF (0 where the byte is unassigned).
const std::uint16_t kHigh[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

std::uint16_t CodePointOf(unsigned char c)
{
    if (c < 0x80)
        return c;
    if (c >= 0xC0)
        return std::uint16_t(0x0410 + (c - 0xC0));
    return kHigh[c - 0x80];
}

void AppendUtf8(std::string& out, std::uint32_t cp)
{
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

int ByteOf(std::uint32_t cp)
{
    if (cp < 0x80)
        return int(cp);
    if (cp >= 0x0410 && cp <= 0x044F)
        return int(0xC0 + (cp - 0x0410));
    for (int i = 0; i < 64; ++i)
        if (kHigh[i] == cp && cp != 0)
            return 0x80 + i;
    return -1;
}
} // namespace

std::string Cp1251ToUtf8(const char* text)
{
    std::string out;
    if (!text)
        return out;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        std::uint16_t cp = CodePointOf(*p);
        AppendUtf8(out, cp ? cp : 0xFFFD);
    }
    return out;
}

std::string Utf8ToCp1251(const char* text, char replacement)
{
    std::string out;
    if (!text)
        return out;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (*p) {
        std::uint32_t cp;
        int extra;
        if (*p < 0x80) {
            cp = *p;
            extra = 0;
        } else if ((*p & 0xE0) == 0xC0) {
            cp = *p & 0x1F;
            extra = 1;
        } else if ((*p & 0xF0) == 0xE0) {
            cp = *p & 0x0F;
            extra = 2;
        } else if ((*p & 0xF8) == 0xF0) {
            cp = *p & 0x07;
            extra = 3;
        } else {
            out += replacement;
            ++p;
            continue;
        }
        ++p;
        bool ok = true;
        for (int i = 0; i < extra; ++i) {
            if ((*p & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (*p & 0x3F);
            ++p;
        }
        int b = ok ? ByteOf(cp) : -1;
        out += b >= 0 ? char(b) : replacement;
    }
    return out;
}

unsigned Cp1251CodePoint(unsigned char c)
{
    return CodePointOf(c);
}

int Cp1251ByteOf(unsigned codePoint)
{
    return ByteOf(codePoint);
}
