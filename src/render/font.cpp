#include "render/font.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/settings.h"
#include "files/file_manager.h"
#include "files/language.h"
#include "platform/crt/rand.h"
#include "platform/win/message_box.h"
#include "render/d3d_render.h"

namespace {

const char kFontCaption[] = "Font error!";

size_t DrawnLength(const char* text)
{
    return std::min(std::strlen(text), (size_t)CFont::kMaxDrawnChars);
}

} // namespace

CFont::CFont()
{
    Clear();
    texture = -1;
}

void CFont::Clear()
{
    std::memset(name, 0, sizeof(name));
    std::memset(chars, 0, sizeof(chars));
    std::memset(glyphs, 0, sizeof(glyphs));
    std::memset(vertices, 0, sizeof(vertices));
    std::memset(indices, 0, sizeof(indices));
    count = 0;
    lineHeight = 0.0f;
    spacing = 0.0f;
}

int CFont::Load(const char* folder)
{
    Clear();
    std::snprintf(name, sizeof(name), "%s", folder ? folder : "");
    char path[512];

    std::snprintf(path, sizeof(path), "%s/Main.dat", name);
    uint32_t size = 0;
    int handle = CFileManager::Open(path, FILE_KIND_WORLD, &size);
    if (handle == -1) {
        ShowMessage("Init chars enumeration error!", kFontCaption, MB_OK);
        return -1;
    }
    unsigned char list[kMaxChars];
    size_t got = CFileManager::Read(list, 1, sizeof(list), handle);
    CFileManager::Close(handle);
    SetCharacters(list, got);

    std::snprintf(path, sizeof(path), "%s/Main.dds", name);
    texture = g_D3DRender.LoadTexture(path, 0, -1);

    std::snprintf(path, sizeof(path), "%s/Mask.dat", name);
    size = 0;
    handle = CFileManager::Open(path, FILE_KIND_WORLD, &size);
    if (handle == -1) {
        count = 0;
        ShowMessage("Open mask file error!", kFontCaption, MB_OK);
        return -1;
    }
    std::vector<unsigned char> mask(size);
    size_t maskRead = size ? CFileManager::Read(mask.data(), 1, size, handle) : 0;
    CFileManager::Close(handle);
    if (ParseMask(mask.data(), maskRead) != 0) {
        DebugOutF("Font %s: the mask (%u bytes) does not describe its %d characters", name,
                  (unsigned)maskRead, (int)std::strlen((const char*)chars));
        ShowMessage("Bad mask file!", kFontCaption, MB_OK);
        return -1;
    }
    return 0;
}

int CFont::SetCharacters(const unsigned char* data, size_t size)
{
    std::memset(chars, 0, sizeof(chars));
    size_t n = 0;
    while (n < size && n < (size_t)kMaxChars && data[n] != 0) {
        chars[n] = data[n];
        ++n;
    }
    count = (int)n;
    return 0;
}

int CFont::ParseMask(const unsigned char* mask, size_t size)
{
    std::memset(glyphs, 0, sizeof(glyphs));
    lineHeight = 0.0f;
    spacing = 0.0f;

    size_t n = (size_t)std::sqrt((double)size);
    while (n * n > size) --n;
    while ((n + 1) * (n + 1) <= size) ++n;
    auto fail = [this] {
        std::memset(glyphs, 0, sizeof(glyphs));
        count = 0;
        lineHeight = 0.0f;
        return -1;
    };
    if (n < 3) return fail();
    auto at = [&](size_t row, size_t col) { return mask[row * n + col]; };

    // Line height: the first separator row down column 1.
    size_t h = 0;
    for (size_t j = 1; j < n; ++j) {
        if (at(j, 1) == 255) {
            h = j - 1;
            break;
        }
    }
    if (h < 1) return fail();
    lineHeight = (float)h;

    size_t g = 1, col = 1;
    int k = 0;
    const float fn = (float)n;
    while (k < count) {
        if (g + h > n) return fail();
        while (col < n && at(g, col) == 255) ++col;
        if (col >= n) {
            g += h + 1;
            col = 1;
            continue;
        }
        size_t start = col;
        while (col < n && at(g, col) != 255) ++col;
        if (col >= n) return fail();   // a glyph must end at a separator column
        size_t w = col - start;
        FontGlyph& gl = glyphs[k];
        gl.left = (float)start / fn;
        gl.top = (float)g / fn;
        gl.right = (float)(start + w) / fn;
        gl.bottom = (float)(g + h) / fn;
        gl.width = (float)w - 1.0f;
        gl.height = (float)h - 1.0f;
        gl.character = (float)chars[k];
        ++k;
    }
    ComputeSpacing();
    std::memset(vertices, 0, sizeof(vertices));
    FillIndices();
    return 0;
}

void CFont::FillIndices()
{
    for (int k = 0; k < kMaxChars; ++k) {
        uint16_t b = (uint16_t)(4 * k);
        uint16_t* q = &indices[6 * k];
        q[0] = b;
        q[1] = (uint16_t)(b + 1);
        q[2] = (uint16_t)(b + 2);
        q[3] = (uint16_t)(b + 2);
        q[4] = (uint16_t)(b + 1);
        q[5] = (uint16_t)(b + 3);
    }
}

void CFont::ComputeSpacing()
{
    float widest = 0.0f;
    for (int i = 0; i < count; ++i) widest = std::max(widest, glyphs[i].width);
    spacing = widest / 10.0f;
}

int CFont::FindChar(unsigned char character) const
{
    for (int i = 0; i < count; ++i)
        if (chars[i] == character) return i;
    return -1;
}

float CFont::GetTextHeight(float scale) const
{
    return lineHeight * scale;
}

float CFont::GetTextWidth(float scale, const char* text) const
{
    if (!text) return 0.0f;
    const char* t = TranslateText(text);
    size_t len = DrawnLength(t);
    float width = 0.0f;
    for (size_t i = 0; i < len; ++i) {
        int gi = FindChar((unsigned char)t[i]);
        if (gi < 0) continue;
        width += (glyphs[gi].width + spacing) * scale;
    }
    return width;
}

int CFont::CharIndexAtX(float x, float scale, const char* text) const
{
    if (!text) return 0;
    const char* t = TranslateText(text);
    size_t len = DrawnLength(t);
    float advance = 0.0f;
    for (size_t i = 0; i < len; ++i) {
        int gi = FindChar((unsigned char)t[i]);
        if (gi < 0) continue;
        if (x < glyphs[gi].width * scale + advance) return (int)i;
        advance += (glyphs[gi].width + spacing) * scale;
    }
    return (int)len;
}

float CFont::DrawText(float x, float y, const char* text, unsigned topColour, unsigned bottomColour, float scale)
{
    if (!text) return x;
    const char* t = TranslateText(text);
    size_t len = DrawnLength(t);
    float pen = x;
    int quads = 0;
    const float sx = g_ScreenScaleX, sy = g_ScreenScaleY;
    for (size_t i = 0; i < len; ++i) {
        int gi = FindChar((unsigned char)t[i]);
        if (gi < 0) continue;
        const FontGlyph& g = glyphs[gi];
        float x0 = pen * sx, x1 = (pen + g.width * scale) * sx;
        float y0 = y * sy, y1 = (y + g.height * scale) * sy;
        ScreenVertex* v = &vertices[4 * quads];
        v[0] = {x0, y0, 0.0f, 1.0f, topColour, 0, g.left, g.top};
        v[1] = {x0, y1, 0.0f, 1.0f, bottomColour, 0, g.left, g.bottom};
        v[2] = {x1, y0, 0.0f, 1.0f, topColour, 0, g.right, g.top};
        v[3] = {x1, y1, 0.0f, 1.0f, bottomColour, 0, g.right, g.bottom};
        pen += (g.width + spacing) * scale;
        ++quads;
    }
    if (quads > 0) DrawScreenIndexedQuads(vertices, quads, indices, texture);
    return pen;
}

void CFont::DrawTextUniform(float x, float y, const char* text, unsigned colour, float scale)
{
    DrawText(x, y, text, colour, colour, scale);
}

void CFont::DrawTextSparkle(float x, float y, const char* text, unsigned colour, int randomSpread, float scale)
{
    if (!text) return;
    const char* t = TranslateText(text);
    size_t len = DrawnLength(t);
    const unsigned centre = (colour & 0x00FFFFFFu) | (100u << 24);
    float pen = x;
    for (size_t i = 0; i < len; ++i) {
        int gi = FindChar((unsigned char)t[i]);
        if (gi < 0) continue;
        const FontGlyph& g = glyphs[gi];
        float radius = lineHeight * scale * 0.5f;
        if (randomSpread > 0) radius += (float)(GameRand() % (randomSpread + 1));
        DrawScreenDisc16(centre, colour, pen + g.width * scale / 2.0f, y + lineHeight * scale / 2.0f, radius, 1.0f, 1.0f);
        pen += (g.width + spacing) * scale;
    }
    // The text itself goes through DrawText, which translates again; pass the original.
    DrawText(x, y, text, colour, colour, scale);
}

void CFont::ReleaseTexture()
{
    if (texture != -1) g_D3DRender.ReleaseTexture(texture);
    texture = -1;
}
