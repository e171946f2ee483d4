#include "app/ini_file.h"

#include <climits>
#include <gtest/gtest.h>
#include <random>

#include "tests/support/test_support.h"

namespace {
// Mixed line endings, blanks, comments, quotes, a key before any section and
// a repeated section whose keys are not consulted.
const std::string SAMPLE =
    "top=0\n"
    "; comment\r\n"
    "[Other]\n"
    "a=other\n"
    "[ para ]\n"       // not "Para": the brackets' content is not trimmed
    "a=spaced\n"
    "[PARA]\r\n"
    "  A  =  one two  \r\n"
    "q=\"  quoted  \"\n"
    "s='x'\n"
    "half=\"x\n"
    "empty=\n"
    ";a=commented\n"
    "\n"
    "[Para]\n"
    "late=1\n";
}  // namespace

TEST(IniFile, FindsValuesAsGetPrivateProfileString)
{
    const CIniFile ini(SAMPLE);
    EXPECT_EQ(ini.GetString("para", "a", "-"), "one two");
    EXPECT_EQ(ini.GetString("Para", "q", "-"), "  quoted  ");
    EXPECT_EQ(ini.GetString("Para", "s", "-"), "x");
    EXPECT_EQ(ini.GetString("Para", "half", "-"), "\"x");
    EXPECT_EQ(ini.GetString("Para", "empty", "-"), "");
    EXPECT_EQ(ini.GetString("Para", "late", "-"), "-");
    EXPECT_EQ(ini.GetString("Para", "top", "-"), "-");
    EXPECT_EQ(ini.GetString("Missing", "a", "def"), "def");
    EXPECT_EQ(ini.GetInt("Para", "empty", 7), 7);
    EXPECT_EQ(ini.GetInt("Para", "missing", -3), -3);
    EXPECT_EQ(ini.GetInt("Para", "a", 7), 0);
}

TEST(IniFile, ValuesAreCutAtNulAndAtMaxLength)
{
    const CIniFile ini("[s]\nlong=" + std::string(5000, 'v') + "\nnul=ab" + std::string(1, '\0') + "cd\n");
    EXPECT_EQ(ini.GetString("s", "long", "").size(), CIniFile::MAX_VALUE_LENGTH);
    EXPECT_EQ(ini.GetString("s", "nul", ""), "ab");
}

TEST(IniFile, NameMatchingFoldsAsciiOnly)
{
    // 0x81 0x41 and 0x81 0x61 are two different Chinese characters whose
    // second bytes happen to be 'A' and 'a'.
    const CIniFile ini("[S]\n\x81\x41=upper\n\x81\x61=lower\nCartridge1OnRight=1\n");
    EXPECT_EQ(ini.GetString("s", "\x81\x61", ""), "lower");
    EXPECT_EQ(ini.GetInt("s", "CARTRIDGE1ONRIGHT", 0), 1);
}

TEST(IniFile, ParsesIntegersAsGetPrivateProfileInt)
{
    const struct {
        const char* text;
        int expected;
    } cases[] = {
        {"12", 12},          {"  -7x", -7},         {"+5", 5},          {"abc", 0},
        {"-", 0},            {"0x10", 0},           {"3.9", 3},         {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN}, {"99999999999999999999", INT_MAX}, {"-99999999999", INT_MIN},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseProfileInt(c.text), c.expected) << c.text;
    EXPECT_EQ(CIniFile("[s]\nk=\"42\"\n").GetInt("s", "k", 0), 42);
}

TEST(IniFile, SetStringChangesOnlyTheValueInPlace)
{
    CIniFile ini("; keep me\n[Other]\nk=1\n[Para]\nK = old  \nnext=2\n");
    ASSERT_TRUE(ini.SetString("PARA", "k", "new"));
    EXPECT_EQ(ini.Bytes(), "; keep me\n[Other]\nk=1\n[Para]\nK = new  \nnext=2\n");
}

TEST(IniFile, SetStringAppendsKeysAndSections)
{
    CIniFile ini("[Para]\na=1\n\n; about Other\n[Other]\nb=2");
    ASSERT_TRUE(ini.SetString("Para", "c", "3"));
    ASSERT_TRUE(ini.SetString("Other", "d", "4"));
    ASSERT_TRUE(ini.SetInt("New", "e", -5));
    EXPECT_EQ(ini.Bytes(), "[Para]\na=1\nc=3\r\n\n; about Other\n[Other]\nb=2\r\nd=4\r\n[New]\r\ne=-5\r\n");
}

TEST(IniFile, SetStringRefusesWhatALineCannotHoldAndQuotesBlanks)
{
    CIniFile ini;
    EXPECT_FALSE(ini.SetString("Para", "k", "a\nb"));
    EXPECT_FALSE(ini.SetString("Para", "k", std::string("a\0b", 3)));
    EXPECT_FALSE(ini.SetString("Para", "k=x", "v"));
    EXPECT_FALSE(ini.SetString("Para", ";k", "v"));
    EXPECT_FALSE(ini.SetString("Pa\rra", "k", "v"));
    EXPECT_FALSE(ini.SetString("Para", " k", "v"));
    EXPECT_EQ(ini.Bytes(), "");
    for (const std::string v : {" lead", "trail\t", "\"q\"", "'", "''"}) {
        ASSERT_TRUE(ini.SetString("Para", "k", v));
        EXPECT_EQ(ini.Find("Para", "k"), v);
    }
}

TEST(IniFile, LoadMissingIsEmptyAndSaveRoundTrips)
{
    vexa::test::TempDir dir;
    CIniFile ini;
    EXPECT_FALSE(ini.Load(dir.file("none.ini")));
    EXPECT_EQ(ini.Bytes(), "");
    ini.SetString("Para", "k", "v");
    ASSERT_EQ(ini.Save(dir.file("x.ini")), "");
    CIniFile back;
    EXPECT_TRUE(back.Load(dir.file("x.ini")));
    EXPECT_EQ(back.Bytes(), "[Para]\r\nk=v\r\n");
}

// Whatever the file holds, a key just set reads back unchanged, and setting
// it again changes nothing.
TEST(IniFile, SetThenFindOnRandomFiles)
{
    std::mt19937 rng(12345);
    static const char raw[] = "[]=;\"' \t\r\nPpAaKk\x81\xD3\xEF\0x";
    const std::string alphabet(raw, sizeof raw - 1);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes(rng() % 60, ' ');
        for (char& c : bytes)
            c = alphabet[rng() % alphabet.size()];
        CIniFile ini(bytes);
        ASSERT_TRUE(ini.SetString("Para", "k", "v 1")) << round;
        const std::string after = ini.Bytes();
        ASSERT_EQ(ini.Find("para", "K"), "v 1") << testing::PrintToString(bytes);
        ASSERT_TRUE(ini.SetString("Para", "k", "v 1"));
        ASSERT_EQ(ini.Bytes(), after);
    }
}
