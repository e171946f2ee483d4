#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <optional>
#include <string_view>
#include <vector>
#include <vector>

namespace vexa {
class CSwathJob;
}

namespace vexa::test {
// A fresh directory under the build tree's temp area, removed on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }
    // Path of a file inside the directory, as a string.
    std::string file(std::string_view name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

void WriteFile(const std::string& path, std::string_view bytes);
std::string ReadFile(const std::string& path);
// Every swath stream of a prepared job, built by a swath builder of its own.
std::vector<std::vector<uint8_t>> BuilderStreams(const std::shared_ptr<const CSwathJob>& job);
// A grey PNG as libpng reads it, one byte a pixel (0 black); empty when it
// cannot be read.
std::vector<uint8_t> ReadGrayPng(const std::string& path, uint32_t& width, uint32_t& height);

// Sets (or, with nullopt, unsets) an environment variable for its lifetime.
class ScopedEnv {
public:
    ScopedEnv(std::string name, std::optional<std::string> value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

// Names of the entries of a directory, sorted.
std::vector<std::string> ListDirectory(const std::string& path);
}  // namespace vexa::test

namespace vexa::test {
struct CommandResult {
    int status = -1;  // exit status, or -1 when the command did not exit normally
    std::string out;
    std::string err;
};
// Runs a shell command line, capturing its standard output and error.
CommandResult RunCommand(const std::string& commandLine);
// The command-line tool of this build.
std::string CliPath();
// Runs the tool with args and a fresh application directory home, so that
// no Vexa.ini of the machine changes what it does.
CommandResult RunCli(const TempDir& home, const std::string& args);
}  // namespace vexa::test

namespace vexa::test {
// Points g_settings at stroke font files with the given bytes for the life
// of the object; the previous paths come back afterwards.
class ScopedFonts {
public:
    ScopedFonts(std::string_view enBytes, std::string_view hzBytes);
    ~ScopedFonts();
    ScopedFonts(const ScopedFonts&) = delete;
    ScopedFonts& operator=(const ScopedFonts&) = delete;

private:
    TempDir m_dir;
    std::string m_oldEn, m_oldHz;
};

// Builds stroke font files for tests. Latin entries: code, width, stream;
// CJK entries: code, stream. Entries are written in the order given.
struct TestGlyph {
    unsigned code;
    unsigned width;
    std::string stream;
};
std::string MakeLatinFont(int header1, int header2, int header3, const std::vector<TestGlyph>& glyphs);
std::string MakeCjkFont(int header1, int header2, const std::vector<TestGlyph>& glyphs);
}  // namespace vexa::test
