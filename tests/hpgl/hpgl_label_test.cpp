#include <gtest/gtest.h>

#include "app/settings.h"
#include "hpgl/hpgl_file.h"
#include "model/one_page.h"
#include "tests/support/test_support.h"

namespace {
using Curves = std::vector<std::vector<CPoint>>;
using vexa::test::MakeCjkFont;
using vexa::test::MakeLatinFont;
using vexa::test::ScopedFonts;
using vexa::test::TestGlyph;

// The two glyphs of the original fonts that serve as worked examples, with
// the headers those fonts had (4, 22, 7 and 16, 16).
const std::string kLatinI("\x00\x02\x0E\x08\x00\xEB\x01\x08\x00\x15\x02\x08\x08\xEB\x0E\x08\xF8\xF6\x00", 19);
const std::string kCjkOne("\x00\x02\x08\x0E\x08\x01\xE8\x02\x08\x11\xF8\x00", 12);

std::string LatinFont(std::vector<TestGlyph> extra = {})
{
    std::vector<TestGlyph> glyphs = {{0x20, 20, ""}, {'I', 9, kLatinI}};
    glyphs.insert(glyphs.end(), extra.begin(), extra.end());
    std::sort(glyphs.begin(), glyphs.end(), [](auto& a, auto& b) { return a.code < b.code; });
    return MakeLatinFont(4, 22, 7, glyphs);
}

std::string CjkFont()
{
    return MakeCjkFont(16, 16, {{0xB0A2, 0, ""}, {0xD2BB, 0, kCjkOne}});
}

Curves Draw(const std::string& hpgl, CHpglFile* out = nullptr)
{
    CHpglFile local;
    CHpglFile& f = out ? *out : local;
    std::string text = hpgl;
    if (text.size() < MIN_HPGL_FILE_SIZE)
        text.append(MIN_HPGL_FILE_SIZE - text.size(), ';');
    EXPECT_EQ(f.ReadBuffer(text, "t.plt"), HPGL_OK);
    COnePage page;
    f.FillPage(page);
    Curves curves;
    for (const auto& c : page.m_curves)
        curves.push_back(c->m_points);
    return curves;
}

class Labels : public ::testing::Test {
protected:
    ScopedFonts m_fonts{LatinFont({{'V', 9, std::string("\x02\x09\x01\x00\x00\x01\x00\x00\x01\x21\x0F\xE7", 12)},
                                   {'S', 9,
                                    std::string("\x01\x0E\x02\x01\x09\x05\x05\x00\x00\x05\x06\x07\x0A\x0B\x0C"
                                                "\x0D\x03\x99\x40\x0E\x04\x00\x40",
                                                23)}}),
                        CjkFont()};
};
}  // namespace

TEST_F(Labels, WorkedExamples)
{
    CHpglFile f;
    EXPECT_EQ(Draw("PU0,0;LBI\x03", &f), (Curves{{{0, 0}, {0, 121}}}));
    EXPECT_EQ(f.m_enHeader1, 4);
    EXPECT_EQ(f.m_hzHeader2, 16);
    EXPECT_EQ(f.LabelStrokeCount(), 1u);
    // The next character starts 9 * 16 = 144 common units on: 51.9 plotter units.
    EXPECT_EQ(Draw("PU0,0;LBII\x03"), (Curves{{{0, 0}, {0, 121}}, {{52, 0}, {52, 121}}}));
    EXPECT_EQ(Draw("PU0,0;LB\xD2\xBB\x03"), (Curves{{{131, 75}, {0, 75}}}));
    // A CJK character advances by one square cell, 150 plotter units.
    EXPECT_EQ(Draw("PU0,0;LB\xD2\xBBI\x03"), (Curves{{{131, 75}, {0, 75}}, {{150, 0}, {150, 121}}}));
}

TEST_F(Labels, MissingGlyphsAdvanceWithoutDrawing)
{
    // A pair without a glyph (or with an empty one) takes one cell.
    EXPECT_EQ(Draw("PU0,0;LB\xB0\xA1I\x03"), (Curves{{{150, 0}, {150, 121}}}));
    EXPECT_EQ(Draw("PU0,0;LB\xB0\xA2I\x03"), (Curves{{{150, 0}, {150, 121}}}));
    // A missing Latin glyph advances by the first entry's width: 320 units.
    EXPECT_EQ(Draw("PU0,0;LBZI\x03"), (Curves{{{115, 0}, {115, 121}}}));
    // A lone lead byte at the end of a line is a missing Latin glyph.
    EXPECT_EQ(Draw("PU0,0;LBI\xB0\x03"), (Curves{{{0, 0}, {0, 121}}}));
    EXPECT_EQ(Draw("PU0,0;LB\xB0\r\nI\xB0\x03"), (Curves{{{0, 150}, {0, 271}}}));
    // A lead byte takes the next byte with it, whatever it is.
    EXPECT_TRUE(Draw("PU0,0;LB\xB0I\x03").empty());
}

TEST_F(Labels, LinesAndOrigins)
{
    // LF: the next line 150 units higher in +Y, for any direction; CR alone
    // returns to the pen's x.
    EXPECT_EQ(Draw("PU0,0;LBI\nI\x03"), (Curves{{{0, 0}, {0, 121}}, {{0, 150}, {0, 271}}}));
    EXPECT_EQ(Draw("PU0,0;LBI\r\n\nI\x03"), (Curves{{{0, 0}, {0, 121}}, {{0, 300}, {0, 421}}}));
    EXPECT_EQ(Draw("PU0,0;LBI\rI\x03"), (Curves{{{0, 0}, {0, 121}}, {{0, 0}, {0, 121}}}));
    Curves rotated = Draw("PU0,0;DI0,1;LBI\nI\x03");
    ASSERT_EQ(rotated.size(), 2u);
    EXPECT_EQ(rotated[1][0].y - rotated[0][0].y, 150);

    // LO 3 with direction 90: the cell top at the pen, text along +Y, cells toward +X.
    EXPECT_EQ(Draw("PU0,0;DI0,1;LO3;LBI\x03"), (Curves{{{150, 0}, {29, 0}}}));
    // LO 5 centres an 8-byte line: back by 4 widths (456) and up by half a height (75).
    Curves centred = Draw("PU1000,1000;LO5;LBIIIIIIII\x03");
    ASSERT_EQ(centred.size(), 8u);
    EXPECT_EQ(centred[0], (std::vector<CPoint>{{544, 925}, {544, 1046}}));
    // LO 3: the cell top at the pen, so the baseline lies a height below.
    EXPECT_EQ(Draw("PU0,0;LO3;LBI\x03"), (Curves{{{0, -150}, {0, -29}}}));
    // LO 19: the reference a quarter width past the text's end and a quarter
    // height below the baseline: (-142.5, -37.5) rounds half up.
    EXPECT_EQ(Draw("PU0,0;LO19;LBI\x03")[0][0], (CPoint{-142, -187}));
    // Only 512 bytes of a label are drawn.
    EXPECT_EQ(Draw("PU0,0;LB" + std::string(600, 'I') + "\x03").size(), 512u);
}

TEST_F(Labels, StreamCommands)
{
    // V: a pen-up command 9 with two moves, then vectors: 0x21 is (2k, k)
    // with k = 16, 0x0F a zero-length vector, 0xE7 (-14k, 7k).
    EXPECT_EQ(Draw("PU0,0;LBV\x03"), (Curves{{{6, 6}, {17, 12}, {17, 12}, {-63, 52}}}));
    // S: the skip flag survives pen commands and eats a whole command 9;
    // bytes outside the format are ignored; 3 and 4 skip an operand and clear
    // the flag; then two vectors of 4k along +X. On y = 0 every line starts a
    // new path, and its pen-up move repeats the meeting point.
    CHpglFile f;
    EXPECT_EQ(Draw("PU0,0;LBS\x03", &f), (Curves{{{0, 0}, {23, 0}, {23, 0}, {46, 0}}}));
    EXPECT_EQ(f.LabelStrokeCount(), 2u);
}

TEST_F(Labels, DamagedFontsAreErrorsNotReads)
{
    CHpglFile f;
    {
        ScopedFonts fonts(LatinFont({{'B', 9, "\x01\x08\x05"}}), CjkFont());
        EXPECT_EQ(f.ReadBuffer("PU0,0;LBI\x03", "t"), HPGL_OK);
        EXPECT_THROW(f.ReadBuffer("PU0,0;LBB\x03", "t"), HpglFontError) << "operand past the stream";
    }
    {
        ScopedFonts fonts(LatinFont({{'B', 9, "\x01\x09\x05\x05"}}), CjkFont());
        EXPECT_THROW(f.ReadBuffer("PU0,0;LBB\x03", "t"), HpglFontError) << "command 9 without its end";
    }
    {
        std::string latin = LatinFont();
        latin[10 + 10 + 6] = '\x7F';  // the offset of 'I' far beyond the file
        ScopedFonts fonts(latin, CjkFont());
        EXPECT_THROW(f.ReadBuffer("PU0,0;PD1,1;", "t"), HpglFontError);
    }
    {
        std::string cjk = CjkFont();
        cjk[4] = '\xFF';  // a count larger than the file
        ScopedFonts fonts(LatinFont(), cjk);
        EXPECT_THROW(f.ReadBuffer("PU0,0;PD1,1;", "t"), HpglFontError);
    }
    {
        ScopedFonts fonts(LatinFont(), "short");
        EXPECT_THROW(f.ReadBuffer("PU0,0;PD1,1;", "t"), HpglFontError);
    }
    const std::string saved = g_settings.m_hzFontPath;
    g_settings.m_hzFontPath = "/nonexistent/fon_hz.bin";
    EXPECT_THROW(f.ReadBuffer("PU0,0;PD1,1;", "t"), HpglFontError);
    g_settings.m_hzFontPath = saved;
}

TEST_F(Labels, HugeSizesAreRefusedNotWrapped)
{
    CHpglFile f;
    EXPECT_THROW(f.ReadBuffer("SI1,1000000000000;PU0,0;LBI\x03", "t"), HpglInvalidArgument);
    EXPECT_THROW(f.ReadBuffer("PU2147483000,0;LO17;SI-100000000,1;LBI\x03", "t"), HpglInvalidArgument);
    // A zero height draws every point at the reference.
    EXPECT_EQ(Draw("SI0,0;PU5,5;LBI\x03"), (Curves{{{5, 5}, {5, 5}}}));
}

TEST(BuiltInFonts, SampleLabelsDraw)
{
    // The suite's environment extracted the built-in fonts.
    CHpglFile f;
    const Curves curves = Draw("PU0,0;SI0.3,0.4;LB\xC7\xB0\xC6\xAC M XL 2026-001\x03", &f);
    EXPECT_GT(f.LabelStrokeCount(), 20u);
    EXPECT_GT(curves.size(), 20u);
    EXPECT_EQ(f.m_enHeader1 + f.m_enHeader2, 26);
}

TEST(BuiltInFonts, SampleMarkersImportTheirLabelsAsStrokes)
{
    for (const char* name : {"small_labels.plt", "cad_quirks.plt", "two_frames.plt"}) {
        CHpglFile f;
        f.m_path = std::string(VEXA_SOURCE_DIR "/examples/") + name;
        ASSERT_EQ(f.Read(), HPGL_OK) << name;
        EXPECT_GT(f.LabelCount(), 0u) << name;
        // Every label of the samples has at least one drawn character.
        EXPECT_GE(f.LabelStrokeCount(), f.LabelCount()) << name;
    }
}
