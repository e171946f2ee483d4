#include "app/png_image.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace vexa {
namespace {
void PutBig32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(v >> shift));
}

bool WriteChunk(FILE* file, const char type[4], const uint8_t* data, size_t size)
{
    std::vector<uint8_t> head;
    PutBig32(head, static_cast<uint32_t>(size));
    head.insert(head.end(), type, type + 4);
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type), 4);
    // crc32 takes at most 4 GiB at a time.
    for (size_t done = 0; done < size;) {
        const uInt n = static_cast<uInt>(std::min<size_t>(size - done, 1u << 30));
        crc = crc32(crc, data + done, n);
        done += n;
    }
    std::vector<uint8_t> tail;
    PutBig32(tail, static_cast<uint32_t>(crc));
    return std::fwrite(head.data(), 1, head.size(), file) == head.size() &&
           (size == 0 || std::fwrite(data, 1, size, file) == size) &&
           std::fwrite(tail.data(), 1, tail.size(), file) == tail.size();
}

// One band of rows, filtered (filter type 0 before each row) and deflated
// on its own. Bands end on a byte boundary (a sync flush, the last one a
// final block), so their streams follow one another as one zlib stream:
// the bands of a picture can be compressed at the same time, and the bytes
// do not depend on how many threads did it.
struct Band {
    std::vector<uint8_t> raw;
    std::vector<uint8_t> packed;
    uLong adler = 1;
    size_t rawSize = 0;
};

bool DeflateBand(Band& band, uint32_t y0, uint32_t rows, size_t rowBytes, bool last,
                 const std::function<void(uint32_t, uint8_t*)>& packedRow)
{
    band.rawSize = static_cast<size_t>(rows) * (rowBytes + 1);
    band.raw.resize(band.rawSize);
    for (uint32_t r = 0; r < rows; ++r) {
        uint8_t* line = band.raw.data() + static_cast<size_t>(r) * (rowBytes + 1);
        line[0] = 0;
        packedRow(y0 + r, line + 1);
        // Ink is black, a 0 in the file.
        for (size_t i = 1; i <= rowBytes; ++i)
            line[i] = static_cast<uint8_t>(~line[i]);
    }
    band.adler = adler32(1, band.raw.data(), static_cast<uInt>(band.rawSize));
    z_stream z{};
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return false;
    band.packed.resize(deflateBound(&z, static_cast<uLong>(band.rawSize)) + 16);
    z.next_in = band.raw.data();
    z.avail_in = static_cast<uInt>(band.rawSize);
    z.next_out = band.packed.data();
    z.avail_out = static_cast<uInt>(band.packed.size());
    const int result = deflate(&z, last ? Z_FINISH : Z_SYNC_FLUSH);
    const bool ok = (last ? result == Z_STREAM_END : result == Z_OK) && z.avail_in == 0;
    band.packed.resize(band.packed.size() - z.avail_out);
    deflateEnd(&z);
    return ok;
}
}  // namespace

std::string WritePackedInkPng(const std::string& path, uint32_t width, uint32_t height,
                              const std::function<void(uint32_t y, uint8_t* out)>& packedRow, int threads)
{
    if (width == 0 || height == 0 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu)
        return "an image of " + std::to_string(width) + " x " + std::to_string(height) + " pixels cannot be written";
    const size_t rowBytes = (width + 7) / 8;
    // Bands of about 4 MB of rows keep memory bounded whatever the size.
    const uint32_t bandRows = static_cast<uint32_t>(std::clamp<size_t>((size_t{4} << 20) / (rowBytes + 1), 1, 4096));
    const uint32_t bandCount = (height - 1) / bandRows + 1;
    const int workers = std::clamp(threads, 1, 64);

    const std::string temp = path + ".tmp-" + std::to_string(getpid());
    FILE* file = std::fopen(temp.c_str(), "wb");
    if (!file)
        return "cannot create " + temp;
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    PutBig32(header, width);
    PutBig32(header, height);
    header.insert(header.end(), {1, 0, 0, 0, 0});  // 1-bit grey, deflate, no interlace
    bool ok = std::fwrite(kSignature, 1, 8, file) == 8 && WriteChunk(file, "IHDR", header.data(), header.size());

    std::vector<Band> bands(static_cast<size_t>(workers));
    uLong adler = 1;
    for (uint32_t first = 0; ok && first < bandCount; first += static_cast<uint32_t>(workers)) {
        const uint32_t count = std::min<uint32_t>(static_cast<uint32_t>(workers), bandCount - first);
        std::atomic<bool> deflated{true};
        auto work = [&](uint32_t i) {
            const uint32_t b = first + i, y0 = b * bandRows;
            if (!DeflateBand(bands[i], y0, std::min(bandRows, height - y0), rowBytes, b + 1 == bandCount, packedRow))
                deflated = false;
        };
        std::vector<std::thread> pool;
        for (uint32_t i = 1; i < count; ++i)
            pool.emplace_back(work, i);
        work(0);
        for (auto& t : pool)
            t.join();
        ok = deflated;
        for (uint32_t i = 0; ok && i < count; ++i) {
            Band& band = bands[i];
            adler = adler32_combine(adler, band.adler, static_cast<z_off_t>(band.rawSize));
            if (first + i == 0)
                band.packed.insert(band.packed.begin(), {0x78, 0x9C});  // zlib header: deflate, 32 KB window
            if (first + i + 1 == bandCount)
                PutBig32(band.packed, static_cast<uint32_t>(adler));
            ok = WriteChunk(file, "IDAT", band.packed.data(), band.packed.size());
        }
    }
    ok = ok && WriteChunk(file, "IEND", nullptr, 0);
    const bool closed = std::fclose(file) == 0;
    if (!ok || !closed || std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return "cannot write " + path;
    }
    return {};
}

std::string WriteInkPng(const std::string& path, uint32_t width, uint32_t height,
                        const std::function<void(uint32_t y, uint8_t* out)>& row)
{
    std::vector<uint8_t> ink(width);
    return WritePackedInkPng(path, width, height, [&](uint32_t y, uint8_t* packed) {
        row(y, ink.data());
        const size_t bytes = (width + 7) / 8;
        for (size_t i = 0; i < bytes; ++i)
            packed[i] = 0;
        for (uint32_t x = 0; x < width; ++x)
            if (ink[x])
                packed[x / 8] = static_cast<uint8_t>(packed[x / 8] | (0x80u >> (x % 8)));
    });
}
}  // namespace vexa
