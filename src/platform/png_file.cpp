#include "platform/png_file.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>

#include <png.h>

namespace kiv::platform {

bool gf_writeRgbPng(const std::filesystem::path& file, const std::uint8_t* rgb, int width, int height) {
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (out == nullptr) {
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    bool ok = false;
    if (info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, out);
        png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                     PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int row = 0; row < height; ++row) {
            png_write_row(png, rgb + static_cast<std::ptrdiff_t>(row) * width * 3);
        }
        png_write_end(png, nullptr);
        ok = true;
    }
    png_destroy_write_struct(&png, &info);
    return std::fclose(out) == 0 && ok;
}

} // namespace kiv::platform
