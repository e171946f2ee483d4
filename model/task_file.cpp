#include "model/task_file.h"

#include <cstdint>
#include <cstring>

#include "app/text_codec.h"
#include "model/one_page.h"

namespace {
constexpr uint16_t NEW_CLASS_TAG = 0xFFFF;
constexpr uint16_t CLASS_TAG = 0x8000;
constexpr uint16_t BIG_OBJECT_TAG = 0x7FFF;
constexpr uint32_t BIG_CLASS_TAG = 0x80000000u;
constexpr uint16_t SCHEMA = 1;
constexpr std::string_view PAGE_CLASS = "COnePage";
constexpr std::string_view CURVE_CLASS = "CCurve";
constexpr std::string_view CURVE_MARKER = "KRUM";

// Smallest encodings, to refuse counts the remaining bytes cannot hold.
constexpr size_t MIN_PAGE_BYTES = 2 + 4 * 4 + 1 + 2;
constexpr size_t MIN_CURVE_BYTES = 2 + 1 + 5 * 4 + 2;
constexpr size_t POINT_BYTES = 8;

class Writer {
public:
    explicit Writer(std::string& out) : m_out(out) {}

    void U8(uint8_t v) { m_out.push_back(static_cast<char>(v)); }
    void U16(uint16_t v)
    {
        U8(static_cast<uint8_t>(v));
        U8(static_cast<uint8_t>(v >> 8));
    }
    void U32(uint32_t v)
    {
        U16(static_cast<uint16_t>(v));
        U16(static_cast<uint16_t>(v >> 16));
    }
    void Int(int v) { U32(static_cast<uint32_t>(v)); }
    void Count(size_t n)
    {
        if (n < 0xFFFF) {
            U16(static_cast<uint16_t>(n));
        } else {
            U16(0xFFFF);
            U32(static_cast<uint32_t>(n));
        }
    }
    void String(std::string_view bytes)
    {
        const size_t n = bytes.size();
        if (n < 0xFF) {
            U8(static_cast<uint8_t>(n));
        } else if (n < 0xFFFE) {
            U8(0xFF);
            U16(static_cast<uint16_t>(n));
        } else {
            U8(0xFF);
            U16(0xFFFF);
            U32(static_cast<uint32_t>(n));
        }
        m_out.append(bytes);
    }
    // The class tag of an object; the object itself takes the next index.
    void ClassTag(std::string_view name, uint32_t& classIndex)
    {
        if (classIndex == 0) {
            U16(NEW_CLASS_TAG);
            U16(SCHEMA);
            U16(static_cast<uint16_t>(name.size()));
            m_out.append(name);
            classIndex = m_nextIndex++;
        } else if (classIndex < BIG_OBJECT_TAG) {
            U16(static_cast<uint16_t>(CLASS_TAG | classIndex));
        } else {
            U16(BIG_OBJECT_TAG);
            U32(BIG_CLASS_TAG | classIndex);
        }
        ++m_nextIndex;
    }

private:
    std::string& m_out;
    uint32_t m_nextIndex = 1;
};

struct Failure {
    std::string message;
};

class Reader {
public:
    explicit Reader(std::string_view bytes) : m_bytes(bytes) {}

    size_t Left() const { return m_bytes.size() - m_at; }
    void Need(size_t n) const
    {
        if (Left() < n)
            throw Failure{"the file ends early (at byte " + std::to_string(m_at) + ")"};
    }
    uint8_t U8()
    {
        Need(1);
        return static_cast<uint8_t>(m_bytes[m_at++]);
    }
    uint16_t U16()
    {
        Need(2);
        const uint16_t v = static_cast<uint16_t>(static_cast<uint8_t>(m_bytes[m_at])
                                                 | static_cast<uint8_t>(m_bytes[m_at + 1]) << 8);
        m_at += 2;
        return v;
    }
    uint32_t U32()
    {
        const uint32_t lo = U16();
        return lo | static_cast<uint32_t>(U16()) << 16;
    }
    int Int() { return static_cast<int>(U32()); }
    // A count of items of at least itemBytes each.
    size_t Count(size_t itemBytes)
    {
        size_t n = U16();
        if (n == 0xFFFF)
            n = U32();
        if (n > Left() / itemBytes)
            throw Failure{"a count of " + std::to_string(n) + " is larger than the rest of the file"};
        return n;
    }
    std::string_view Bytes(size_t n)
    {
        Need(n);
        const std::string_view v = m_bytes.substr(m_at, n);
        m_at += n;
        return v;
    }
    // A string as UTF-8: GBK bytes, or UTF-16 after the wide-string marker.
    std::string String()
    {
        bool wide = false;
        size_t n = StringLength(wide);
        if (wide) {
            bool again = false;
            n = StringLength(again);
            if (again)
                throw Failure{"a wide-string marker inside a wide string"};
            if (n > Left() / 2)
                throw Failure{"a string is longer than the rest of the file"};
            auto utf8 = vexa::Utf16LeToUtf8(Bytes(n * 2));
            if (!utf8)
                throw Failure{"a wide string is not valid UTF-16"};
            return std::move(*utf8);
        }
        auto utf8 = vexa::GbkToUtf8(Bytes(n));
        if (!utf8)
            throw Failure{"a string is not valid GBK text"};
        return std::move(*utf8);
    }
    size_t At() const { return m_at; }

private:
    // A length prefix; FF FE FF announces a wide string instead.
    size_t StringLength(bool& wideMarker)
    {
        wideMarker = false;
        const uint8_t b = U8();
        if (b < 0xFF)
            return b;
        const uint16_t w = U16();
        if (w == 0xFFFE) {
            wideMarker = true;
            return 0;
        }
        if (w < 0xFFFF)
            return w;
        const uint32_t d = U32();
        if (d == 0xFFFFFFFFu)
            throw Failure{"a string length beyond 4 GB"};
        return d;
    }

    std::string_view m_bytes;
    size_t m_at = 0;
};

enum class Kind : uint8_t { Object, PageClass, CurveClass };

// The running map of classes and objects read so far.
class ClassMap {
public:
    Kind ReadTag(Reader& in, Kind expected)
    {
        uint32_t tag = in.U16();
        Kind cls;
        if (tag == NEW_CLASS_TAG) {
            const uint16_t schema = in.U16();
            const uint16_t length = in.U16();
            const std::string_view name = in.Bytes(length);
            if (name == PAGE_CLASS)
                cls = Kind::PageClass;
            else if (name == CURVE_CLASS)
                cls = Kind::CurveClass;
            else
                throw Failure{"unknown class \"" + std::string(name) + "\""};
            if (schema != SCHEMA)
                throw Failure{"class " + std::string(name) + " has schema " + std::to_string(schema) + ", not 1"};
            m_entries.push_back(cls);
        } else {
            if (tag == BIG_OBJECT_TAG) {
                tag = in.U32();
                if (!(tag & BIG_CLASS_TAG))
                    throw Failure{"an object reference where a class was expected"};
                tag &= ~BIG_CLASS_TAG;
            } else if (tag & CLASS_TAG) {
                tag &= ~uint32_t{CLASS_TAG};
            } else {
                throw Failure{"an object reference where a class was expected"};
            }
            if (tag == 0 || tag > m_entries.size() || m_entries[tag - 1] == Kind::Object)
                throw Failure{"a class tag names no class read before"};
            cls = m_entries[tag - 1];
        }
        if (cls != expected)
            throw Failure{std::string("found a ") + (cls == Kind::PageClass ? "job" : "curve") + " where a "
                          + (expected == Kind::PageClass ? "job" : "curve") + " was expected"};
        m_entries.push_back(Kind::Object);
        return cls;
    }

private:
    std::vector<Kind> m_entries;  // index i + 1
};

void WriteCurve(Writer& w, const CCurve& c, uint32_t& curveClass)
{
    w.ClassTag(CURVE_CLASS, curveClass);
    w.String(CURVE_MARKER);
    w.Int(c.m_pen);
    w.Int(c.m_maxX);
    w.Int(c.m_maxY);
    w.Int(c.m_minX);
    w.Int(c.m_minY);
    w.Count(c.m_points.size());
    for (const CPoint& p : c.m_points) {
        w.Int(p.x);
        w.Int(p.y);
    }
}

std::unique_ptr<CCurve> ReadCurve(Reader& in, ClassMap& map)
{
    map.ReadTag(in, Kind::CurveClass);
    auto c = std::make_unique<CCurve>();
    in.String();  // the marker; its text is not checked
    c->m_pen = in.Int();
    c->m_maxX = in.Int();
    c->m_maxY = in.Int();
    c->m_minX = in.Int();
    c->m_minY = in.Int();
    const size_t n = in.Count(POINT_BYTES);
    // Every curve the program keeps has a point; an empty one would fail
    // later, far from the file that caused it.
    if (n == 0)
        throw Failure{"a curve without points"};
    c->m_points.resize(n);
    for (CPoint& p : c->m_points) {
        p.x = in.Int();
        p.y = in.Int();
    }
    return c;
}
}  // namespace

std::string WriteTaskFile(const PageList& pages, std::string& out)
{
    out.clear();
    Writer w(out);
    uint32_t pageClass = 0, curveClass = 0;
    w.Count(pages.size());
    for (const auto& page : pages) {
        auto name = vexa::Utf8ToGbk(page->m_fileName);
        if (!name)
            return "the file name \"" + page->m_fileName + "\" cannot be written in GBK";
        w.ClassTag(PAGE_CLASS, pageClass);
        w.Int(page->m_maxX);
        w.Int(page->m_minX);
        w.Int(page->m_maxY);
        w.Int(page->m_minY);
        w.String(*name);
        w.Count(page->m_curves.size());
        for (const auto& c : page->m_curves)
            WriteCurve(w, *c, curveClass);
    }
    return {};
}

std::string ReadTaskFile(std::string_view bytes, PageList& pages)
{
    pages.clear();
    if (bytes.empty())
        return {};
    Reader in(bytes);
    ClassMap map;
    try {
        const size_t count = in.Count(MIN_PAGE_BYTES);
        PageList read;
        read.reserve(count);
        for (size_t i = 0; i < count; ++i) {
            map.ReadTag(in, Kind::PageClass);
            auto page = std::make_unique<COnePage>();
            page->m_maxX = in.Int();
            page->m_minX = in.Int();
            page->m_maxY = in.Int();
            page->m_minY = in.Int();
            page->m_fileName = in.String();
            const size_t curves = in.Count(MIN_CURVE_BYTES);
            page->m_curves.reserve(curves);
            for (size_t j = 0; j < curves; ++j)
                page->m_curves.push_back(ReadCurve(in, map));
            read.push_back(std::move(page));
        }
        pages = std::move(read);
        return {};
    } catch (const Failure& f) {
        return f.message;
    }
}
