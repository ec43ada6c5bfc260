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

bool GfxDecodePng(const uint8_t* data, size_t size, GfxImage* image, std::string* error)
{
    png_image png;
    std::memset(&png, 0, sizeof(png));
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, data, size)) {
        if (error)
            *error = std::string("PNG: ") + png.message;
        return false;
    }
    if (png.width == 0 || png.height == 0 || png.width > GFX_MAX_IMAGE_SIDE || png.height > GFX_MAX_IMAGE_SIDE) {
        png_image_free(&png);
        if (error)
            *error = "PNG size out of range";
        return false;
    }
    bool alpha = (png.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    png.format = PNG_FORMAT_BGRA; // little-endian ARGB words
    std::vector<uint32_t> texels((size_t)png.width * png.height);
    if (!png_image_finish_read(&png, nullptr, texels.data(), 0, nullptr)) {
        if (error)
            *error = std::string("PNG: ") + png.message;
        png_image_free(&png);
        return false;
    }
    image->width = png.width;
    image->height = png.height;
    image->hasAlpha = alpha;
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
