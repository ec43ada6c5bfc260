// A font's three files from arbitrary bytes: the character list, the mask and the texture.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/gfx/image.h"
#include "platform/gfx/null_device.h"
#include "render/d3d_render.h"
#include "render/font.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 6) return 0;
    // Two 24-bit little-endian lengths (a real mask is 65 536 bytes), then Main.dat,
    // Mask.dat and Main.dds back to back.
    size_t charsSize = size_t(data[0]) | size_t(data[1]) << 8 | size_t(data[2]) << 16;
    size_t maskSize = size_t(data[3]) | size_t(data[4]) << 8 | size_t(data[5]) << 16;
    data += 6;
    size -= 6;
    charsSize = charsSize < size ? charsSize : size;
    const uint8_t* chars = data;
    data += charsSize;
    size -= charsSize;
    maskSize = maskSize < size ? maskSize : size;
    const uint8_t* mask = data;
    const uint8_t* dds = data + maskSize;
    const size_t ddsSize = size - maskSize;

    static NullGfxDevice* device = [] {
        D3DPRESENT_PARAMETERS p;
        p.BackBufferWidth = 800;
        p.BackBufferHeight = 600;
        return new NullGfxDevice(p);
    }();
    g_D3DRender.device = device;

    GfxImage image;
    std::vector<GfxImage> mips;
    std::string error;
    GfxDecodeImage(dds, ddsSize, &image, &mips, &error);

    static CFont font;
    font.SetCharacters(chars, charsSize);
    if (font.ParseMask(mask, maskSize) == 0) {
        std::string text(reinterpret_cast<const char*>(chars), charsSize);
        text += " \xC0\xE1\xE2 text";
        const float width = font.GetTextWidth(1.0f, text.c_str());
        font.CharIndexAtX(width / 2.0f, 1.0f, text.c_str());
        font.DrawText(0.0f, 0.0f, text.c_str(), 0xFFFFFFFF, 0xFF000000, 1.5f);
    }
    device->ClearCalls();
    return 0;
}
