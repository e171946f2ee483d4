#include "tests/support/test_support.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
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
}  // namespace vexa::test
