#include "app/file_stamp.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>

namespace vexa {
FileStamp StampOf(const struct stat& st)
{
    return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino), static_cast<int64_t>(st.st_size),
            static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

std::optional<FileStamp> StampOfPath(const std::string& path)
{
    struct stat st {};
    if (path.empty() || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return StampOf(st);
}

std::optional<std::string> RenameToFreeName(const std::string& from, const std::string& target, std::string* error)
{
    std::string name = target;
    for (int n = 1; n < 10000; ++n) {
        // RENAME_NOREPLACE makes "free" and "taken" one step: two programs
        // keeping files aside at once never overwrite each other's.
        if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE) == 0)
            return name;
        if (errno != EEXIST) {
            if (error)
                *error = std::strerror(errno);
            return std::nullopt;
        }
        name = target + "." + std::to_string(n);
    }
    if (error)
        *error = "no free name";
    return std::nullopt;
}

std::string FileTimeTag()
{
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &tm);
    return text;
}
}  // namespace vexa
