#include "app/png_image.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <zlib.h>

#include "tests/support/test_support.h"

namespace {
// Every chunk's CRC right, and the image data one zlib stream whose checksum
// holds (libpng does not check it).
bool StrictlyValid(const std::string& file)
{
    std::string idat;
    for (size_t i = 8; i + 12 <= file.size();) {
        const auto* p = reinterpret_cast<const unsigned char*>(file.data() + i);
        const size_t n = (size_t{p[0]} << 24) | (size_t{p[1]} << 16) | (size_t{p[2]} << 8) | p[3];
        if (i + 12 + n > file.size())
            return false;
        const uLong crc = crc32(0, p + 4, static_cast<uInt>(n + 4));
        const uLong stored = (uLong{p[8 + n]} << 24) | (uLong{p[9 + n]} << 16) | (uLong{p[10 + n]} << 8) | p[11 + n];
        if (crc != stored)
            return false;
        if (file.compare(i + 4, 4, "IDAT") == 0)
            idat.append(file, i + 8, n);
        i += 12 + n;
    }
    z_stream z{};
    inflateInit(&z);
    std::vector<unsigned char> out(1 << 20);
    z.next_in = reinterpret_cast<Bytef*>(idat.data());
    z.avail_in = static_cast<uInt>(idat.size());
    int result = Z_OK;
    while (result == Z_OK) {
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        result = inflate(&z, Z_NO_FLUSH);
    }
    inflateEnd(&z);
    return result == Z_STREAM_END && z.avail_in == 0;
}

bool Inked(uint32_t x, uint32_t y) { return (x * 7 + y * 13) % 11 == 0 || x == y; }

// Rows so wide that a band holds a few of them: the picture is compressed in
// several bands, the last one short, and the width is no multiple of 8.
TEST(PngImage, BandsOnAnyNumberOfThreadsGiveTheSameFile)
{
    const auto dir = std::filesystem::temp_directory_path() / ("vexa-png-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const uint32_t width = 999'997, height = 100;  // libpng reads up to a million pixels wide
    auto row = [&](uint32_t y, uint8_t* out) {
        for (uint32_t x = 0; x < width; x += 8) {
            uint8_t byte = 0;
            for (uint32_t i = 0; i < 8 && x + i < width; ++i)
                if (Inked(x + i, y))
                    byte = static_cast<uint8_t>(byte | (0x80 >> i));
            out[x / 8] = byte;
        }
    };
    const std::string one = (dir / "one.png").string(), three = (dir / "three.png").string();
    ASSERT_EQ(vexa::WritePackedInkPng(one, width, height, row, 1), "");
    ASSERT_EQ(vexa::WritePackedInkPng(three, width, height, row, 3), "");
    EXPECT_EQ(vexa::test::ReadFile(one), vexa::test::ReadFile(three));
    EXPECT_TRUE(StrictlyValid(vexa::test::ReadFile(three)));

    uint32_t w = 0, h = 0;
    const auto pixels = vexa::test::ReadGrayPng(three, w, h);
    ASSERT_EQ(w, width);
    ASSERT_EQ(h, height);
    size_t wrong = 0;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            wrong += (pixels[size_t{y} * width + x] == 0) != Inked(x, y);
    EXPECT_EQ(wrong, 0u);

    // The unpacked form writes the same file.
    ASSERT_EQ(vexa::WriteInkPng((dir / "ink.png").string(), width, height,
                                [&](uint32_t y, uint8_t* out) {
                                    for (uint32_t x = 0; x < width; ++x)
                                        out[x] = Inked(x, y);
                                }),
              "");
    EXPECT_EQ(vexa::test::ReadFile((dir / "ink.png").string()), vexa::test::ReadFile(one));
    std::filesystem::remove_all(dir);
}

TEST(PngImage, RefusesEmptyPicturesAndUnwritablePaths)
{
    auto row = [](uint32_t, uint8_t*) {};
    EXPECT_NE(vexa::WritePackedInkPng("/tmp/x.png", 0, 5, row), "");
    EXPECT_NE(vexa::WritePackedInkPng("/tmp/x.png", 5, 0, row), "");
    EXPECT_NE(vexa::WritePackedInkPng("/nonexistent-dir/x.png", 5, 5, row), "");
}
}  // namespace
