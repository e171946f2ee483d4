#include "app/platform.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace vexa {
namespace {

std::string ErrorText(int err)
{
    return std::system_category().message(err);
}

std::string EnvValue(const char* name)
{
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string HomeDirectory()
{
    std::string home = EnvValue("HOME");
    if (!home.empty())
        return home;
    std::vector<char> buf(16384);
    passwd pw{};
    passwd* result = nullptr;
    if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &result) == 0 && result && result->pw_dir)
        return result->pw_dir;
    return {};
}

// $XDG_DATA_HOME/VexaGrid/, or ~/.local/share/VexaGrid/; XDG requires the
// variable to hold an absolute path and says to ignore it otherwise.
std::string UserDataDirectory()
{
    const std::string xdg = EnvValue("XDG_DATA_HOME");
    if (!xdg.empty() && xdg.front() == '/')
        return WithTrailingSlash(xdg) + "VexaGrid/";
    const std::string home = HomeDirectory();
    if (home.empty())
        return {};
    return WithTrailingSlash(home) + ".local/share/VexaGrid/";
}

std::string Normalised(const std::string& dir)
{
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(dir, ec);
    if (ec)
        p = dir;
    return WithTrailingSlash(p.lexically_normal().string());
}

bool WriteAll(int fd, std::string_view bytes)
{
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// Makes the rename itself durable; not every file system supports this, so
// a failure here is ignored.
void SyncDirectory(const std::string& dir)
{
    const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

// A symbolic link is written through, so that a linked INI or task file stays
// linked. A dangling link is replaced by the file.
std::string ResolveTarget(const std::string& path)
{
    struct stat lst {};
    if (lstat(path.c_str(), &lst) != 0 || !S_ISLNK(lst.st_mode))
        return path;
    char* real = realpath(path.c_str(), nullptr);
    if (!real)
        return path;
    std::string target(real);
    std::free(real);
    return target;
}

}  // namespace

std::string WithTrailingSlash(std::string s)
{
    if (!s.empty() && s.back() != '/')
        s += '/';
    return s;
}

bool IsDirectory(const std::string& path)
{
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string InstalledDataDirectory()
{
    return WithTrailingSlash(VEXA_DATA_DIR);
}

std::string ExecutableDirectory()
{
    std::vector<char> buf(4096);
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0)
            return {};
        if (static_cast<std::size_t>(n) < buf.size()) {
            const std::string exe(buf.data(), static_cast<std::size_t>(n));
            const auto slash = exe.rfind('/');
            return slash == std::string::npos ? std::string() : exe.substr(0, slash + 1);
        }
        if (buf.size() >= (1u << 20))
            return {};
        buf.resize(buf.size() * 2);
    }
}

std::string AppDirectory()
{
    std::error_code ec;
    const std::string home = EnvValue("VEXAGRID_HOME");
    if (!home.empty()) {
        const std::string dir = Normalised(home);
        std::filesystem::create_directories(dir, ec);
        return dir;
    }
    const std::string exeDir = ExecutableDirectory();
    if (!exeDir.empty() && access(exeDir.c_str(), W_OK) == 0)
        return exeDir;
    const std::string data = UserDataDirectory();
    if (!data.empty()) {
        std::filesystem::create_directories(data, ec);
        if (IsDirectory(data))
            return data;
    }
    // Nowhere better: the working directory, so that the program still runs.
    return Normalised(std::filesystem::current_path(ec).string());
}

std::string MakePrivateTempDir(std::string* error)
{
    std::vector<std::string> bases;
    if (const std::string tmp = EnvValue("TMPDIR"); !tmp.empty())
        bases.push_back(tmp);
    bases.emplace_back("/tmp");
    int lastErr = 0;
    std::string lastBase;
    for (const auto& base : bases) {
        // mkdtemp picks an unused random name and creates the directory 0700,
        // so no other user can plant or read anything inside it.
        std::string tmpl = WithTrailingSlash(base) + "vexagrid-XXXXXX";
        if (mkdtemp(tmpl.data()))
            return tmpl + '/';
        lastErr = errno;
        lastBase = base;
    }
    if (error)
        *error = "Cannot create a temporary directory in " + lastBase + ": " + ErrorText(lastErr);
    return {};
}

std::string WriteFileAtomic(const std::string& path, std::string_view bytes, FileSync sync)
{
    if (path.empty() || path.back() == '/')
        return "Cannot write \"" + path + "\": not a file name";
    const std::string target = ResolveTarget(path);
    const auto slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    const std::string dirPrefix = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);

    struct stat st {};
    const bool exists = stat(target.c_str(), &st) == 0;
    // Renaming over a directory, a device or a FIFO would replace it with a
    // plain file (or fail half-way); only regular files are replaced.
    if (exists && !S_ISREG(st.st_mode))
        return "Cannot write \"" + path + "\": not a regular file";

    // A hidden name that cannot collide with another writer: the process id, a
    // counter, and O_EXCL in case a stale file from a crash has the same name.
    static std::atomic<unsigned> counter{0};
    const std::string stem = dirPrefix + "." + base.substr(0, 128) + ".tmp" + std::to_string(getpid()) + "-";
    std::string tmp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        tmp = stem + std::to_string(counter.fetch_add(1));
        // 0666 lets the umask decide, as for any newly created file.
        fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return "Cannot write \"" + path + "\": " + ErrorText(errno);
    }
    if (fd < 0)
        return "Cannot write \"" + path + "\": no free temporary name";

    auto fail = [&](int err) {
        if (fd >= 0)
            close(fd);
        unlink(tmp.c_str());
        return "Cannot write \"" + path + "\": " + ErrorText(err);
    };
    if (exists)
        fchmod(fd, st.st_mode & 07777);  // best effort: the content matters more
    if (!WriteAll(fd, bytes) || (sync == FileSync::Now && fsync(fd) != 0))
        return fail(errno);
    const int rc = close(fd);
    fd = -1;
    if (rc != 0)
        return fail(errno);
    if (rename(tmp.c_str(), target.c_str()) != 0)
        return fail(errno);
    if (sync == FileSync::Now)
        SyncDirectory(dir);
    return {};
}

std::string SyncFileSystem(const std::string& path)
{
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return "Cannot sync \"" + path + "\": " + ErrorText(errno);
    const int rc = syncfs(fd);
    const int err = errno;
    close(fd);
    if (rc != 0)
        return "Cannot sync \"" + path + "\": " + ErrorText(err);
    return {};
}

std::optional<std::string> ReadFileBytes(const std::string& path, std::string* error, std::uint64_t maxBytes)
{
    auto fail = [&](const std::string& why) -> std::optional<std::string> {
        if (error)
            *error = "Cannot read \"" + path + "\": " + why;
        return std::nullopt;
    };
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return fail(ErrorText(errno));
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return fail("not a regular file");
    }
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (size > maxBytes || size > SIZE_MAX / 2) {
        close(fd);
        return fail("file too large");
    }
    // Never more than the size seen now, even if the file keeps growing.
    std::string data(static_cast<std::size_t>(size), '\0');
    std::size_t got = 0;
    while (got < data.size()) {
        const ssize_t n = read(fd, data.data() + got, data.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            close(fd);
            return fail(ErrorText(err));
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    close(fd);
    data.resize(got);
    return data;
}

}  // namespace vexa
