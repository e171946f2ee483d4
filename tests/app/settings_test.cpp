#include "app/settings.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/platform.h"
#include "tests/support/test_support.h"

using namespace vexa::test;
namespace fs = std::filesystem;

namespace {
// GBK bytes of the INI keys, spelled out so that the codec is not trusted here.
const std::string LANGUAGE = "\xD3\xEF\xD1\xD4";                                      // 语言
const std::string BIDIRECTIONAL = "\xCB\xAB\xCF\xF2\xB4\xF2\xD3\xA1";                 // 双向打印
const std::string USE_ETHERNET = "\xCD\xA8\xB9\xFD\xCD\xF8\xCF\xDF\xC1\xAC\xBD\xD3";  // 通过网线连接
const std::string HOT_FOLDER = "\xD7\xD4\xB6\xAF\xBB\xE6\xCD\xBC\xC4\xBF\xC2\xBC";    // 自动绘图目录
const std::string AUTO_START = "\xD7\xD4\xB6\xAF\xBF\xAA\xCA\xBC\xB4\xF2\xD3\xA1";    // 自动开始打印
const std::string WIDE_MODE = "\xBF\xED\xB7\xF9\xC4\xA3\xCA\xBD";                     // 宽幅模式
const std::string PAGE_WIDTH = "Y\xB7\xD6\xD2\xB3\xB3\xA4\xB6\xC8";                   // Y分页长度

class SettingsTest : public testing::Test {
protected:
    std::string AppDir() const { return (home.path() / "").lexically_normal().string(); }
    std::string Ini() const { return AppDir() + "Vexa.ini"; }
    std::string LoadWithHotFolder(const std::string& value)
    {
        WriteFile(Ini(), "[Para]\r\n" + HOT_FOLDER + "=" + value + "\r\n");
        CSettings fresh;
        LoadSettings(fresh);
        return fresh.m_hotFolder;
    }

    TempDir home;
    TempDir tmp;
    ScopedEnv homeEnv{"VEXAGRID_HOME", home.path().string()};
    ScopedEnv tmpEnv{"TMPDIR", tmp.path().string()};
    CSettings s;
};
}  // namespace

TEST_F(SettingsTest, FirstStartUsesDefaults)
{
    s.m_plotterIp = 1;
    EXPECT_EQ(LoadSettings(s), "");
    EXPECT_EQ(s.m_appDir, AppDir());
    EXPECT_EQ(s.m_lastTaskPath, AppDir() + "Last.vxtask");
    EXPECT_EQ(s.m_language, 0);
    EXPECT_EQ(s.m_useEthernet, 0);
    EXPECT_EQ(s.m_autoStart, 1);
    EXPECT_EQ(s.m_wideMode, 1);
    EXPECT_EQ(s.m_pageWidth, 2000);
    EXPECT_EQ(s.m_cartridge1OnRight, 0);
    EXPECT_EQ(s.m_bidirectional, 1);
    EXPECT_EQ(s.m_plotterIp, DEFAULT_PLOTTER_IP);
    EXPECT_EQ(s.m_hotFolder, AppDir() + "plot/");
    EXPECT_TRUE(vexa::IsDirectory(s.m_hotFolder));

    // Font files live in a private directory of their own under $TMPDIR.
    EXPECT_EQ(s.m_tempDir.rfind(tmp.path().string(), 0), 0u);
    EXPECT_EQ(s.m_hzFontPath, s.m_tempDir + "fon_hz.bin");
    EXPECT_EQ(s.m_enFontPath, s.m_tempDir + "fon_en.bin");
    struct stat st {};
    ASSERT_EQ(stat(s.m_tempDir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(SettingsTest, FreshIniIsWrittenInOrderWithCrLf)
{
    LoadSettings(s);
    ASSERT_EQ(SaveSettings(s), "");
    EXPECT_EQ(ReadFile(Ini()), "[Para]\r\n" + LANGUAGE + "=0\r\n" + HOT_FOLDER + "=" + AppDir() + "plot/\r\n" +
                                   USE_ETHERNET + "=0\r\n" + AUTO_START + "=1\r\n" + WIDE_MODE + "=1\r\n" +
                                   PAGE_WIDTH + "=2000\r\nCartridge1OnRight=0\r\n" +
                                   "ControllerAddress=192.168.1.220\r\nControllerPort=5289\r\n");
}

TEST_F(SettingsTest, HotFolderFromIniIsValidated)
{
    fs::create_directory(AppDir() + "hot");
    WriteFile(AppDir() + "file", "");
    EXPECT_EQ(LoadWithHotFolder(AppDir() + "hot"), AppDir() + "hot");    // kept exactly
    EXPECT_EQ(LoadWithHotFolder(AppDir() + "hot/"), AppDir() + "hot/");
    EXPECT_EQ(LoadWithHotFolder(AppDir()), AppDir() + "plot/");          // the app dir itself
    EXPECT_EQ(LoadWithHotFolder(AppDir() + "gone/"), AppDir() + "plot/");
    EXPECT_EQ(LoadWithHotFolder(AppDir() + "file"), AppDir() + "plot/");  // not a directory
    EXPECT_EQ(LoadWithHotFolder("/."), AppDir() + "plot/");               // too short
    // The app dir under any spelling: its own files would be taken away.
    const std::string bare = AppDir().substr(0, AppDir().size() - 1);
    fs::create_directory_symlink(bare, AppDir() + "link");
    LoadSettings(s);
    for (const std::string& alias : {bare, AppDir() + ".", AppDir() + "hot/..", AppDir() + "link/"}) {
        EXPECT_EQ(LoadWithHotFolder(alias), AppDir() + "plot/") << alias;
        EXPECT_NE(s.PlotFolderProblem(alias), "") << alias;
    }
    EXPECT_EQ(s.PlotFolderProblem(AppDir() + "hot/"), "");
}

TEST_F(SettingsTest, HotFolderIsGbkInTheFileAndUtf8InTheProgram)
{
    fs::create_directory(AppDir() + "热文件夹");
    const std::string gbkPath = AppDir() + "\xC8\xC8\xCE\xC4\xBC\xFE\xBC\xD0/";
    WriteFile(Ini(), "[Para]\n" + HOT_FOLDER + "=" + gbkPath + "\n");
    EXPECT_EQ(LoadSettings(s), "");
    EXPECT_EQ(s.m_hotFolder, AppDir() + "热文件夹/");
    ASSERT_EQ(SaveSettings(s), "");
    EXPECT_NE(ReadFile(Ini()).find(HOT_FOLDER + "=" + gbkPath + "\n"), std::string::npos);

    WriteFile(Ini(), "[Para]\n" + HOT_FOLDER + "=" + AppDir() + "\xFF\xFF\n");
    EXPECT_NE(LoadSettings(s), "");  // not GBK: reported, then treated as missing
    EXPECT_EQ(s.m_hotFolder, AppDir() + "plot/");
}

TEST_F(SettingsTest, UnstorableHotFolderIsReportedAndSkipped)
{
    LoadSettings(s);
    for (const std::string& folder : {AppDir() + "\xF0\x9F\x98\x80/", AppDir() + "a\nb/"}) {
        fs::remove(Ini());
        s.m_hotFolder = folder;
        s.m_language = 1;
        EXPECT_NE(SaveSettings(s), "");
        const std::string ini = ReadFile(Ini());
        EXPECT_EQ(ini.find(HOT_FOLDER), std::string::npos);
        EXPECT_NE(ini.find(LANGUAGE + "=1\r\n"), std::string::npos);
        EXPECT_NE(ini.find("Cartridge1OnRight=0\r\n"), std::string::npos);
    }
}

// An existing file keeps its comments, other sections, line endings and the
// bidirectional flag, which is read but never written.
TEST_F(SettingsTest, SaveUpdatesExistingIniInPlace)
{
    WriteFile(Ini(), "; printer room 2\n[Para]\n" + BIDIRECTIONAL + "=0\n" + LANGUAGE + " = 1\n[Other]\nx=y\n");
    EXPECT_EQ(LoadSettings(s), "");
    EXPECT_EQ(s.m_bidirectional, 0);
    EXPECT_EQ(s.m_language, 1);
    EXPECT_EQ(s.m_plotterIp, DEFAULT_PLOTTER_IP);
    s.m_bidirectional = 1;
    s.m_language = 0;
    s.m_pageWidth = -5;
    ASSERT_EQ(SaveSettings(s), "");
    EXPECT_EQ(ReadFile(Ini()), "; printer room 2\n[Para]\n" + BIDIRECTIONAL + "=0\n" + LANGUAGE + " = 0\n" +
                                   HOT_FOLDER + "=" + AppDir() + "plot/\r\n" + USE_ETHERNET + "=0\r\n" + AUTO_START +
                                   "=1\r\n" + WIDE_MODE + "=1\r\n" + PAGE_WIDTH +
                                   "=-5\r\nCartridge1OnRight=0\r\nControllerAddress=192.168.1.220\r\nControllerPort=5289\r\n"
                                   "[Other]\nx=y\n");
}

TEST_F(SettingsTest, ControllerAddressAndPort)
{
    EXPECT_EQ(LoadSettings(s), "");
    EXPECT_EQ(s.m_controllerIp, DEFAULT_PLOTTER_IP);
    EXPECT_EQ(IpToText(s.m_controllerIp), "192.168.1.220");
    EXPECT_EQ(s.m_controllerPort, 5289);

    WriteFile(Ini(), "[Para]\nControllerAddress=127.0.0.1\nControllerPort=40001\n");
    EXPECT_EQ(LoadSettings(s), "");
    EXPECT_EQ(IpToText(s.m_controllerIp), "127.0.0.1");
    EXPECT_EQ(s.m_controllerPort, 40001);

    // Values that cannot be an address or a port fall back to the defaults, with a message.
    s.m_language = 1;
    WriteFile(Ini(), "[Para]\nControllerAddress=plotter.local\nControllerPort=70000\n" + LANGUAGE + "=1\n");
    const std::string message = LoadSettings(s);
    EXPECT_NE(message.find("\"plotter.local\" in Vexa.ini is not an IPv4 address"), std::string::npos) << message;
    EXPECT_NE(message.find("port 70000"), std::string::npos) << message;
    EXPECT_EQ(s.m_controllerIp, DEFAULT_PLOTTER_IP);
    EXPECT_EQ(s.m_controllerPort, 5289);

    uint32_t ip = 0;
    EXPECT_TRUE(IpFromText("198.51.100.7", ip));
    EXPECT_EQ(ip, 0x076433C6u) << "first octet in the lowest byte";
    for (const char* bad : {"", "1.2.3", "1.2.3.256", "1.2.3.4 ", "01.2.3.4x"})
        EXPECT_FALSE(IpFromText(bad, ip)) << bad;
}

TEST_F(SettingsTest, TempFilesAreRemoved)
{
    LoadSettings(s);
    WriteFile(s.m_hzFontPath, "hz");
    WriteFile(s.m_enFontPath, "en");
    ASSERT_EQ(SaveSettings(s), "");
    EXPECT_FALSE(fs::exists(s.m_hzFontPath));
    EXPECT_FALSE(fs::exists(s.m_enFontPath));
    EXPECT_FALSE(fs::exists(s.m_tempDir));

    std::string tempDir;
    {
        CSettings other;
        other.InitPaths();
        tempDir = other.m_tempDir;
        EXPECT_TRUE(vexa::IsDirectory(tempDir));
    }
    EXPECT_FALSE(fs::exists(tempDir));  // a run that never saves leaves nothing either
}

TEST_F(SettingsTest, SaveWithoutLoadWritesNothing)
{
    EXPECT_NE(SaveSettings(s), "");
    EXPECT_FALSE(fs::exists(Ini()));
}

TEST(Settings, MailboxKeepsTheLatestCodeAndEmptiesOnTake)
{
    CSettings s;
    s.PostCommand(5);
    s.PostCommand(28);  // replaces the code not yet taken
    EXPECT_EQ(s.TakeCommand(), 28);
    EXPECT_EQ(s.TakeCommand(), 0);
}
