#include "app/png_image.h"

#include <csetjmp>
#include <cstdio>
#include <png.h>
#include <unistd.h>
#include <vector>

namespace vexa {
namespace {
void PngError(png_structp png, png_const_charp message)
{
    auto* error = static_cast<std::string*>(png_get_error_ptr(png));
    *error = message;
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

// The libpng part, kept free of C++ objects with destructors because an
// error unwinds it with longjmp.
bool WritePngRows(FILE* file, uint32_t width, uint32_t height,
                  const std::function<void(uint32_t, uint8_t*)>& row, uint8_t* ink, png_bytep packed,
                  std::string* error)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, error, PngError, PngWarning);
    if (!png) {
        *error = "cannot start the PNG writer";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 1, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const size_t bytes = (width + 7) / 8;
    for (uint32_t y = 0; y < height; ++y) {
        row(y, ink);
        for (size_t i = 0; i < bytes; ++i)
            packed[i] = 0xFF;
        for (uint32_t x = 0; x < width; ++x)
            if (ink[x])
                packed[x / 8] = static_cast<png_byte>(packed[x / 8] & ~(0x80u >> (x % 8)));
        png_write_row(png, packed);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}
}  // namespace

std::string WriteInkPng(const std::string& path, uint32_t width, uint32_t height,
                        const std::function<void(uint32_t y, uint8_t* out)>& row)
{
    if (width == 0 || height == 0 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu)
        return "an image of " + std::to_string(width) + " x " + std::to_string(height) + " pixels cannot be written";
    const std::string temp = path + ".tmp-" + std::to_string(getpid());
    FILE* file = std::fopen(temp.c_str(), "wb");
    if (!file)
        return "cannot create " + temp;
    std::vector<uint8_t> ink(width);
    std::vector<png_byte> packed((width + 7) / 8);
    std::string error;
    const bool written = WritePngRows(file, width, height, row, ink.data(), packed.data(), &error);
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed || std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return error.empty() ? "cannot write " + path : error;
    }
    return {};
}
}  // namespace vexa
