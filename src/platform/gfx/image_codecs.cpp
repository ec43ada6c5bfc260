// JPEG and PNG through libjpeg and libpng.
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>
#include <png.h>
#include "platform/gfx/image.h"

namespace {

struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    char warning[JMSG_LENGTH_MAX];   // the first warning of an image that still decoded
};

void JpegErrorExit(j_common_ptr info)
{
    JpegError* err = (JpegError*)info->err;
    (*info->err->format_message)(info, err->message);
    longjmp(err->jump, 1);
}

// Trace messages stay quiet; the first warning (a file cut short fills its missing rows
// with grey) is kept for the caller's log.
void JpegMessage(j_common_ptr info, int level)
{
    JpegError* err = (JpegError*)info->err;
    if (level < 0 && !err->warning[0])
        (*info->err->format_message)(info, err->warning);
}

// Only plain C objects live in this frame, so leaving it by longjmp skips no destructor.
const char* DecodeJpegRows(const uint8_t* data, size_t size, unsigned* width, unsigned* height, unsigned char** rgb,
                           JpegError* err)
{
    jpeg_decompress_struct info;
    *rgb = nullptr;
    info.err = jpeg_std_error(&err->mgr);
    err->mgr.error_exit = JpegErrorExit;
    err->mgr.emit_message = JpegMessage;
    err->warning[0] = 0;
    if (setjmp(err->jump)) {
        jpeg_destroy_decompress(&info);
        free(*rgb);
        *rgb = nullptr;
        return err->message;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, (unsigned char*)data, (unsigned long)size);
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    if (info.output_width == 0 || info.output_height == 0 || info.output_width > GFX_MAX_IMAGE_SIDE ||
        info.output_height > GFX_MAX_IMAGE_SIDE || info.output_components != 3) {
        jpeg_destroy_decompress(&info);
        return "JPEG size out of range";
    }
    *width = info.output_width;
    *height = info.output_height;
    *rgb = (unsigned char*)malloc((size_t)*width * *height * 3);
    if (!*rgb) {
        jpeg_destroy_decompress(&info);
        return "out of memory";
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = *rgb + (size_t)info.output_scanline * *width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return nullptr;
}

} // namespace

bool GfxDecodeJpeg(const uint8_t* data, size_t size, GfxImage* image, std::string* error)
{
    JpegError err;
    unsigned width = 0, height = 0;
    unsigned char* rgb = nullptr;
    const char* why = DecodeJpegRows(data, size, &width, &height, &rgb, &err);
    if (why) {
        if (error)
            *error = std::string("JPEG: ") + why;
        return false;
    }
    if (err.warning[0])
        GfxSetImageWarning((std::string("JPEG: ") + err.warning).c_str());
    image->width = width;
    image->height = height;
    image->hasAlpha = false;
    image->texels.resize((size_t)width * height);
    for (size_t i = 0; i < image->texels.size(); ++i)
        image->texels[i] = 0xFF000000u | (rgb[i * 3] << 16) | (rgb[i * 3 + 1] << 8) | rgb[i * 3 + 2];
    free(rgb);
    return true;
}

namespace {

struct PngSource {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

struct PngError {
    jmp_buf jump;
    char message[200];
};

void PngRead(png_structp png, png_bytep out, png_size_t n)
{
    PngSource* src = static_cast<PngSource*>(png_get_io_ptr(png));
    if (n > src->size - src->pos)
        png_error(png, "file cut short");
    std::memcpy(out, src->data + src->pos, n);
    src->pos += n;
}

void PngFail(png_structp png, png_const_charp message)
{
    PngError* err = static_cast<PngError*>(png_get_error_ptr(png));
    std::snprintf(err->message, sizeof err->message, "%s", message ? message : "error");
    longjmp(err->jump, 1);
}

void PngWarn(png_structp, png_const_charp) {}

// Reads the image into texels (BGRA bytes); false after a libpng error or a bad size. The
// caller owns everything that outlives a jump out of libpng.
bool ReadPngTexels(png_structp png, png_infop info, PngError& err, std::vector<uint32_t>& texels,
                   std::vector<png_bytep>& rows, GfxImage* image)
{
    if (setjmp(err.jump))
        return false;
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (width == 0 || height == 0 || width > GFX_MAX_IMAGE_SIDE || height > GFX_MAX_IMAGE_SIDE) {
        std::snprintf(err.message, sizeof err.message, "size out of range");
        return false;
    }
    const int colour = png_get_color_type(png, info);
    image->hasAlpha = (colour & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS);
    // No gamma or colour-space conversion: the texture loader takes the pixels as stored.
    png_set_expand(png);
    png_set_strip_16(png);
    if (!(colour & PNG_COLOR_MASK_COLOR))
        png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);   // BGRA bytes: little-endian ARGB words
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t(width) * 4) {
        std::snprintf(err.message, sizeof err.message, "unexpected row layout");
        return false;
    }
    texels.resize(size_t(width) * height);
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = reinterpret_cast<png_bytep>(texels.data() + size_t(y) * width);
    png_read_image(png, rows.data());
    image->width = width;
    image->height = height;
    return true;
}

} // namespace

bool GfxDecodePng(const uint8_t* data, size_t size, GfxImage* image, std::string* error)
{
    PngError err;
    err.message[0] = 0;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &err, PngFail, PngWarn);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    PngSource src{data, size, 0};
    std::vector<uint32_t> texels;
    std::vector<png_bytep> rows;
    GfxImage out;
    bool ok = png && info;
    if (ok) {
        png_set_read_fn(png, &src, PngRead);
        ok = ReadPngTexels(png, info, err, texels, rows, &out);
    } else {
        std::snprintf(err.message, sizeof err.message, "out of memory");
    }
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok) {
        if (error)
            *error = std::string("PNG: ") + err.message;
        return false;
    }
    image->width = out.width;
    image->height = out.height;
    image->hasAlpha = out.hasAlpha;
    image->texels = std::move(texels);
    return true;
}

bool GfxWritePng(const char* path, unsigned width, unsigned height, const uint32_t* texels, std::string* error)
{
    std::vector<uint8_t> rgb((size_t)width * height * 3);
    for (size_t i = 0; i < (size_t)width * height; ++i) {
        rgb[i * 3] = (uint8_t)(texels[i] >> 16);
        rgb[i * 3 + 1] = (uint8_t)(texels[i] >> 8);
        rgb[i * 3 + 2] = (uint8_t)texels[i];
    }
    png_image png;
    std::memset(&png, 0, sizeof(png));
    png.version = PNG_IMAGE_VERSION;
    png.width = width;
    png.height = height;
    png.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&png, path, 0, rgb.data(), 0, nullptr)) {
        if (error)
            *error = std::string("PNG: ") + png.message;
        return false;
    }
    return true;
}
