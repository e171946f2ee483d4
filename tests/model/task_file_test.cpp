#include <gtest/gtest.h>

#include <random>

#include "model/page_layout.h"
#include "model/vexa_doc.h"
#include "tests/support/test_support.h"

namespace {
using namespace std::string_literals;

std::unique_ptr<COnePage> MakePage(std::string name, std::vector<std::vector<CPoint>> curves)
{
    auto page = std::make_unique<COnePage>();
    page->m_fileName = std::move(name);
    for (auto& pts : curves) {
        auto c = std::make_unique<CCurve>();
        c->m_points = std::move(pts);
        page->AddCurve(std::move(c));
    }
    page->ComputeExtents();
    return page;
}

std::string Bytes(const PageList& pages)
{
    std::string out;
    EXPECT_EQ(WriteTaskFile(pages, out), "");
    return out;
}

std::string Le32(int v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[static_cast<size_t>(i)] = static_cast<char>((static_cast<unsigned>(v) >> (8 * i)) & 0xFF);
    return s;
}

void ExpectSamePages(const PageList& a, const PageList& b)
{
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i]->m_fileName, b[i]->m_fileName);
        EXPECT_EQ(a[i]->m_maxX, b[i]->m_maxX);
        EXPECT_EQ(a[i]->m_minY, b[i]->m_minY);
        ASSERT_EQ(a[i]->m_curves.size(), b[i]->m_curves.size());
        for (size_t j = 0; j < a[i]->m_curves.size(); ++j) {
            EXPECT_EQ(a[i]->m_curves[j]->m_points, b[i]->m_curves[j]->m_points);
            EXPECT_EQ(a[i]->m_curves[j]->m_pen, b[i]->m_curves[j]->m_pen);
            EXPECT_EQ(a[i]->m_curves[j]->m_maxY, b[i]->m_curves[j]->m_maxY);
        }
    }
}
}  // namespace

TEST(TaskFile, ByteExactLayout)
{
    PageList none;
    EXPECT_EQ(Bytes(none), "\x00\x00"s);

    PageList one;
    one.push_back(MakePage("a.plt", {{{0, 0}, {400, 400}}}));
    const std::string expected = "\x01\x00"s + "\xFF\xFF\x01\x00\x08\x00"s + "COnePage" + Le32(400) + Le32(0) + Le32(400)
                                 + Le32(0) + "\x05" + "a.plt" + "\x01\x00"s + "\xFF\xFF\x01\x00\x06\x00"s + "CCurve"
                                 + "\x04KRUM" + Le32(1) + Le32(400) + Le32(400) + Le32(0) + Le32(0) + "\x02\x00"s
                                 + Le32(0) + Le32(0) + Le32(400) + Le32(400);
    EXPECT_EQ(Bytes(one), expected);

    // Later jobs and curves refer to their classes by map index: COnePage is
    // 1, the first job 2, CCurve 3.
    PageList two;
    two.push_back(MakePage("a", {{{0, 0}, {1, 1}}, {{2, 2}, {3, 3}}}));
    two.push_back(MakePage("b", {{{0, 0}, {1, 1}}}));
    const std::string b = Bytes(two);
    EXPECT_NE(b.find("\x03\x80\x04KRUM"s), std::string::npos);
    EXPECT_NE(b.find("\x01\x80"s + Le32(1)), std::string::npos);
}

TEST(TaskFile, LongPrefixesAndCounts)
{
    PageList pages;
    std::vector<CPoint> many(70000);
    for (size_t i = 0; i < many.size(); ++i)
        many[i] = {static_cast<int>(i), -static_cast<int>(i)};
    pages.push_back(MakePage(std::string(300, 'n'), {many}));
    const std::string b = Bytes(pages);
    EXPECT_NE(b.find("\xFF\x2C\x01"s + std::string(300, 'n')), std::string::npos) << "FF, then the 16-bit length";
    EXPECT_NE(b.find("\xFF\xFF"s + Le32(70000)), std::string::npos) << "FF FF, then the 32-bit count";
    PageList back;
    ASSERT_EQ(ReadTaskFile(b, back), "");
    ExpectSamePages(pages, back);

    PageList longName;
    longName.push_back(MakePage(std::string(70000, 'x'), {{{0, 0}, {1, 1}}}));
    PageList back2;
    ASSERT_EQ(ReadTaskFile(Bytes(longName), back2), "");
    EXPECT_EQ(back2[0]->m_fileName.size(), 70000u);
}

// Each side of each length escape: the file differs from a small one only in
// the length prefix and what follows it, and reads back whole. A writer off
// by one at an escape makes a saved list unreadable.
TEST(TaskFile, LengthEscapesAtTheirBoundaries)
{
    const struct {
        bool curve;  // the length is the point count of a curve, else the bytes of a job's name
        size_t n;
        std::string prefix;
    } cases[] = {
        {false, 254, "\xFE"s},
        {false, 255, "\xFF\xFF\x00"s},
        {false, 256, "\xFF\x00\x01"s},
        {false, 65533, "\xFF\xFD\xFF"s},
        {false, 65534, "\xFF\xFF\xFF\xFE\xFF\x00\x00"s},  // FF FE FF would announce a wide string
        {false, 65535, "\xFF\xFF\xFF\xFF\xFF\x00\x00"s},
        {true, 65534, "\xFE\xFF"s},
        {true, 65535, "\xFF\xFF\xFF\xFF\x00\x00"s},
        {true, 65536, "\xFF\xFF\x00\x00\x01\x00"s},
    };
    PageList small;
    small.push_back(MakePage("x", {{{0, 0}, {1, 1}}}));
    const std::string smallBytes = Bytes(small);
    for (const auto& c : cases) {
        SCOPED_TRACE((c.curve ? "points " : "name bytes ") + std::to_string(c.n));
        std::string name = "x";
        std::vector<CPoint> points = {{0, 0}, {1, 1}};
        std::string expected;
        size_t at = 0;
        if (c.curve) {
            points.resize(c.n);
            // Alternating points keep the extents of the small file's curve.
            std::string pointBytes;
            for (size_t i = 0; i < c.n; ++i) {
                const int v = static_cast<int>(i % 2);
                points[i] = {v, v};
                pointBytes += Le32(v) + Le32(v);
            }
            at = smallBytes.size() - 2 - 2 * 8;  // the curve's count and its points end the file
            expected = smallBytes.substr(0, at) + c.prefix + pointBytes;
        } else {
            name.assign(c.n, 'n');
            at = smallBytes.find("\x01x"s);
            ASSERT_NE(at, std::string::npos);
            expected = smallBytes.substr(0, at) + c.prefix + name + smallBytes.substr(at + 2);
        }
        PageList pages;
        pages.push_back(MakePage(name, {points}));
        const std::string b = Bytes(pages);
        EXPECT_EQ(b.substr(at, c.prefix.size()), c.prefix);
        ASSERT_EQ(b.size(), expected.size());
        EXPECT_TRUE(b == expected);
        PageList back;
        ASSERT_EQ(ReadTaskFile(b, back), "");
        ExpectSamePages(pages, back);
    }
}

TEST(TaskFile, NamesAreGbkOnDiskAndWideStringsAreRead)
{
    PageList pages;
    pages.push_back(MakePage("前片.plt", {{{0, 0}, {1, 1}}}));
    const std::string b = Bytes(pages);
    EXPECT_NE(b.find("\x08\xC7\xB0\xC6\xAC.plt"s), std::string::npos);

    // The same job with its name stored as a wide string: FF FE FF, length, UTF-16.
    std::string wide = b;
    const size_t at = wide.find("\x08\xC7\xB0"s);
    wide.replace(at, 9, "\xFF\xFE\xFF\x06"s + "\x4D\x52\x47\x72.\x00p\x00l\x00t\x00"s);
    PageList back;
    ASSERT_EQ(ReadTaskFile(wide, back), "");
    EXPECT_EQ(back[0]->m_fileName, "前片.plt");

    PageList bad;
    bad.push_back(MakePage("\xF0\x9F\x98\x80.plt", {{{0, 0}, {1, 1}}}));  // an emoji GBK lacks
    std::string out;
    EXPECT_NE(WriteTaskFile(bad, out), "");
}

TEST(TaskFile, LoadedJobsStartFresh)
{
    CVexaDoc doc;
    doc.AddPage(MakePage("a.plt", {{{0, 0}, {400, 0}}}));
    doc.GetPage(0)->m_copies = 4;
    doc.GetPage(0)->m_autoState = AUTO_STATE_YES;
    doc.GetPage(0)->m_startAt = 30;
    doc.GetPage(0)->m_curves[0]->m_selected = 1;
    vexa::test::TempDir dir;
    const std::string path = dir.file("list.vxtask");
    ASSERT_EQ(doc.SaveTaskFile(path), "");
    CVexaDoc loaded;
    ASSERT_EQ(loaded.LoadTaskFile(path), "");
    ASSERT_EQ(loaded.GetPageCount(), 1);
    EXPECT_EQ(loaded.GetPage(0)->m_copies, 1);
    EXPECT_EQ(loaded.GetPage(0)->m_autoState, AUTO_STATE_NO);
    EXPECT_EQ(loaded.GetPage(0)->m_startAt, 0);
    EXPECT_EQ(loaded.GetPage(0)->m_curves[0]->m_selected, 0);
    ExpectSamePages(doc.m_pages, loaded.m_pages);

    // A 0-byte file changes nothing.
    vexa::test::WriteFile(path, "");
    ASSERT_EQ(loaded.LoadTaskFile(path), "");
    EXPECT_EQ(loaded.GetPageCount(), 1);
}

TEST(TaskFile, DamagedFilesAreRefusedAndChangeNothing)
{
    PageList pages;
    pages.push_back(MakePage("a.plt", {{{0, 0}, {400, 0}, {400, 400}}, {{5, 5}, {6, 6}}}));
    pages.push_back(MakePage("b.plt", {{{1, 2}, {3, 4}}}));
    const std::string good = Bytes(pages);

    vexa::test::TempDir dir;
    const std::string path = dir.file("x.vxtask");
    CVexaDoc doc;
    doc.AddPage(MakePage("keep.plt", {{{0, 0}, {1, 1}}}));
    // Every proper prefix (but the empty file) is refused.
    for (size_t n = 1; n < good.size(); ++n) {
        vexa::test::WriteFile(path, good.substr(0, n));
        ASSERT_NE(doc.LoadTaskFile(path), "") << n;
        ASSERT_EQ(doc.GetPageCount(), 1);
        ASSERT_EQ(doc.GetPage(0)->m_fileName, "keep.plt");
    }
    // Random flips either load or are refused, never crash; refusals change nothing.
    std::mt19937 rng(9);
    for (int round = 0; round < 2000; ++round) {
        std::string bad = good;
        for (int k = 0; k < 3; ++k)
            bad[rng() % bad.size()] = static_cast<char>(rng());
        PageList out;
        if (!ReadTaskFile(bad, out).empty()) {
            EXPECT_TRUE(out.empty());
        }
    }

    auto refused = [](std::string bytes) {
        PageList out;
        return ReadTaskFile(bytes, out);
    };
    std::string unknown = good;
    unknown.replace(unknown.find("COnePage"), 8, "CMyClass");
    EXPECT_NE(refused(unknown).find("unknown class"), std::string::npos);
    std::string schema = good;
    schema[4] = 2;
    EXPECT_NE(refused(schema).find("schema"), std::string::npos);
    std::string tag = good;
    tag.replace(tag.find("\x01\x80"s, 10), 2, "\x09\x80"s);
    EXPECT_NE(refused(tag).find("names no class"), std::string::npos);
    EXPECT_NE(refused("\xFF\xFF\xFF\xFF\xFF\x7F"s).find("larger than the rest"), std::string::npos);
    EXPECT_NE(refused("\x01\x00\x02\x00"s + std::string(40, '\0')).find("where a class was expected"), std::string::npos);
    // A curve tag where a job belongs.
    std::string swapped = good;
    swapped.replace(swapped.find("\x01\x80"s, 10), 2, "\x03\x80"s);
    EXPECT_NE(refused(swapped).find("where a job was expected"), std::string::npos);
}

TEST(JobList, Operations)
{
    CVexaDoc doc;
    for (const char* name : {"a", "b", "c", "d"})
        doc.AddPage(MakePage(name, {{{0, 0}, {1, 1}}}));
    auto names = [&] {
        std::string s;
        for (const auto& p : doc.m_pages)
            s += p->m_fileName;
        return s;
    };
    doc.MovePageToFront(2, false);
    EXPECT_EQ(names(), "cabd");
    doc.MovePageToFront(3, true);
    EXPECT_EQ(names(), "cdab") << "behind the printing job";
    doc.MovePageToFront(0, false);
    doc.MovePageToFront(9, false);
    EXPECT_EQ(names(), "cdab");
    doc.InsertPage(1, MakePage("x", {{{0, 0}, {1, 1}}}));
    doc.InsertPage(99, MakePage("y", {{{0, 0}, {1, 1}}}));
    EXPECT_EQ(names(), "cxdaby");
    doc.RemovePage(1);
    doc.RemovePage(7);
    doc.RemovePage(-1);
    EXPECT_EQ(names(), "cdaby");
    EXPECT_EQ(doc.GetPage(5), nullptr);
    doc.RemoveAllPages();
    EXPECT_EQ(doc.GetPageCount(), 0);
}

TEST(JobList, SplitByLength)
{
    // A job of 250 mm split at 100 mm: two jobs of 100 mm ahead, the 50 mm rest in place.
    CVexaDoc doc;
    doc.AddPage(MakePage("other", {{{0, 0}, {1, 1}}}));
    doc.AddPage(MakePage("long", {{{0, 0}, {10000, 1000}}}));
    doc.GetPage(1)->m_copies = 3;
    ASSERT_EQ(SplitByLength(doc, 1, 100, false), "");
    ASSERT_EQ(doc.GetPageCount(), 4);
    EXPECT_EQ(doc.GetPage(0)->m_maxX, 4000);
    EXPECT_EQ(doc.GetPage(1)->m_maxX, 4000);
    EXPECT_EQ(doc.GetPage(0)->m_copies, 1);
    EXPECT_EQ(doc.GetPage(2)->m_fileName, "other");
    EXPECT_EQ(doc.GetPage(3)->m_maxX, 2000);
    EXPECT_EQ(doc.GetPage(3)->m_copies, 3) << "the remainder keeps its own";
    EXPECT_EQ(doc.GetPage(1)->m_curves[0]->m_points, (std::vector<CPoint>{{0, 400}, {4000, 800}}));

    // While a job prints, the pieces go behind it, and the printing job is never split.
    CVexaDoc printing;
    printing.AddPage(MakePage("printing", {{{0, 0}, {10000, 0}}}));
    printing.AddPage(MakePage("long", {{{0, 0}, {8000, 0}}}));
    EXPECT_EQ(SplitByLength(printing, 0, 100, true), MSG_SPLIT_PRINTING_JOB);
    ASSERT_EQ(SplitByLength(printing, 1, 100, true), "");
    ASSERT_EQ(printing.GetPageCount(), 4);
    EXPECT_EQ(printing.GetPage(0)->m_fileName, "printing");
    EXPECT_EQ(printing.GetPage(3)->m_curves.size(), 0u) << "an exact multiple leaves the rest empty";
    EXPECT_EQ(SplitByLength(printing, 0, 99, false), MSG_SPLIT_TOO_SHORT);
}

TEST(JobList, ExportReadsBackAsTheSamePaths)
{
    CVexaDoc doc;
    doc.AddPage(MakePage("a", {{{0, 0}, {400, 0}}, {{400, 0}, {400, 400}}}));
    doc.AddPage(MakePage("b", {{{-40, 0}, {40, 0}}}));
    vexa::test::TempDir dir;
    ASSERT_EQ(doc.ExportHpgl(dir.file("out.plt")), "");
    EXPECT_EQ(vexa::test::ReadFile(dir.file("out.plt")),
              "INPA;SP1;PU0,0;PD0,0,400,0;PU400,0;PD400,0,400,400;PG;SP1;PU-40,0;PD-40,0,40,0;PG;");
}
