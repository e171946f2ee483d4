#include "app/settings.h"

#include <arpa/inet.h>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>

#include "app/ini_file.h"
#include "app/platform.h"
#include "app/resources.h"
#include "app/text_codec.h"

CSettings g_settings;

namespace {

constexpr std::string_view INI_SECTION = "Para";

// The keys are the GBK bytes of the Chinese names, exactly as the Windows
// program wrote them, so that an INI file moves between the two unchanged.
constexpr std::string_view KEY_LANGUAGE = "\xD3\xEF\xD1\xD4";                                    // 语言
constexpr std::string_view KEY_BIDIRECTIONAL = "\xCB\xAB\xCF\xF2\xB4\xF2\xD3\xA1";               // 双向打印
constexpr std::string_view KEY_USE_ETHERNET = "\xCD\xA8\xB9\xFD\xCD\xF8\xCF\xDF\xC1\xAC\xBD\xD3";  // 通过网线连接
constexpr std::string_view KEY_HOT_FOLDER = "\xD7\xD4\xB6\xAF\xBB\xE6\xCD\xBC\xC4\xBF\xC2\xBC";    // 自动绘图目录
constexpr std::string_view KEY_AUTO_START = "\xD7\xD4\xB6\xAF\xBF\xAA\xCA\xBC\xB4\xF2\xD3\xA1";    // 自动开始打印
constexpr std::string_view KEY_WIDE_MODE = "\xBF\xED\xB7\xF9\xC4\xA3\xCA\xBD";                   // 宽幅模式
constexpr std::string_view KEY_PAGE_WIDTH = "Y\xB7\xD6\xD2\xB3\xB3\xA4\xB6\xC8";                 // Y分页长度
constexpr std::string_view KEY_CARTRIDGE1_ON_RIGHT = "Cartridge1OnRight";
// Where the TCP link connects; the designed program always used the default.
constexpr std::string_view KEY_CONTROLLER_ADDRESS = "ControllerAddress";
constexpr std::string_view KEY_CONTROLLER_PORT = "ControllerPort";

void RemoveFile(const std::string& path)
{
    if (!path.empty())
        std::remove(path.c_str());
}

// The user reads these; m_language is known by the time they are made.
std::string Text(const CSettings& s, const std::string& zh, const std::string& en)
{
    return s.m_language.load() == 0 ? zh : en;
}

void AddMessage(std::string& all, const std::string& message)
{
    if (!message.empty())
        all += (all.empty() ? "" : "\n") + message;
}

}  // namespace

CSettings::~CSettings()
{
    RemoveTempFiles();
}

void CSettings::InitPaths()
{
    m_appDir = vexa::AppDirectory();
    m_lastTaskPath = m_appDir + "Last.vxtask";
    InitFontPaths();
}

void CSettings::InitFontPaths()
{
    // One private temp directory per object, kept when the paths are computed
    // again: a fixed name in the shared /tmp could be a planted symbolic link.
    if (m_ownTempDir.empty() || !vexa::IsDirectory(m_ownTempDir))
        m_ownTempDir = vexa::MakePrivateTempDir();
    m_tempDir = m_ownTempDir;
    if (m_tempDir.empty()) {
        // No temp directory at all: leave the font paths empty, so that the
        // failure shows when the first HP-GL file is read, as a missing font.
        m_hzFontPath.clear();
        m_enFontPath.clear();
        return;
    }
    m_hzFontPath = m_tempDir + "fon_hz.bin";
    m_enFontPath = m_tempDir + "fon_en.bin";
    RemoveFile(m_hzFontPath);
    RemoveFile(m_enFontPath);

    // Failures show when the first HP-GL file is read, as a missing font.
    ExtractResourceToFile(IDR_FON_EN, "FON", m_enFontPath);
    ExtractResourceToFile(IDR_FON_HZ, "FON", m_hzFontPath);
}

std::string CSettings::PlotFolderProblem(const std::string& folder) const
{
    if (folder.size() < 3)
        return Text(*this, "目录名太短", "the name is shorter than 3 characters");
    // The entry must be a directory, not just any file-system entry: a regular
    // file of that name could never receive plot files.
    struct stat st {};
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return Text(*this, "不是已有的目录", "not an existing directory");
    // The same directory under any spelling ("dir", "dir/", "dir/.", a link):
    // its files are the program's own ("Vexa.ini", "Last.vxtask").
    struct stat app {};
    if (folder == m_appDir || (stat(m_appDir.c_str(), &app) == 0 && app.st_dev == st.st_dev && app.st_ino == st.st_ino))
        return Text(*this, "这是程序目录（" + m_appDir + "）", "it is the application directory (" + m_appDir + ")");
    return {};
}

void CSettings::CreatePlotFolder()
{
    if (m_hotFolder.empty())
        m_hotFolder = DefaultHotFolder();
    if (PlotFolderProblem(m_hotFolder).empty())
        return;
    m_hotFolder = DefaultHotFolder();
    const std::string folder = m_hotFolder.substr(0, m_hotFolder.size() - 1);
    struct stat st {};
    if (lstat(folder.c_str(), &st) != 0)
        mkdir(folder.c_str(), 0777);  // a folder that cannot be made is not reported
}

void CSettings::RemoveTempFiles()
{
    RemoveFile(m_hzFontPath);
    RemoveFile(m_enFontPath);
    // Only the directory this object made is removed, whatever m_tempDir holds.
    if (!m_ownTempDir.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(m_ownTempDir, ec);
        m_ownTempDir.clear();
    }
}

std::string LoadSettings(CSettings& s)
{
    s.InitPaths();
    CIniFile ini;
    ini.Load(s.IniPath());  // a missing or unreadable file gives the defaults

    std::string messages;
    s.m_language = ini.GetInt(INI_SECTION, KEY_LANGUAGE, 0);
    s.m_bidirectional = ini.GetInt(INI_SECTION, KEY_BIDIRECTIONAL, 1);
    s.m_plotterIp = DEFAULT_PLOTTER_IP;
    s.m_useEthernet = ini.GetInt(INI_SECTION, KEY_USE_ETHERNET, 0);

    const std::string folder = ini.GetString(INI_SECTION, KEY_HOT_FOLDER, "");
    if (auto utf8 = vexa::GbkToUtf8(folder)) {
        s.m_hotFolder = std::move(*utf8);
    } else {
        s.m_hotFolder.clear();
        AddMessage(messages, Text(s, "Vexa.ini 中的自动绘图目录不是有效的 GBK 文本，已改用默认目录。",
                                  "The hot folder in Vexa.ini is not valid GBK text; the default folder is used."));
    }

    s.m_autoStart = ini.GetInt(INI_SECTION, KEY_AUTO_START, 1);
    s.m_wideMode = ini.GetInt(INI_SECTION, KEY_WIDE_MODE, 1);
    s.m_pageWidth = ini.GetInt(INI_SECTION, KEY_PAGE_WIDTH, 2000);
    s.m_cartridge1OnRight = ini.GetInt(INI_SECTION, KEY_CARTRIDGE1_ON_RIGHT, 0);

    const std::string address = ini.GetString(INI_SECTION, KEY_CONTROLLER_ADDRESS, IpToText(DEFAULT_PLOTTER_IP));
    uint32_t ip = DEFAULT_PLOTTER_IP;
    if (!IpFromText(address, ip)) {
        ip = DEFAULT_PLOTTER_IP;
        AddMessage(messages, Text(s, "Vexa.ini 中的控制器地址 \"" + address + "\" 无效，已改用 " + IpToText(ip) + "。",
                                  "The controller address \"" + address + "\" in Vexa.ini is not an IPv4 address; " +
                                      IpToText(ip) + " is used."));
    }
    s.m_controllerIp = ip;
    int port = ini.GetInt(INI_SECTION, KEY_CONTROLLER_PORT, DEFAULT_CONTROLLER_PORT);
    if (port < 1 || port > 65535) {
        AddMessage(messages, Text(s, "Vexa.ini 中的控制器端口 " + std::to_string(port) + " 无效，已改用 " +
                                         std::to_string(DEFAULT_CONTROLLER_PORT) + "。",
                                  "The controller port " + std::to_string(port) + " in Vexa.ini is not valid; " +
                                      std::to_string(DEFAULT_CONTROLLER_PORT) + " is used."));
        port = DEFAULT_CONTROLLER_PORT;
    }
    s.m_controllerPort = port;

    s.CreatePlotFolder();
    return messages;
}

std::string SaveSettings(CSettings& s)
{
    if (s.m_appDir.empty())
        return "The settings were never loaded; Vexa.ini is not written.";

    // Start from the file as it is now, so that keys and comments the program
    // does not own survive. The bidirectional flag is not written: the
    // controller's parameter block holds the value that counts.
    CIniFile ini;
    ini.Load(s.IniPath());
    std::string messages;
    ini.SetInt(INI_SECTION, KEY_LANGUAGE, s.m_language);
    const auto gbk = vexa::Utf8ToGbk(s.m_hotFolder);
    if (!gbk || !ini.SetString(INI_SECTION, KEY_HOT_FOLDER, *gbk))
        AddMessage(messages, Text(s, "自动绘图目录 \"" + s.m_hotFolder + "\" 含有 Vexa.ini 无法保存的字符（GBK 以外的字符或换行），未保存。",
                                  "The hot folder \"" + s.m_hotFolder +
                                      "\" is not saved: Vexa.ini cannot hold its characters (GBK only, no line breaks)."));
    ini.SetInt(INI_SECTION, KEY_USE_ETHERNET, s.m_useEthernet);
    ini.SetInt(INI_SECTION, KEY_AUTO_START, s.m_autoStart);
    ini.SetInt(INI_SECTION, KEY_WIDE_MODE, s.m_wideMode);
    ini.SetInt(INI_SECTION, KEY_PAGE_WIDTH, s.m_pageWidth);
    ini.SetInt(INI_SECTION, KEY_CARTRIDGE1_ON_RIGHT, s.m_cartridge1OnRight);
    ini.SetString(INI_SECTION, KEY_CONTROLLER_ADDRESS, IpToText(s.m_controllerIp));
    ini.SetInt(INI_SECTION, KEY_CONTROLLER_PORT, s.m_controllerPort);
    AddMessage(messages, ini.Save(s.IniPath()));

    s.RemoveTempFiles();
    return messages;
}

std::string IpToText(uint32_t ip)
{
    return std::to_string(ip & 0xFF) + "." + std::to_string((ip >> 8) & 0xFF) + "." + std::to_string((ip >> 16) & 0xFF) +
           "." + std::to_string(ip >> 24);
}

bool IpFromText(const std::string& text, uint32_t& ip)
{
    in_addr addr {};
    if (inet_pton(AF_INET, text.c_str(), &addr) != 1)
        return false;
    const auto* b = reinterpret_cast<const unsigned char*>(&addr.s_addr);  // network order: first octet first
    ip = static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 | static_cast<uint32_t>(b[2]) << 16 |
         static_cast<uint32_t>(b[3]) << 24;
    return true;
}
