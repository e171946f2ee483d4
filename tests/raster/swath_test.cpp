#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "app/settings.h"
#include "model/one_page.h"
#include "raster/head_split.h"
#include "raster/swath_build.h"
#include "raster/swath_decoder.h"

namespace {
// Machine parameters for one test, restored afterwards.
class RasterTest : public ::testing::Test {
protected:
    void SetUp() override { Set(0, 2, 176, 1, 0, 0); }
    void TearDown() override
    {
        Set(0, 2, 176, 1, 0, 0);
        g_plotPage.RemoveAllCurves();
        ClearSwathBuffers();
    }
    static void Set(int mode, int overlap, int h, int lineWidth, int resolution, int onRight)
    {
        g_settings.m_headMode = mode;
        g_settings.m_headOverlap = overlap;
        g_settings.m_head2Position = h;
        g_settings.m_lineWidth = lineWidth;
        g_settings.m_resolution = resolution;
        g_settings.m_cartridge1OnRight = onRight;
    }
    static void Page(std::vector<std::vector<CPoint>> curves)
    {
        g_plotPage.RemoveAllCurves();
        for (auto& pts : curves) {
            auto c = std::make_unique<CCurve>();
            c->m_points = std::move(pts);
            g_plotPage.AddCurve(std::move(c));
        }
        g_plotPage.ComputeExtents();
    }
    static std::vector<uint8_t> Stream()
    {
        const auto* b = reinterpret_cast<const uint8_t*>(g_swathStream);
        return {b, b + g_swathStreamBytes};
    }
    static void SetDot(int row, int dot)
    {
        g_swathBitmap[row * SWATH_BITMAP_STRIDE + dot / 8] |= static_cast<uint8_t>(0x80 >> (dot % 8));
        g_swathRowInk[row] = 1;
    }
};

// The swath the plain way: every curve drawn, every row converted step by
// step and placed, every word compressed one by one.
std::vector<uint8_t> ReferenceSwath(int n)
{
    const int rows = g_swathRows;
    std::vector<uint8_t> bitmap(static_cast<size_t>(rows) * 40);
    vexa::SwathCanvas canvas;
    canvas.bits = bitmap.data();
    canvas.rows = rows;
    DrawSwathCurves(canvas, n * SwathWidth());
    // The reference row conversion reads g_swathBitmap.
    std::memcpy(g_swathBitmap, bitmap.data(), bitmap.size());
    const int h = g_settings.m_head2Position;
    std::vector<uint8_t> records(static_cast<size_t>(rows + h + 30) * 44);
    for (int i = 0; i < rows; ++i) {
        ConvertRow(i);
        const bool delayFirst = g_settings.m_headMode == 0 && g_settings.m_cartridge1OnRight != 0;
        std::memcpy(&records[static_cast<size_t>(30 + i + (delayFirst ? h : 0)) * 44], g_head1Bytes, 22);
        std::memcpy(&records[static_cast<size_t>(30 + i + (delayFirst ? 0 : h)) * 44 + 22], g_head2Bytes, 22);
    }
    std::memset(g_swathBitmap, 0, bitmap.size());
    std::vector<uint8_t> out;
    auto put = [&](uint16_t w) {
        out.push_back(static_cast<uint8_t>(w));
        out.push_back(static_cast<uint8_t>(w >> 8));
    };
    unsigned z = 0;
    for (size_t k = 0; k < static_cast<size_t>(rows + 30) * 22; ++k) {
        const auto w = static_cast<uint16_t>(records[2 * k] | records[2 * k + 1] << 8);
        if (w == 0) {
            if (++z == 65000) {
                put(0);
                put(65000);
                z = 0;
            }
        } else {
            if (z) {
                put(0);
                put(static_cast<uint16_t>(z));
                z = 0;
            }
            put(w);
        }
    }
    if (z) {
        put(0);
        put(static_cast<uint16_t>(z));
    }
    return out;
}

std::vector<uint8_t> FastSwath(int n)
{
    BuildSwath(n);
    CompressSwath();
    const auto* b = reinterpret_cast<const uint8_t*>(g_swathStream);
    return {b, b + g_swathStreamBytes};
}
}  // namespace

TEST_F(RasterTest, SwathCountAndRows)
{
    Page({{{0, 0}, {4000, 40000}}});
    EXPECT_EQ(SwathWidth(), 298);
    EXPECT_EQ(ComputeSwathCount(), 5);  // b = 1202
    EXPECT_EQ(g_swathRows, 7297);       // 176 + 7089 + 32

    // A page at the origin only: no swaths, the rows stay.
    Page({{{0, 0}, {0, 0}}});
    EXPECT_EQ(ComputeSwathCount(), 0);
    EXPECT_EQ(g_swathRows, 7297);
    // A line along the carriage at X = 0 still has one swath of 2 * line width dots.
    Page({{{0, 0}, {0, 400}}});
    EXPECT_EQ(ComputeSwathCount(), 1);

    Set(1, 2, 176, 1, 0, 0);
    Page({{{0, 0}, {500, 0}}});
    EXPECT_EQ(ComputeSwathCount(), 2);  // b = 152 over 150

    // Line width 0: no margins.
    Set(1, 2, 176, 0, 0, 0);
    Page({{{0, 0}, {500, 4000}}});
    EXPECT_EQ(ComputeSwathCount(), 1);  // b = 150
    EXPECT_EQ(g_swathRows, 176 + 709 + 32);
    // 150 dpi: the graphic's share of the rows is 150/180 of it.
    Set(1, 2, 176, 0, 1, 0);
    ComputeSwathCount();
    EXPECT_EQ(g_swathRows, 176 + 591 + 32);
}

TEST_F(RasterTest, DotsLandInTheirSwath)
{
    // Grid dots 149 and 150 (X 496.67 and 500) with line width 1 and one
    // cartridge land in swath 1 at bitmap dots 0 and 1.
    Set(1, 2, 176, 1, 0, 0);
    Page({{{497, 0}, {500, 0}, {510, 0}}});  // grid 149, 150, 153
    ASSERT_EQ(ComputeSwathCount(), 2);
    BuildSwath(0);
    // Swath 0 draws them too, beyond its 150 dots, where they are never read.
    for (int d = 0; d < 150; ++d)
        EXPECT_FALSE(g_swathBitmap[1 * 40 + d / 8] & (0x80 >> (d % 8))) << d;
    BuildSwath(1);
    EXPECT_EQ(g_swathBitmap[1 * 40], 0xF0) << "dots 0 .. 3 of row 1 (the end dot 4 is not inked)";
}

TEST_F(RasterTest, NozzleBytes)
{
    g_swathRows = 10;
    auto bytesFor = [&](int mode, int overlap, std::initializer_list<int> dots) {
        Set(mode, overlap, 176, 1, 0, 0);
        ClearSwathBuffers();
        for (int d : dots)
            SetDot(0, d);
        ConvertRow(0);
        return std::make_pair(std::vector<uint8_t>(g_head1Bytes, g_head1Bytes + 22),
                              std::vector<uint8_t>(g_head2Bytes, g_head2Bytes + 22));
    };
    auto only = [](int byte, uint8_t value) {
        std::vector<uint8_t> v(22);
        v[static_cast<size_t>(byte)] = value;
        return v;
    };
    const std::vector<uint8_t> zero(22);
    EXPECT_EQ(bytesFor(0, 2, {0}).first, only(0, 0x01));
    EXPECT_EQ(bytesFor(0, 2, {21}).first, only(7, 0x02));
    EXPECT_EQ(bytesFor(0, 2, {149}).first, only(13, 0x40));
    EXPECT_EQ(bytesFor(0, 2, {150}).second, only(8, 0x01)) << "cartridge 2's nozzle 2";
    EXPECT_EQ(bytesFor(0, 2, {148}), std::make_pair(only(20, 0x40), zero));
    EXPECT_EQ(bytesFor(0, 0, {150}).second, only(0, 0x01)) << "no overlap: nozzle 0";
    EXPECT_EQ(bytesFor(0, 2, {298, 299}).second, zero) << "past the swath width";
    EXPECT_EQ(bytesFor(2, 2, {5}), std::make_pair(zero, only(NozzleByte(5), static_cast<uint8_t>(1 << NozzleBit(5)))));

    std::vector<int> all(320);
    for (int d = 0; d < 320; ++d)
        all[static_cast<size_t>(d)] = d;
    Set(1, 2, 176, 1, 0, 0);
    ClearSwathBuffers();
    for (int d : all)
        SetDot(0, d);
    ConvertRow(0);
    for (int r = 0; r < 22; ++r) {
        const uint8_t expected = (r == 6 || r == 21) ? 0x3F : (r == 7 || r == 14) ? 0x7E : 0x7F;
        EXPECT_EQ(g_head1Bytes[r], expected) << r;
        EXPECT_EQ(g_head2Bytes[r], 0) << r;
    }
}

TEST_F(RasterTest, StreamsOfBlankAndSingleDotSwaths)
{
    g_swathRows = 7297;
    ClearSwathBuffers();
    SplitAndPackRows();
    CompressSwath();
    EXPECT_EQ(Stream(), (std::vector<uint8_t>{0, 0, 0xE8, 0xFD, 0, 0, 0xE8, 0xFD, 0, 0, 0xDA, 0x79}));

    for (int onRight : {0, 1}) {
        Set(0, 2, 176, 1, 0, onRight);
        ClearSwathBuffers();
        SetDot(0, 0);
        SplitAndPackRows();
        const int record = onRight ? 30 + 176 : 30;
        EXPECT_EQ(g_swathRecords[record * 44], 0x01) << onRight;
        CompressSwath();
        const std::vector<uint8_t> s = Stream();
        const uint16_t lead = static_cast<uint16_t>(record * 22);
        EXPECT_EQ(std::vector<uint8_t>(s.begin(), s.begin() + 6),
                  (std::vector<uint8_t>{0, 0, static_cast<uint8_t>(lead), static_cast<uint8_t>(lead >> 8), 1, 0}));
    }
    // One cartridge: the delay is always on the second half; mode 2 prints there.
    Set(2, 2, 176, 1, 0, 1);
    ClearSwathBuffers();
    SetDot(0, 0);
    SplitAndPackRows();
    EXPECT_EQ(g_swathRecords[30 * 44], 0);
    EXPECT_EQ(g_swathRecords[(30 + 176) * 44 + 22], 0x01);
}

TEST_F(RasterTest, ZeroRunsAtTheirLimit)
{
    // 65,000 zero words, then a nonzero word: word 65000 is byte 130000.
    g_swathRows = 4000;
    for (size_t zeros : {size_t{65000}, size_t{65001}, size_t{64999}}) {
        ClearSwathBuffers();
        g_swathRecords[2 * zeros] = 7;
        g_swathRecordInk[2 * zeros / 44] = 1;
        CompressSwath();
        std::vector<uint16_t> words;
        ASSERT_EQ(vexa::DecodeSwathStream(Stream(), (4000 + 30) * 22, words), "");
        EXPECT_EQ(words[zeros], 7);
        const std::vector<uint8_t> s = Stream();
        if (zeros == 65000) {
            EXPECT_EQ(std::vector<uint8_t>(s.begin(), s.begin() + 6), (std::vector<uint8_t>{0, 0, 0xE8, 0xFD, 7, 0}));
        } else if (zeros == 65001) {
            EXPECT_EQ(std::vector<uint8_t>(s.begin(), s.begin() + 10),
                      (std::vector<uint8_t>{0, 0, 0xE8, 0xFD, 0, 0, 1, 0, 7, 0}));
        }
    }
    // The padding after a shorter stream is zero again.
    ClearSwathBuffers();
    CompressSwath();
    const auto* b = reinterpret_cast<const uint8_t*>(g_swathStream);
    for (int i = g_swathStreamBytes; i < 4096; ++i)
        ASSERT_EQ(b[i], 0) << i;
}

TEST_F(RasterTest, FastPathEqualsPlainRedrawAndDecodesToTheDrawing)
{
    std::mt19937 rng(31);
    for (int round = 0; round < 24; ++round) {
        const int mode = round % 3;
        const int pen = round % 4 == 3 ? 3 : (round % 5 == 4 ? 0 : 1);
        Set(mode, static_cast<int>(rng() % 4), 100 + static_cast<int>(rng() % 100), pen, round % 2,
            static_cast<int>(rng() % 2));
        std::vector<std::vector<CPoint>> curves;
        for (int c = 0; c < 12; ++c) {
            std::vector<CPoint> pts;
            CPoint p{static_cast<int>(rng() % 6000), static_cast<int>(rng() % 2000)};
            for (int k = 0; k < 2 + static_cast<int>(rng() % 30); ++k) {
                pts.push_back(p);
                p.x = std::max(0, p.x + static_cast<int>(rng() % 801) - 300);
                p.y = std::max(0, p.y + static_cast<int>(rng() % 401) - 200);
            }
            curves.push_back(pts);
        }
        curves.push_back({{0, 0}, {6000, 3}});  // one long line through every swath
        Page(curves);
        const int swaths = ComputeSwathCount();
        ASSERT_GT(swaths, 1);
        const vexa::HeadLayout layout{g_settings.m_headMode, HeadOverlap(), g_settings.m_head2Position,
                                      g_settings.m_cartridge1OnRight};
        for (int n = 0; n < swaths; ++n) {
            const std::vector<uint8_t> expected = ReferenceSwath(n);
            ASSERT_EQ(FastSwath(n), expected) << "round " << round << " swath " << n;
            // The printed dots are the drawn ones within the swath width.
            std::vector<uint16_t> words;
            ASSERT_EQ(vexa::DecodeSwathStream(expected, static_cast<size_t>(g_swathRows + 30) * 22, words), "");
            const vexa::PrintedSwath printed = vexa::PrintedDots(words, g_swathRows, layout);
            const int width = SwathWidth();
            for (int y = 0; y < g_swathRows; ++y)
                for (int x = 0; x < width; ++x)
                    ASSERT_EQ(printed.At(x, y), ((g_swathBitmap[y * 40 + x / 8] >> (7 - x % 8)) & 1) != 0)
                        << "round " << round << " swath " << n << " dot " << x << "," << y;
        }
    }
}

TEST_F(RasterTest, JobsBeyondTheBuffersAreNeverWritten)
{
    Set(0, 2, 250, 1, 0, 0);
    Page({{{0, 0}, {4000, 40000 * 4}}});  // 4 m across: far beyond 26,000 rows
    ComputeSwathCount();
    EXPECT_FALSE(SwathFitsBuffers());
    BuildSwath(0);
    CompressSwath();
    for (int i = 0; i < SWATH_CAPACITY_ROWS; ++i)
        ASSERT_EQ(g_swathRowInk[i], 0);
}

TEST_F(RasterTest, WidthCheckAtTheMachinesLength)
{
    // 180 dpi, idle travel 50 mm, no start offset, 2106 mm: available 14924,
    // needed N + 718.
    g_settings.m_idleDistance = 50;
    g_settings.m_startOffset = 0;
    g_settings.m_machineLength = 2106;
    Set(0, 2, 50, 1, 0, 0);
    g_swathRows = 14206;
    EXPECT_EQ(CheckSwathWidth(), "");
    g_swathRows = 14207;
    // The designed words, then the numbers in the operator's language.
    std::string message = CheckSwathWidth();
    EXPECT_TRUE(message.starts_with(MSG_BEYOND_MACHINE_WIDTH));
    EXPECT_NE(message.find("14925"), std::string::npos) << message;
    EXPECT_NE(message.find("14924"), std::string::npos) << message;
    EXPECT_NE(message.find("2106.1 mm"), std::string::npos) << message;
    g_settings.m_language = 1;
    message = CheckSwathWidth();
    EXPECT_NE(message.find("needs 14925 rows (2106.1 mm"), std::string::npos) << message;
    EXPECT_NE(message.find("allows 14924 rows"), std::string::npos) << message;
    EXPECT_NE(message.find("idle distance"), std::string::npos) << message;
    // A machine claiming 4000 mm still cannot take more rows than the buffers
    // hold, and the message says that instead.
    g_settings.m_machineLength = 4000;
    Set(0, 2, 250, 1, 0, 0);
    g_swathRows = 25720;
    EXPECT_EQ(CheckSwathWidth(), "");
    g_swathRows = 25721;
    message = CheckSwathWidth();
    EXPECT_NE(message.find("swath buffers: it needs 26001 column records"), std::string::npos) << message;
    EXPECT_EQ(message.find(MSG_BEYOND_MACHINE_WIDTH), std::string::npos);
    g_settings.m_language = 0;
    g_settings.m_machineLength = 2106;
}
