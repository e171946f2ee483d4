#include "app/text_codec.h"

#include <cerrno>
#include <cstdint>
#include <iconv.h>

namespace vexa {
namespace {

bool IsAscii(std::string_view s)
{
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// One conversion direction. iconv descriptors carry shift state and must not
// be shared between threads, so each thread keeps its own pair.
class CConverter {
public:
    CConverter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~CConverter()
    {
        if (Valid())
            iconv_close(m_cd);
    }
    CConverter(const CConverter&) = delete;
    CConverter& operator=(const CConverter&) = delete;

    std::optional<std::string> Run(std::string_view in, std::size_t* badOffset)
    {
        if (!Valid()) {
            SetOffset(badOffset, 0);
            return std::nullopt;
        }
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);  // reset shift state

        // GBK to UTF-8 grows at most 3 bytes per input byte (0x80 is the euro
        // sign); UTF-8 to GBK never grows. E2BIG is handled anyway.
        std::string out(in.size() * 3 + 16, '\0');
        char* inPtr = const_cast<char*>(in.data());
        std::size_t inLeft = in.size();
        std::size_t used = 0;
        bool flushing = false;
        for (;;) {
            char* outPtr = out.data() + used;
            std::size_t outLeft = out.size() - used;
            // With no input left, one more call writes any pending shift sequence.
            const std::size_t rc = flushing ? iconv(m_cd, nullptr, nullptr, &outPtr, &outLeft)
                                            : iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft);
            used = out.size() - outLeft;
            if (rc == static_cast<std::size_t>(-1)) {
                if (errno == E2BIG) {
                    out.resize(out.size() * 2);
                    continue;
                }
                // EILSEQ: invalid or unmappable; EINVAL: truncated sequence at the end.
                SetOffset(badOffset, in.size() - inLeft);
                return std::nullopt;
            }
            if (flushing)
                break;
            flushing = inLeft == 0;
        }
        out.resize(used);
        return out;
    }

private:
    bool Valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    static void SetOffset(std::size_t* p, std::size_t v)
    {
        if (p)
            *p = v;
    }
    iconv_t m_cd;
};

CConverter& ToGbk()
{
    thread_local CConverter c("GBK", "UTF-8");
    return c;
}

CConverter& ToUtf8()
{
    thread_local CConverter c("UTF-8", "GBK");
    return c;
}

// glibc drops some characters without an error (the Unicode tag characters
// U+E0000..U+E007F, for one); a result that does not convert back to the
// input is therefore treated as a failure.
std::optional<std::string> Convert(CConverter& forward, CConverter& backward, std::string_view in,
                                   std::size_t* badOffset)
{
    if (IsAscii(in))  // identical in both encodings
        return std::string(in);
    auto out = forward.Run(in, badOffset);
    if (!out)
        return std::nullopt;
    auto back = backward.Run(*out, nullptr);
    if (!back || *back != in) {
        if (badOffset) {
            std::size_t i = 0;
            while (back && i < back->size() && i < in.size() && (*back)[i] == in[i])
                ++i;
            *badOffset = i;
        }
        return std::nullopt;
    }
    return out;
}

}  // namespace

std::optional<std::string> Utf8ToGbk(std::string_view utf8, std::size_t* badOffset)
{
    return Convert(ToGbk(), ToUtf8(), utf8, badOffset);
}

std::optional<std::string> GbkToUtf8(std::string_view gbk, std::size_t* badOffset)
{
    return Convert(ToUtf8(), ToGbk(), gbk, badOffset);
}

std::optional<std::string> Utf16LeToUtf8(std::string_view utf16le)
{
    if (utf16le.size() % 2 != 0)
        return std::nullopt;
    std::string out;
    out.reserve(utf16le.size());
    auto unit = [&](size_t i) {
        return static_cast<uint32_t>(static_cast<unsigned char>(utf16le[2 * i])
                                     | static_cast<unsigned char>(utf16le[2 * i + 1]) << 8);
    };
    const size_t n = utf16le.size() / 2;
    for (size_t i = 0; i < n; ++i) {
        uint32_t cp = unit(i);
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (i + 1 >= n || unit(i + 1) < 0xDC00 || unit(i + 1) > 0xDFFF)
                return std::nullopt;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
            ++i;
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            return std::nullopt;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | cp >> 6));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | cp >> 12));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | cp >> 18));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

}  // namespace vexa
