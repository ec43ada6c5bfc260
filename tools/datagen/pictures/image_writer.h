// Picture encoders and noise shared by the texture generators of the data build: 24-bit
// BMP, its JPEG twin, uncompressed A8R8G8B8 DDS and hashed value noise.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "../datagen.h"

namespace datagen {

inline void PutLe16(std::vector<uint8_t>& o, uint16_t v) { o.push_back(uint8_t(v)), o.push_back(uint8_t(v >> 8)); }
inline void PutLe32(std::vector<uint8_t>& o, uint32_t v) { PutLe16(o, uint16_t(v)), PutLe16(o, uint16_t(v >> 16)); }

// 0..1 to a colour byte, clamped and rounded.
inline uint8_t UnitByte(float v) { return uint8_t(v <= 0 ? 0 : v >= 1 ? 255 : int(v * 255.0f + 0.5f)); }

// RGB pictures are w * h * 3 bytes, rows top to bottom.
// 24-bit BMP: bottom row first, BGR, rows padded to four bytes.
std::vector<uint8_t> EncodeBmp24(int w, int h, const std::vector<uint8_t>& rgb);
// Baseline JPEG of the given quality; false when libjpeg fails.
bool EncodeJpeg(int w, int h, const std::vector<uint8_t>& rgb, int quality, std::vector<uint8_t>* out);
// "<name>.bmp" and its ".jpg" twin, which the texture loader reads instead with "BMP to JPG" on.
bool AddBmpWithJpeg(DataSet& set, const std::string& bmpPath, int w, int h, const std::vector<uint8_t>& rgb,
                    int quality);

// Uncompressed A8R8G8B8 DDS header of one level; the caller appends w * h texels (B, G, R, A).
std::vector<uint8_t> DdsArgbHeader(int w, int h);

// Hash of an integer lattice point, 0..1.
float LatticeNoise(int x, int y, uint32_t seed);
// Smooth value noise over a grid of `cells` cells that wraps, so tiled pictures have no seams.
float WrappedValueNoise(float x, float y, int cells, uint32_t seed);

} // namespace datagen

// The model textures' quality (92) for generators that want their pictures to match them;
// false when rgb is not w * h * 3 bytes. Defined in model_textures.cpp.
bool AddOpaqueRgbTexture(datagen::DataSet& set, const std::string& bmpPath, int w, int h,
                         const std::vector<uint8_t>& rgb);
