#include "app/text_codec.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

using vexa::GbkToUtf8;
using vexa::Utf8ToGbk;

TEST(TextCodec, ConvertsBothWays)
{
    EXPECT_EQ(Utf8ToGbk("语言"), "\xD3\xEF\xD1\xD4");
    EXPECT_EQ(GbkToUtf8("Y\xB7\xD6\xD2\xB3\xB3\xA4\xB6\xC8"), "Y分页长度");
    EXPECT_EQ(Utf8ToGbk("/home/a/热文件夹/"), "/home/a/\xC8\xC8\xCE\xC4\xBC\xFE\xBC\xD0/");
    EXPECT_EQ(Utf8ToGbk(""), "");
    EXPECT_EQ(GbkToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(TextCodec, RejectsInvalidGbkAndReportsWhere)
{
    std::size_t at = 99;
    EXPECT_FALSE(GbkToUtf8("ab\xD3", &at));  // truncated double byte
    EXPECT_EQ(at, 2u);
    EXPECT_FALSE(GbkToUtf8("\x81\x20"));      // second byte out of range
    EXPECT_FALSE(GbkToUtf8("x\xFF"));
}

TEST(TextCodec, RejectsWhatGbkCannotHold)
{
    EXPECT_FALSE(Utf8ToGbk("\xC0\xAF"));          // overlong '/'
    EXPECT_FALSE(Utf8ToGbk("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(Utf8ToGbk("plot \xF0\x9F\x98\x80"));  // emoji
    // A tag character, which iconv would silently drop.
    EXPECT_FALSE(Utf8ToGbk("a\xF3\xA0\x81\x81" "b"));
}

TEST(TextCodec, ThreadsConvertIndependently)
{
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < 2000; ++i) {
                // Alternate valid and invalid input so a shared state would show.
                if (Utf8ToGbk("自动绘图目录") != "\xD7\xD4\xB6\xAF\xBB\xE6\xCD\xBC\xC4\xBF\xC2\xBC" ||
                    GbkToUtf8("\xD3\xEF\xD1") || GbkToUtf8("\xD3\xEF") != "语")
                    ++failures[t];
            }
        });
    for (auto& th : threads)
        th.join();
    for (int f : failures)
        EXPECT_EQ(f, 0);
}
