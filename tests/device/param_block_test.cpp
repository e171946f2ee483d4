// The parameter block's layout, its conversion to and from the settings,
// and parameter files.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <sys/stat.h>

#include "app/settings.h"
#include "device/commands.h"
#include "device/param_block.h"
#include "device/param_file.h"
#include "tests/support/test_support.h"

using vexa::test::ListDirectory;
using vexa::test::ReadFile;
using vexa::test::TempDir;
using vexa::test::WriteFile;

namespace {
std::array<uint8_t, 36> Bytes36(uint8_t seed)
{
    std::array<uint8_t, 36> b{};
    for (size_t i = 0; i < b.size(); ++i)
        b[i] = static_cast<uint8_t>(seed + i * 7);
    return b;
}
}  // namespace

TEST(ParamBlock, FieldsSitAtTheirOffsetsLittleEndian)
{
    std::array<uint8_t, 36> b{};
    const double feed = 60.8;
    std::memcpy(b.data(), &feed, 8);  // the build machine is little-endian, as the wire is
    b[8] = 192;
    b[9] = 0;
    b[10] = 2;
    b[11] = 1;
    b[12] = 0x10;  // x scale 10000
    b[13] = 0x27;
    b[18] = 0xFF;  // start offset 65535
    b[19] = 0xFF;
    b[22] = 2;
    b[24] = 3;
    b[32] = 175;
    b[33] = 0xA1;
    b[35] = 0xC3;
    const ParamBlock p = ParamBlock::FromBytes(b.data());
    EXPECT_EQ(p.feedPulsesPerMm, 60.8);
    EXPECT_EQ(IpToText(p.plotterIp), "192.0.2.1");
    EXPECT_EQ(p.xScale, 10000);
    EXPECT_EQ(p.startOffset, 65535);
    EXPECT_EQ(p.headMode, 2);
    EXPECT_EQ(p.headOverlap, 3);
    EXPECT_EQ(p.startSpeed, 175);
    EXPECT_EQ(p.reserved, (std::array<uint8_t, 3>{0xA1, 0, 0xC3}));

    for (uint8_t seed : {0, 1, 77, 200}) {
        const auto bytes = Bytes36(seed);
        EXPECT_EQ(ParamBlock::FromBytes(bytes.data()).ToBytes(), bytes) << "every byte survives, NaN doubles too";
    }
    const auto wire = ParamBlock::FromBytes(b.data()).ToWire();
    EXPECT_TRUE(std::equal(b.begin(), b.end(), wire.begin()));
    EXPECT_TRUE(std::all_of(wire.begin() + 36, wire.end(), [](uint8_t v) { return v == 0; }));
}

TEST(ParamBlock, SettingsAreZeroExtendedAndTruncated)
{
    ParamBlock p;
    p.startOffset = 0xFFFF;
    p.headOverlap = 0xFF;
    p.plotterIp = 0xFFFFFFFFu;
    CSettings s;
    BlockToSettings(p, s);
    EXPECT_EQ(s.m_startOffset, 65535) << "zero-extended, never -1";
    EXPECT_EQ(s.m_headOverlap, 255);
    EXPECT_EQ(s.m_plotterIp, 0xFFFFFFFFu);

    s.m_xScale = 70000;
    s.m_yScale = -1;
    s.m_lineWidth = 300;
    ParamBlock base;
    base.reserved = {1, 2, 3};
    const ParamBlock q = SettingsToBlock(s, base);
    EXPECT_EQ(q.xScale, 4464);
    EXPECT_EQ(q.yScale, 65535);
    EXPECT_EQ(q.lineWidth, 44);
    EXPECT_EQ(q.reserved, base.reserved) << "the reserved bytes are left alone";
}

TEST(ParamBlock, ReplyLayouts)
{
    const uint8_t position[2] = {0xFF, 0xFE};
    EXPECT_EQ(PositionFromReply(position), -257);
    EXPECT_NEAR(PositionToMm(-257, 0), -36.27, 0.005);
    EXPECT_NEAR(PositionToMm(150, 1), 25.4, 1e-9);

    const uint8_t query[4] = {STATE_PLOTTING, 1, 0x34, 0x12};
    const SwathQueryReply r = SwathQueryReply::Parse(query);
    EXPECT_EQ(r.status, STATE_PLOTTING);
    EXPECT_EQ(r.notYet, 1);
    EXPECT_EQ(r.progress, 0x1234);

    EXPECT_EQ(JobHeaderPayload(14206, 70000), (std::array<uint8_t, 4>{0x7E, 0x37, 0x70, 0x11}))
        << "both truncated to 16 bits";
    EXPECT_EQ(ReplyLength(CMD_READ_PARAMS), 52);
    EXPECT_EQ(ReplyLength(CMD_SWATH_QUERY), 4);
    EXPECT_EQ(ReplyLength(CMD_JOB_HEADER), 1);
}

TEST(ParamFile, SaveWritesFiftyTwoBytesAndLoadGivesTheBlockBack)
{
    TempDir dir;
    const auto bytes = Bytes36(5);
    const ParamBlock block = ParamBlock::FromBytes(bytes.data());
    const std::string path = dir.file("machine.vxp");
    ASSERT_EQ(SaveParamFile(path, block), "");
    const std::string file = ReadFile(path);
    ASSERT_EQ(file.size(), 52u);
    EXPECT_EQ(file.substr(0, 36), std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(file.substr(36), std::string(16, '\0'));
    EXPECT_EQ(ListDirectory(dir.path().string()), std::vector<std::string>{"machine.vxp"}) << "no temporary file left";

    ParamBlock back;
    ASSERT_EQ(LoadParamFile(path, back), "");
    EXPECT_EQ(back.ToBytes(), bytes);
}

TEST(ParamFile, ShortOrOddFilesAreRefusedCleanly)
{
    TempDir dir;
    g_settings.m_language = 1;
    ParamBlock block;
    block.reserved = {4, 5, 6};
    const auto before = block.ToBytes();

    WriteFile(dir.file("short.vxp"), std::string(35, '\x11'));
    std::string error = LoadParamFile(dir.file("short.vxp"), block);
    EXPECT_NE(error.find("holds only 35 bytes"), std::string::npos) << error;
    EXPECT_EQ(block.ToBytes(), before) << "nothing taken from a refused file";

    EXPECT_NE(LoadParamFile(dir.file("missing.vxp"), block).find("Open File Failed"), std::string::npos);
    EXPECT_NE(LoadParamFile(dir.path().string(), block).find("not a regular file"), std::string::npos);
    const std::string fifo = dir.file("fifo.vxp");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_NE(LoadParamFile(fifo, block).find("not a regular file"), std::string::npos) << "and no wait for a writer";
    EXPECT_EQ(block.ToBytes(), before);

    // 36 bytes are a whole block; a longer file is read for its first 52.
    WriteFile(dir.file("36.vxp"), std::string(36, '\x22'));
    EXPECT_EQ(LoadParamFile(dir.file("36.vxp"), block), "");
    EXPECT_EQ(block.reserved[2], 0x22);
    WriteFile(dir.file("long.vxp"), std::string(36, '\x33') + std::string(1000, '\x44'));
    EXPECT_EQ(LoadParamFile(dir.file("long.vxp"), block), "");
    EXPECT_EQ(block.reserved[2], 0x33);

    EXPECT_NE(SaveParamFile(dir.file("no/such/dir.vxp"), block), "");
    g_settings.m_language = 0;
}
