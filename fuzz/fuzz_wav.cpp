// Arbitrary bytes as a WAV image: the reader must refuse or read within the image.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "audio/wave_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 24)) return 0;
    std::vector<uint8_t> image(data, data + size);  // exact size, so ASan sees any overread
    CWaveFile w;
    if (w.OpenMemory(image.data(), (uint32_t)image.size()) != 0) return 0;
    if (w.ResetFile() != 0) return 0;
    std::vector<uint8_t> out(4096);
    uint32_t got = 0;
    while (w.ReadData((uint32_t)out.size(), out.data(), &got) == 0 && got) {
    }
    if (w.GetFormat()->extraSize) {
        volatile uint8_t last = reinterpret_cast<const uint8_t*>(w.GetFormat())[sizeof(WaveFormatEx) + w.GetFormat()->extraSize - 1];
        (void)last;
    }
    return 0;
}
