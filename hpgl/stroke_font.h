#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

// One index entry of a stroke font. width is meaningful for Latin glyphs only.
struct CCharactor {
    uint16_t m_code = 0;
    uint16_t m_length = 0;
    uint16_t m_width = 0;
    uint32_t m_offset = 0;
};

// A stroke font file that cannot be opened, read or trusted. Ends the import
// like any other file error.
class HpglFontError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

namespace vexa {
// Both stroke fonts as loaded from their files: headers, sorted indexes and
// the files' bytes, from which the glyph streams are taken.
struct StrokeFonts {
    // Latin font ("fon_en.bin"): printable ASCII.
    int m_enHeader1 = 0;
    int m_enHeader2 = 0;
    int m_enHeader3 = 0;
    std::vector<CCharactor> m_enGlyphs;
    std::string m_enBytes;
    // CJK font ("fon_hz.bin"): GB2312 double-byte codes.
    int m_hzHeader1 = 0;
    int m_hzHeader2 = 0;
    std::vector<CCharactor> m_hzGlyphs;
    std::string m_hzBytes;

    // Binary search by code; nullptr when absent.
    static const CCharactor* Find(const std::vector<CCharactor>& glyphs, uint16_t code);
    std::span<const unsigned char> Stream(const std::string& bytes, const CCharactor& c) const
    {
        return {reinterpret_cast<const unsigned char*>(bytes.data()) + c.m_offset, c.m_length};
    }
};

// Loads both font files. Every entry is checked to lie inside its file, so a
// damaged font is an error here and never a read outside the data later.
// Files unchanged since the previous load (same size, time and inode) are
// not read again. Throws HpglFontError.
std::shared_ptr<const StrokeFonts> LoadStrokeFonts(const std::string& enPath, const std::string& hzPath);

// Parses font files already in memory (the loader's second half). Throws HpglFontError.
void ParseLatinFont(StrokeFonts& fonts, std::string bytes, const std::string& name);
void ParseCjkFont(StrokeFonts& fonts, std::string bytes, const std::string& name);
}  // namespace vexa
