// The four bitmap fonts of the interface, rendered from DejaVu with FreeType.
//
// Each font folder holds three files:
//   Main.dat  the characters in glyph order (CP1251, no terminator)
//   Mask.dat  an N x N byte mask: 255 on separator rows and columns, 0 inside glyph cells
//   Main.dds  an N x N A8R8G8B8 texture, white with the glyph coverage in alpha
// Glyph cells lie in bands of H rows; row 0, column 0 and every row and column between
// cells are separators, so the game measures the cells back from the mask.
#include "../datagen.h"
#include "platform/win/codepage.h"
#include "image_writer.h"

#include "files/file_manager.h"
#include "render/font.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct FontSpec {
    const char* folder;   // game folder under Data/Misc/Fonts
    const char* face;     // DejaVu file
    int size;             // band height in pixels without the separator row
};

const FontSpec kFonts[] = {
    {"Arial.18", "DejaVuSans.ttf", 18},
    {"Hermes.18", "DejaVuSansCondensed-Bold.ttf", 18},
    // The cockpit panels' larger text: the radio's message lines and the radar's caption,
    // shown at half size on an 800 x 600 screen.
    {"Hermes.26", "DejaVuSansCondensed-Bold.ttf", 26},
    // The comm panel's texts on screens below 768 rows: glyphs that fill Hermes.18's
    // 19-row step, caps and descenders, for the panel shown at half size.
    {"Hermes.22", "DejaVuSansCondensed-Bold.ttf", 22},
    {"Bauhaus.20", "DejaVuSans-Bold.ttf", 20},
    {"Bengaly.25", "DejaVuSerifCondensed-Bold.ttf", 25},
};

const char* const kFontDirs[] = {
    "/usr/share/fonts/truetype/dejavu/",
    "/usr/share/fonts/dejavu/",
    "/usr/share/fonts/TTF/",
};

unsigned Cp1251ToUnicode(unsigned char c)
{
    return Cp1251CodePoint(c);
}

// Space, printable ASCII, the Cyrillic alphabet with Ё and ё, then the other printable
// CP1251 characters (quotes, dashes, the numero sign...), so any game text can be drawn.
std::vector<unsigned char> GlyphOrder()
{
    std::vector<unsigned char> order;
    order.push_back(' ');
    for (int c = 0x21; c <= 0x7E; ++c) order.push_back((unsigned char)c);
    for (int c = 0xC0; c <= 0xFF; ++c) order.push_back((unsigned char)c);
    order.push_back(0xA8);
    order.push_back(0xB8);
    for (int c = 0x80; c <= 0xBF; ++c) {
        if (c == 0xA8 || c == 0xB8 || c == 0xA0 || c == 0xAD) continue;
        if (Cp1251CodePoint((unsigned char)c) == 0) continue;
        order.push_back((unsigned char)c);
    }
    return order;
}

struct RenderedGlyph {
    unsigned char character = 0;
    int cellWidth = 0;               // columns of the cell, without the separator
    int inkLeft = 0;                 // where the bitmap starts inside the cell
    int inkTop = 0;                  // rows from the band top to the bitmap top
    int bitmapWidth = 0, bitmapRows = 0;
    std::vector<unsigned char> coverage;
};

std::string FindFace(const char* file)
{
    for (const char* dir : kFontDirs) {
        std::string path = std::string(dir) + file;
        if (FILE* f = std::fopen(path.c_str(), "rb")) {
            std::fclose(f);
            return path;
        }
    }
    return {};
}

bool RenderGlyphs(FT_Library lib, const FontSpec& spec, std::vector<RenderedGlyph>* out)
{
    std::string path = FindFace(spec.face);
    if (path.empty()) {
        std::fprintf(stderr, "fonts: %s not found (install fonts-dejavu-core)\n", spec.face);
        return false;
    }
    FT_Face face = nullptr;
    if (FT_New_Face(lib, path.c_str(), 0, &face)) {
        std::fprintf(stderr, "fonts: cannot open %s\n", path.c_str());
        return false;
    }
    // Pick the largest pixel size whose ascent + descent fits the band.
    int pixels = spec.size;
    int ascent = 0;
    for (; pixels > 4; --pixels) {
        FT_Set_Pixel_Sizes(face, 0, (FT_UInt)pixels);
        ascent = (int)((face->size->metrics.ascender + 63) >> 6);
        int descent = (int)((-face->size->metrics.descender + 63) >> 6);
        if (ascent + descent <= spec.size) break;
    }
    bool ok = true;
    for (unsigned char c : GlyphOrder()) {
        RenderedGlyph g;
        g.character = c;
        unsigned code = Cp1251ToUnicode(c);
        FT_UInt index = FT_Get_Char_Index(face, code);
        if (!index || FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT)) {
            // A face without the character still gets a cell one advance of '?' wide.
            index = FT_Get_Char_Index(face, '?');
            if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT)) {
                ok = false;
                break;
            }
        }
        FT_GlyphSlot slot = face->glyph;
        int advance = (int)((slot->advance.x + 32) >> 6);
        int left = slot->bitmap_left;
        int bw = (int)slot->bitmap.width, rows = (int)slot->bitmap.rows;
        int x0 = std::min(0, left);
        int x1 = std::max(advance, left + bw);
        g.cellWidth = std::max(1, x1 - x0);
        g.inkLeft = left - x0;
        g.inkTop = ascent - slot->bitmap_top;
        g.bitmapWidth = bw;
        g.bitmapRows = rows;
        g.coverage.resize((size_t)bw * rows);
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < bw; ++x)
                g.coverage[(size_t)y * bw + x] = slot->bitmap.buffer[y * slot->bitmap.pitch + x];
        out->push_back(std::move(g));
    }
    FT_Done_Face(face);
    if (!ok) std::fprintf(stderr, "fonts: %s has no '?' glyph\n", spec.face);
    return ok;
}

struct Placement {
    int column, row;   // top-left of the cell
};

// Lays the cells into bands of an N x N sheet; false when they do not fit.
bool Layout(const std::vector<RenderedGlyph>& glyphs, int band, int n, std::vector<Placement>* at)
{
    at->clear();
    int row = 1, column = 1;
    for (const RenderedGlyph& g : glyphs) {
        if (column + g.cellWidth + 1 > n) {
            row += band + 1;
            column = 1;
        }
        if (row + band + 1 > n || column + g.cellWidth + 1 > n) return false;
        at->push_back({column, row});
        column += g.cellWidth + 1;
    }
    return true;
}

// White with the coverage in alpha.
std::vector<uint8_t> MakeDds(int n, const std::vector<uint8_t>& alpha)
{
    std::vector<uint8_t> dds = datagen::DdsArgbHeader(n, n);
    dds.reserve(dds.size() + alpha.size() * 4);
    for (uint8_t a : alpha) dds.insert(dds.end(), {0xFF, 0xFF, 0xFF, a});   // B, G, R, A
    return dds;
}

bool BuildFont(FT_Library lib, const FontSpec& spec, datagen::DataSet& set)
{
    std::vector<RenderedGlyph> glyphs;
    if (!RenderGlyphs(lib, spec, &glyphs)) return false;
    // The band is one pixel taller than the line so that the glyph height (H - 1) is the size.
    int band = spec.size + 1;
    std::vector<Placement> at;
    int n = 64;
    while (!Layout(glyphs, band, n, &at)) {
        n *= 2;
        if (n > 2048) {
            std::fprintf(stderr, "fonts: %s does not fit a 2048 sheet\n", spec.folder);
            return false;
        }
    }
    std::vector<uint8_t> mask((size_t)n * n, 255);
    std::vector<uint8_t> alpha((size_t)n * n, 0);
    std::vector<uint8_t> chars;
    for (size_t i = 0; i < glyphs.size(); ++i) {
        const RenderedGlyph& g = glyphs[i];
        chars.push_back(g.character);
        for (int y = 0; y < band; ++y)
            for (int x = 0; x < g.cellWidth; ++x)
                mask[(size_t)(at[i].row + y) * n + at[i].column + x] = 0;
        for (int y = 0; y < g.bitmapRows; ++y) {
            int ty = at[i].row + g.inkTop + y;
            if (ty < at[i].row || ty >= at[i].row + band) continue;
            for (int x = 0; x < g.bitmapWidth; ++x) {
                int tx = at[i].column + g.inkLeft + x;
                if (tx >= at[i].column + g.cellWidth) continue;
                alpha[(size_t)ty * n + tx] = g.coverage[(size_t)y * g.bitmapWidth + x];
            }
        }
    }
    std::string dir = std::string("Data/Misc/Fonts/") + spec.folder + "/";
    set.Add(dir + "Main.dat", std::move(chars));
    set.Add(dir + "Mask.dat", std::move(mask));
    set.Add(dir + "Main.dds", MakeDds(n, alpha));
    return true;
}

} // namespace

DATAGEN_GENERATOR(fonts)
{
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib)) {
        std::fprintf(stderr, "fonts: FreeType did not start\n");
        return false;
    }
    bool ok = true;
    for (const FontSpec& spec : kFonts) ok = ok && BuildFont(lib, spec, set);
    FT_Done_FreeType(lib);
    return ok;
}

// Every font the game names loads through the game's own font parser.
DATAGEN_CHECK(fonts)
{
    static CFont font;
    for (const FontSpec& spec : kFonts) {
        std::string dir = std::string("Data/Misc/Fonts/") + spec.folder;
        std::vector<unsigned char> files[2];
        const char* names[2] = {"/Main.dat", "/Mask.dat"};
        bool found = true;
        for (int i = 0; i < 2; ++i) {
            uint32_t size = 0;
            int handle = CFileManager::Open((dir + names[i]).c_str(), FILE_KIND_WORLD, &size);
            if (handle == -1) {
                check.Missing("font file " + dir + names[i]);
                found = false;
                continue;
            }
            files[i].resize(size);
            size_t got = size ? CFileManager::Read(files[i].data(), 1, size, handle) : 0;
            files[i].resize(got);
            CFileManager::Close(handle);
        }
        if (!found) continue;
        font.SetCharacters(files[0].data(), files[0].size());
        if (font.ParseMask(files[1].data(), files[1].size()) != 0 || font.count < 160)
            check.Missing("a usable mask for font " + dir);
    }
}
