// Image decoders (DDS, BMP, JPEG, PNG) and texture creation on arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/gfx/image.h"
#include "platform/gfx/null_device.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    GfxImage image;
    std::vector<GfxImage> mips;
    std::string error;
    if (GfxDecodeImage(data, size, &image, &mips, &error)) {
        if (image.texels.size() != (size_t)image.width * image.height)
            __builtin_trap();
        for (auto& m : mips)
            if (m.texels.size() != (size_t)m.width * m.height)
                __builtin_trap();
    }
    // Small images also go through texture creation (resampling and mip building).
    if (size < 4096 && image.width * image.height <= 256 * 256) {
        static NullGfxDevice* device = [] {
            D3DPRESENT_PARAMETERS pp;
            pp.BackBufferWidth = 16;
            pp.BackBufferHeight = 16;
            return new NullGfxDevice(pp);
        }();
        GfxTexture* texture = nullptr;
        if (SUCCEEDED(GfxCreateTextureFromFileInMemoryEx(device, data, (unsigned)size, D3DX_DEFAULT, D3DX_DEFAULT, 0, 0,
                                                         D3DFMT_UNKNOWN, D3DPOOL_MANAGED, &texture)))
            texture->Release();
        device->ClearCalls();
    }
    return 0;
}
