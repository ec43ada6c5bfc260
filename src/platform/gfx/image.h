// Image decoding (DDS with DXT1/3/5 or uncompressed texels, BMP, JPEG, PNG), PNG writing and
// texture creation from a file's bytes, shaped like the D3DX texture loader.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>
#include "platform/gfx/device.h"

struct GfxImage {
    unsigned width = 0, height = 0;
    std::vector<uint32_t> texels; // ARGB words, rows top to bottom
    bool hasAlpha = false;
};

// Decodes any supported format, told apart by its first bytes. A DDS file's further mip
// levels (when present) go to mips. False with a reason for bad or unknown data.
bool GfxDecodeImage(const void* data, size_t size, GfxImage* image, std::vector<GfxImage>* mips, std::string* error);
bool GfxDecodeDds(const uint8_t* data, size_t size, GfxImage* image, std::vector<GfxImage>* mips, std::string* error);
bool GfxDecodeBmp(const uint8_t* data, size_t size, GfxImage* image, std::string* error);
bool GfxDecodeJpeg(const uint8_t* data, size_t size, GfxImage* image, std::string* error);
bool GfxDecodePng(const uint8_t* data, size_t size, GfxImage* image, std::string* error);

// What a decoder noticed in an image it still delivered (a JPEG cut short, its missing
// rows grey): kept until taken, so the loader can log it. Empty when there was nothing.
std::string GfxTakeImageWarning();
void GfxSetImageWarning(const char* text);

// Writes ARGB texels (rows top to bottom) as an RGB PNG file.
bool GfxWritePng(const char* path, unsigned width, unsigned height, const uint32_t* texels, std::string* error);

// Box/bilinear resampling to another size; half-size box filter for mip levels.
GfxImage GfxResizeImage(const GfxImage& src, unsigned width, unsigned height);
GfxImage GfxHalveImage(const GfxImage& src);

// Images larger than this on a side are refused (bad headers must not allocate gigabytes).
constexpr unsigned GFX_MAX_IMAGE_SIDE = 8192;

constexpr unsigned D3DX_DEFAULT = 0xFFFFFFFFu;

// D3DXCreateTextureFromFileInMemoryEx in our terms: width and height D3DX_DEFAULT (sizes of
// the file rounded up to powers of two), mip levels 0 or D3DX_DEFAULT for a full chain.
GfxResult GfxCreateTextureFromFileInMemoryEx(GfxDevice* device, const void* data, unsigned size, unsigned width,
                                             unsigned height, unsigned mipLevels, unsigned usage, D3DFORMAT format,
                                             D3DPOOL pool, GfxTexture** texture);
// The same from a file on disk.
GfxResult GfxCreateTextureFromFileEx(GfxDevice* device, const char* path, unsigned width, unsigned height,
                                     unsigned mipLevels, unsigned usage, D3DFORMAT format, D3DPOOL pool,
                                     GfxTexture** texture);
