#include "hpgl/stroke_font.h"

#include <algorithm>
#include <mutex>
#include <sys/stat.h>

#include "app/platform.h"

namespace vexa {
namespace {
uint16_t U16(const std::string& b, size_t at)
{
    return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}

uint32_t U32(const std::string& b, size_t at)
{
    return static_cast<uint32_t>(U16(b, at)) | static_cast<uint32_t>(U16(b, at + 2)) << 16;
}

// The index must fit the file before anything is allocated for it, and every
// stream must lie inside the file.
void CheckIndex(const std::vector<CCharactor>& glyphs, size_t fileSize, const std::string& name)
{
    for (const CCharactor& c : glyphs) {
        if (static_cast<uint64_t>(c.m_offset) + c.m_length > fileSize)
            throw HpglFontError(name + ": glyph " + std::to_string(c.m_code) + " lies outside the file");
    }
}

struct FileStamp {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = -1;
    int64_t mtimeNs = 0;
    bool operator==(const FileStamp&) const = default;
};

FileStamp Stamp(const std::string& path)
{
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        throw HpglFontError("cannot open the stroke font " + path);
    return {st.st_dev, st.st_ino, st.st_size, static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

std::string ReadFont(const std::string& path)
{
    std::string error;
    // Far beyond any real font; a larger file is not a font of ours.
    auto bytes = ReadFileBytes(path, &error, 64u << 20);
    if (!bytes)
        throw HpglFontError("cannot read the stroke font " + path + ": " + error);
    return std::move(*bytes);
}
}  // namespace

const CCharactor* StrokeFonts::Find(const std::vector<CCharactor>& glyphs, uint16_t code)
{
    auto it = std::lower_bound(glyphs.begin(), glyphs.end(), code,
                               [](const CCharactor& c, uint16_t v) { return c.m_code < v; });
    return it != glyphs.end() && it->m_code == code ? &*it : nullptr;
}

void ParseLatinFont(StrokeFonts& fonts, std::string bytes, const std::string& name)
{
    if (bytes.size() < 10)
        throw HpglFontError(name + ": too short for a Latin stroke font");
    const uint32_t count = U32(bytes, 6);
    if (count > (bytes.size() - 10) / 10)
        throw HpglFontError(name + ": index larger than the file");
    fonts.m_enHeader1 = U16(bytes, 0);
    fonts.m_enHeader2 = U16(bytes, 2);
    fonts.m_enHeader3 = U16(bytes, 4);
    fonts.m_enGlyphs.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        const size_t at = 10 + size_t{i} * 10;
        fonts.m_enGlyphs[i] = {U16(bytes, at), U16(bytes, at + 2), U16(bytes, at + 4), U32(bytes, at + 6)};
    }
    CheckIndex(fonts.m_enGlyphs, bytes.size(), name);
    fonts.m_enBytes = std::move(bytes);
}

void ParseCjkFont(StrokeFonts& fonts, std::string bytes, const std::string& name)
{
    if (bytes.size() < 8)
        throw HpglFontError(name + ": too short for a CJK stroke font");
    const uint32_t count = U32(bytes, 4);
    if (count > (bytes.size() - 8) / 8)
        throw HpglFontError(name + ": index larger than the file");
    fonts.m_hzHeader1 = U16(bytes, 0);
    fonts.m_hzHeader2 = U16(bytes, 2);
    fonts.m_hzGlyphs.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        const size_t at = 8 + size_t{i} * 8;
        fonts.m_hzGlyphs[i] = {U16(bytes, at), U16(bytes, at + 2), 0, U32(bytes, at + 4)};
    }
    CheckIndex(fonts.m_hzGlyphs, bytes.size(), name);
    fonts.m_hzBytes = std::move(bytes);
}

std::shared_ptr<const StrokeFonts> LoadStrokeFonts(const std::string& enPath, const std::string& hzPath)
{
    static std::mutex mutex;
    static std::shared_ptr<const StrokeFonts> cached;
    static std::string cachedEn, cachedHz;
    static FileStamp stampEn, stampHz;

    const FileStamp en = Stamp(enPath);
    const FileStamp hz = Stamp(hzPath);
    {
        std::lock_guard lock(mutex);
        if (cached && cachedEn == enPath && cachedHz == hzPath && stampEn == en && stampHz == hz)
            return cached;
    }
    auto fonts = std::make_shared<StrokeFonts>();
    ParseLatinFont(*fonts, ReadFont(enPath), enPath);
    ParseCjkFont(*fonts, ReadFont(hzPath), hzPath);
    std::lock_guard lock(mutex);
    cached = fonts;
    cachedEn = enPath;
    cachedHz = hzPath;
    stampEn = en;
    stampHz = hz;
    return fonts;
}
}  // namespace vexa
