#include "tests/support/test_support.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <png.h>
#include "raster/swath_builder.h"
#include <unistd.h>

namespace vexa::test {
TempDir::TempDir()
{
    const char* base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/vexatest.XXXXXX";
    if (!mkdtemp(tmpl.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = tmpl;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

void WriteFile(const std::string& path, std::string_view bytes)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f)
        throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::ostringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

std::vector<std::vector<uint8_t>> BuilderStreams(const std::shared_ptr<const CSwathJob>& job)
{
    CSwathBuilder builder(job);
    std::vector<std::vector<uint8_t>> streams;
    for (int n = 0; n < job->SwathCount(); ++n) {
        builder.Build(n);
        const std::span<const uint8_t> s = builder.Compress();
        streams.emplace_back(s.begin(), s.end());
    }
    return streams;
}

std::vector<uint8_t> ReadGrayPng(const std::string& path, uint32_t& width, uint32_t& height)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return {};
    image.format = PNG_FORMAT_GRAY;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr))
        return {};
    width = image.width;
    height = image.height;
    return pixels;
}

ScopedEnv::ScopedEnv(std::string name, std::optional<std::string> value) : m_name(std::move(name))
{
    if (const char* old = std::getenv(m_name.c_str()))
        m_old = old;
    if (value)
        setenv(m_name.c_str(), value->c_str(), 1);
    else
        unsetenv(m_name.c_str());
}

ScopedEnv::~ScopedEnv()
{
    if (m_old)
        setenv(m_name.c_str(), m_old->c_str(), 1);
    else
        unsetenv(m_name.c_str());
}

std::vector<std::string> ListDirectory(const std::string& path)
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
}  // namespace vexa::test

#include <sys/wait.h>

namespace vexa::test {
CommandResult RunCommand(const std::string& commandLine)
{
    TempDir dir;
    const std::string out = dir.file("out"), err = dir.file("err");
    const int raw = std::system((commandLine + " >'" + out + "' 2>'" + err + "'").c_str());
    CommandResult r;
    if (raw != -1 && WIFEXITED(raw))
        r.status = WEXITSTATUS(raw);
    r.out = ReadFile(out);
    r.err = ReadFile(err);
    return r;
}

std::string CliPath()
{
    return VEXA_BINARY_DIR "/cli/vexagrid-cli";
}

CommandResult RunCli(const TempDir& home, const std::string& args)
{
    return RunCommand("VEXAGRID_HOME='" + home.path().string() + "' " + CliPath() + " " + args);
}
}  // namespace vexa::test

#include "app/settings.h"

namespace vexa::test {
ScopedFonts::ScopedFonts(std::string_view enBytes, std::string_view hzBytes)
    : m_oldEn(g_settings.m_enFontPath), m_oldHz(g_settings.m_hzFontPath)
{
    g_settings.m_enFontPath = m_dir.file("fon_en.bin");
    g_settings.m_hzFontPath = m_dir.file("fon_hz.bin");
    WriteFile(g_settings.m_enFontPath, enBytes);
    WriteFile(g_settings.m_hzFontPath, hzBytes);
}

ScopedFonts::~ScopedFonts()
{
    g_settings.m_enFontPath = m_oldEn;
    g_settings.m_hzFontPath = m_oldHz;
}

namespace {
void Put16(std::string& b, unsigned v)
{
    b.push_back(static_cast<char>(v & 0xFF));
    b.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& b, unsigned v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
}  // namespace

std::string MakeLatinFont(int header1, int header2, int header3, const std::vector<TestGlyph>& glyphs)
{
    std::string b;
    Put16(b, static_cast<unsigned>(header1));
    Put16(b, static_cast<unsigned>(header2));
    Put16(b, static_cast<unsigned>(header3));
    Put32(b, static_cast<unsigned>(glyphs.size()));
    unsigned offset = static_cast<unsigned>(10 + 10 * glyphs.size());
    for (const TestGlyph& g : glyphs) {
        Put16(b, g.code);
        Put16(b, static_cast<unsigned>(g.stream.size()));
        Put16(b, g.width);
        Put32(b, offset);
        offset += static_cast<unsigned>(g.stream.size());
    }
    for (const TestGlyph& g : glyphs)
        b += g.stream;
    return b;
}

std::string MakeCjkFont(int header1, int header2, const std::vector<TestGlyph>& glyphs)
{
    std::string b;
    Put16(b, static_cast<unsigned>(header1));
    Put16(b, static_cast<unsigned>(header2));
    Put32(b, static_cast<unsigned>(glyphs.size()));
    unsigned offset = static_cast<unsigned>(8 + 8 * glyphs.size());
    for (const TestGlyph& g : glyphs) {
        Put16(b, g.code);
        Put16(b, static_cast<unsigned>(g.stream.size()));
        Put32(b, offset);
        offset += static_cast<unsigned>(g.stream.size());
    }
    for (const TestGlyph& g : glyphs)
        b += g.stream;
    return b;
}
}  // namespace vexa::test
