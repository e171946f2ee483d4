#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hpgl/hpgl_file.h"
#include "model/one_page.h"
#include "tests/support/test_support.h"

namespace {
using Curves = std::vector<std::vector<CPoint>>;

// Pads short inputs to the reader's minimum size with trailing spaces, which
// the reader ignores outside a label.
std::string Padded(std::string s)
{
    if (s.size() < MIN_HPGL_FILE_SIZE)
        s.append(MIN_HPGL_FILE_SIZE - s.size(), ' ');
    return s;
}

struct Parsed {
    int result = 0;
    Curves curves;
    std::unique_ptr<CHpglFile> file = std::make_unique<CHpglFile>();
};

Parsed Parse(const std::string& text)
{
    Parsed p;
    p.result = p.file->ReadBuffer(Padded(text), "t.plt");
    if (p.result == HPGL_OK) {
        COnePage page;
        p.file->FillPage(page);
        for (const auto& c : page.m_curves)
            p.curves.push_back(c->m_points);
    }
    return p;
}

Curves CurvesOf(const std::string& text)
{
    return Parse(text).curves;
}
}  // namespace

TEST(HpglReader, PenMovesMakeCurves)
{
    EXPECT_EQ(CurvesOf("IN;PU0,0;PD400,0,400,400;PU;"), (Curves{{{0, 0}, {400, 0}, {400, 400}}}));
    // The second PD starts with a pen-up move to where the first ended.
    EXPECT_EQ(CurvesOf("PU0,0;PD400,0;PD400,400;"), (Curves{{{0, 0}, {400, 0}, {400, 0}, {400, 400}}}));
    // A pen-up move elsewhere starts a new curve.
    EXPECT_EQ(CurvesOf("PU0,0;PD10,0;PU50,50;PD60,50;"), (Curves{{{0, 0}, {10, 0}}, {{50, 50}, {60, 50}}}));
    // PA with the pen up only moves; with the pen down it draws through every pair.
    EXPECT_EQ(CurvesOf("PA100,100;PD;PA100,100,200,100;"), (Curves{{{100, 100}, {100, 100}, {200, 100}}}));
    EXPECT_EQ(CurvesOf("PU10,20,30;PD40,50;"), (Curves{{{20, 30}, {40, 50}}})) << "PU uses its last pair";
}

TEST(HpglReader, OddOrOutOfRangeCoordinatesAreInvalidArguments)
{
    CHpglFile f;
    EXPECT_THROW(f.ReadBuffer("PD10,20,30;", "t"), HpglInvalidArgument);
    EXPECT_THROW(f.ReadBuffer("PU;PA1,2,3;PD;PA1,2,3;", "t"), HpglInvalidArgument);
    EXPECT_THROW(f.ReadBuffer("PU0,0;PD2147483648,0;", "t"), HpglInvalidArgument);
    EXPECT_THROW(f.ReadBuffer("PU-2147483649,0;", "t"), HpglInvalidArgument);
    // The edges of the range, and the design's guard for absurd values.
    EXPECT_EQ(CurvesOf("PU2147483647,-2147483648;PD1,1;"), (Curves{{{2147483647, -2147483648}, {1, 1}}}));
    EXPECT_EQ(CurvesOf("PU0,0;PD" + std::string(80, '9') + ",5;"), (Curves{{{0, 0}, {1, 5}}}));
    // A single PD parameter draws nothing and is not an error.
    EXPECT_EQ(CurvesOf("PU1,1;PD5;PD3,3;"), (Curves{{{1, 1}, {3, 3}}}));
}

TEST(HpglReader, ParametersRoundHalfUp)
{
    EXPECT_EQ(CurvesOf("PU2.5,-2.5;PD-2.6,0.49;"), (Curves{{{3, -2}, {-3, 0}}}));
    // Number runs convert like the C library: the longest valid prefix.
    EXPECT_EQ(CurvesOf("PU5-3,-;PD+.5,-.5;"), (Curves{{{5, 0}, {1, 0}}}));
    EXPECT_EQ(CurvesOf("PU1.2.3,4..5;PD0,0;"), (Curves{{{1, 4}, {0, 0}}}));
}

TEST(HpglReader, PageAdvancePlacesFramesBehindEachOther)
{
    EXPECT_EQ(CurvesOf("PU0,0;PD4000,0;PG;PU0,0;PD100,100;"),
              (Curves{{{0, 0}, {4000, 0}}, {{4000, 0}, {4100, 100}}}));
    // Without a move after PG the path starts at the pen position plus the offset.
    EXPECT_EQ(CurvesOf("PU0,0;PD4000,0;PG;PD100,100;"), (Curves{{{0, 0}, {4000, 0}}, {{8000, 0}, {4100, 100}}}));
    // FR is a page advance too; offsets accumulate over frames.
    EXPECT_EQ(CurvesOf("PU0,0;PD10,0;FR;PU0,0;PD10,0;PG;PU0,0;PD10,0;"),
              (Curves{{{0, 0}, {10, 0}}, {{10, 0}, {20, 0}}, {{20, 0}, {30, 0}}}));
    // A page advance before any curve leaves the offset at 0.
    EXPECT_EQ(CurvesOf("PG;PU5,0;PD10,0;"), (Curves{{{5, 0}, {10, 0}}}));
}

TEST(HpglReader, TokeniserToleratesRealCadOutput)
{
    // Lower case, no semicolons, spaces and CR/LF as separators.
    EXPECT_EQ(CurvesOf("in sp1 pu 0 0 pd 10 0\r\n 10\r\n10 pu"), (Curves{{{0, 0}, {10, 0}, {10, 10}}}));
    EXPECT_EQ(CurvesOf("IN;PU0,0PD10,0,10,10PU;"), (Curves{{{0, 0}, {10, 0}, {10, 10}}}));
    // A non-letter between the two letters of a mnemonic drops the first.
    EXPECT_EQ(CurvesOf("PU0,0;P;PD5,5;X1PD7,7;"), (Curves{{{0, 0}, {5, 5}, {5, 5}, {7, 7}}}));
    // ESC skips the next four bytes, whatever they are.
    EXPECT_EQ(CurvesOf("PU0,0;\x1B;PD9PD5,5;"), (Curves{{{0, 0}, {5, 5}}}));
    EXPECT_EQ(CurvesOf("PU0,0;PD1,1\x1B" "ABCDPD5,5;"), (Curves{{{0, 0}, {1, 1}, {1, 1}, {5, 5}}}));
    // Unknown mnemonics take numbers and do nothing.
    EXPECT_EQ(CurvesOf("PU0,0;VS10;ZZ1,2,3;PD5,5;"), (Curves{{{0, 0}, {5, 5}}}));
}

TEST(HpglReader, EndOfFileCompletesTheInstructionInProgress)
{
    EXPECT_EQ(CurvesOf("PU0,0;PD10,20"), (Curves{{{0, 0}, {10, 20}}}));
    EXPECT_EQ(Parse("PU0,0;LBX\x03").file->LabelCount(), 1u);
    EXPECT_EQ(Parse("PU0,0;LBXYZ").file->LabelCount(), 1u);
    EXPECT_EQ(Parse("PU0,0;LBX\x03L").file->LabelCount(), 1u);
    EXPECT_EQ(CurvesOf("PU0,0;PD10,20;"), CurvesOf("PU0,0;PD10,20;;;;;"));
}

TEST(HpglReader, SizeLimitsAndOpenFailures)
{
    CHpglFile f;
    EXPECT_EQ(f.ReadBuffer(std::string(9, ' '), "t"), HPGL_BAD_SIZE);
    EXPECT_EQ(f.ReadBuffer(std::string(10, ' '), "t"), HPGL_OK);
    EXPECT_EQ(f.ReadBuffer(std::string(MAX_HPGL_FILE_SIZE + 1, ' '), "t"), HPGL_BAD_SIZE);

    vexa::test::TempDir dir;
    f.m_path = dir.file("missing.plt");
    EXPECT_EQ(f.Read(), HPGL_CANNOT_OPEN);
    f.m_path = dir.path().string();
    EXPECT_EQ(f.Read(), HPGL_CANNOT_OPEN) << "a directory is not a file";
    f.m_path = dir.file("short.plt");
    vexa::test::WriteFile(f.m_path, "PU0,0;PD");
    EXPECT_EQ(f.Read(), HPGL_BAD_SIZE);
    f.m_path = dir.file("max.plt");
    vexa::test::WriteFile(f.m_path, std::string(MAX_HPGL_FILE_SIZE, ';'));
    EXPECT_EQ(f.Read(), HPGL_OK);
    EXPECT_EQ(f.m_fileName, "max.plt");
}

TEST(HpglReader, NumberAfterDfStopsReading)
{
    CHpglFile f;
    EXPECT_EQ(f.ReadBuffer("PU0,0;PD1,1;DF5;PD3,3;", "t"), HPGL_NUMBER_AFTER_DF);
    EXPECT_EQ(f.ReadBuffer("PU0,0;PD1,1;DF;PD3,3;", "t"), HPGL_OK);
    // DF runs as soon as a letter follows, and marks a line type record.
    EXPECT_EQ(f.ReadBuffer("PU0,0;PD1,1;DF PD3,3;", "t"), HPGL_OK);
    EXPECT_EQ(f.Record(2).m_kind, HPGL_LINE_TYPE);
    EXPECT_EQ(f.Record(2).m_count, 0u);
    EXPECT_EQ(f.ReadBuffer("DF;IN;PU0,0;PD1,1;", "t"), HPGL_OK);
    EXPECT_EQ(f.Record(0).m_kind, HPGL_PEN_UP_MOVE) << "no line type record while there are no records";
}

TEST(HpglReader, LabelSettings)
{
    auto file = [](const std::string& text) { return std::move(Parse(text).file); };
    auto f = file("SI0.5,1;");
    EXPECT_EQ(f->m_charWidth, 0.5);
    EXPECT_EQ(f->m_charHeight, 1.0);
    f = file("SI0.5,1;SI;");
    EXPECT_EQ(f->m_charWidth, 0.285);
    EXPECT_EQ(f->m_charHeight, 0.375);

    EXPECT_EQ(file("LO10;")->m_labelOrigin, 1);
    EXPECT_EQ(file("LO25;")->m_labelOrigin, 1);
    EXPECT_EQ(file("LO0;  ")->m_labelOrigin, 1);
    EXPECT_EQ(file("LO14;")->m_labelOrigin, 14);
    EXPECT_EQ(file("LO14;LO;")->m_labelOrigin, 1);
    EXPECT_EQ(file("LO18.6;")->m_labelOrigin, 19);

    EXPECT_EQ(file("DI0,-1;")->m_direction, 90.0);
    EXPECT_EQ(file("DI-1,0;")->m_direction, 0.0);
    EXPECT_NEAR(file("DI1,1;")->m_direction, 45.0, 1e-9);
    EXPECT_EQ(file("DI0,1;DI0,0;")->m_direction, 90.0) << "both zero: unchanged";
    EXPECT_EQ(file("DI0,1;DI;")->m_direction, 0.0);
    EXPECT_EQ(file("DR0,1;")->m_direction, 90.0);
    EXPECT_EQ(file("DR0,1;DR1,1;")->m_direction, 90.0);
    EXPECT_EQ(file("DR0,1;DR1;")->m_direction, 90.0);
    EXPECT_EQ(file("DR0,1;DR;")->m_direction, 0.0);
    EXPECT_EQ(file("DR0,1;DR3,0;")->m_direction, 0.0);

    f = file("SI1,2;DI0,1;LO5;DT*,0;DF;");
    EXPECT_EQ(f->m_charHeight, 0.375);
    EXPECT_EQ(f->m_direction, 0.0);
    EXPECT_EQ(f->m_labelOrigin, 1);
    EXPECT_EQ(f->m_terminator, 0x03);
    EXPECT_EQ(f->m_terminatorMode, 1);
    f = file("PU5,5;PD;SI1,2;IN;");
    EXPECT_EQ(f->m_penX, 0);
    EXPECT_EQ(f->m_penDown, 0);
    EXPECT_EQ(f->m_charWidth, 0.285);
}

TEST(HpglReader, LabelTextAndTerminators)
{
    auto text = [](const std::string& hpgl) { return Parse(hpgl).file->m_labelText; };
    EXPECT_EQ(text("DT*,0;LBAB*"), "AB*");
    EXPECT_EQ(text("DT*;LBAB*  "), "AB");
    EXPECT_EQ(text("DT*;DT;LBAB*\x03"), "AB*");
    EXPECT_EQ(text("DT*,1;LBAB*  "), "AB");
    EXPECT_EQ(text("DT*,7LBAB*  "), "AB") << "a bad mode falls back to 1 and the byte is read again";
    EXPECT_EQ(text("DT*X;LBAB*  "), "AB");
    EXPECT_EQ(text("DT\x05;LBAB\x03 "), "AB") << "ENQ leaves the terminator alone";
    EXPECT_EQ(text("LBAB\x03LBCD\x03"), "ABCD");
    EXPECT_EQ(text("LBA\r\nB\xD2\xBB\x03"), "A\r\nB\xD2\xBB");
    EXPECT_EQ(text("LB" + std::string(600, 'x') + "\x03").size(), LABEL_LINE_MAX);

    Parsed p = Parse("LBAB\x03LBCD\x03");
    EXPECT_EQ(p.file->LabelCount(), 1u);
    p = Parse("LBAB\x03LXPU1,1;PD2,2;");
    EXPECT_EQ(p.file->m_labelText, "AB");
    ASSERT_FALSE(p.curves.empty());
    EXPECT_EQ(p.curves.back(), (std::vector<CPoint>{{1, 1}, {2, 2}})) << "the L after a terminator starts the next mnemonic";
    // A label does not move the pen.
    p = Parse("PU7,8;LB  \x03PD9,9;");
    EXPECT_EQ(p.curves, (Curves{{{7, 8}, {9, 9}}}));
}

TEST(HpglReader, RecordsOfLineTypeAndPenSelect)
{
    CHpglFile f;
    ASSERT_EQ(f.ReadBuffer("SP;SP2;LT;LT3,0.4;LT1,0.6;", "t"), HPGL_OK);
    ASSERT_EQ(f.RecordCount(), 5u);
    auto value = [&](size_t i) { return f.Values(f.Record(i))[0]; };
    EXPECT_EQ(f.Record(0).m_kind, HPGL_PEN_SELECT);
    EXPECT_EQ(value(0), 0);
    EXPECT_EQ(value(1), 2);
    EXPECT_EQ(f.Record(2).m_count, 0u);
    EXPECT_EQ(value(3), 0);
    EXPECT_EQ(value(4), 1);
}

TEST(HpglReader, BlockBoundariesNeverChangeTheResult)
{
    const std::string body =
        "IN;DT#,0;PU-12345.678,+98765;PD1000,2000,3000.5,-4000LB\xB0\xA1label#LBmore#PU17,19;PD1,2;DF;"
        "PA5,6;pd7,8;\x1B" "1234PU1,1PD2,2;";
    CHpglFile reference;
    ASSERT_EQ(reference.ReadBuffer(body, "t"), HPGL_OK);
    COnePage refPage;
    reference.FillPage(refPage);
    // Shift the body across the 1000-byte block boundary one byte at a time.
    for (size_t pad = 1000 - body.size(); pad <= 1000; ++pad) {
        CHpglFile f;
        ASSERT_EQ(f.ReadBuffer(std::string(pad, ' ') + body, "t"), HPGL_OK);
        ASSERT_EQ(f.RecordCount(), reference.RecordCount()) << pad;
        for (size_t i = 0; i < f.RecordCount(); ++i) {
            auto a = f.Values(f.Record(i));
            auto b = reference.Values(reference.Record(i));
            ASSERT_EQ(std::vector<int32_t>(a.begin(), a.end()), std::vector<int32_t>(b.begin(), b.end())) << pad;
        }
        EXPECT_EQ(f.m_labelText, reference.m_labelText) << pad;
        EXPECT_EQ(f.LabelCount(), reference.LabelCount());
    }
}

TEST(HpglReader, FileAndBufferReadTheSame)
{
    vexa::test::TempDir dir;
    std::string text = "IN;SP1;";
    for (int i = 0; i < 500; ++i)
        text += "PU" + std::to_string(i * 7) + "," + std::to_string(i) + ";PD" + std::to_string(i * 7 + 3) + ","
                + std::to_string(i * 2) + "," + std::to_string(i) + ",0;";
    CHpglFile a;
    a.m_path = dir.file("a.plt");
    vexa::test::WriteFile(a.m_path, text);
    ASSERT_EQ(a.Read(), HPGL_OK);
    CHpglFile b;
    ASSERT_EQ(b.ReadBuffer(text, "a.plt"), HPGL_OK);
    COnePage pa, pb;
    a.FillPage(pa);
    b.FillPage(pb);
    EXPECT_EQ(pa.m_fileName, "a.plt");
    ASSERT_EQ(pa.m_curves.size(), pb.m_curves.size());
    ASSERT_EQ(pa.m_curves.size(), 500u);
    for (size_t i = 0; i < pa.m_curves.size(); ++i)
        EXPECT_EQ(pa.m_curves[i]->m_points, pb.m_curves[i]->m_points);
}
