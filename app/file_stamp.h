#pragma once
#include <cstdint>
#include <optional>
#include <string>

struct stat;

namespace vexa {
// One version of one file: the same name with another inode, size or time is
// another file as far as the hot folder and the hand-over are concerned.
// Times are only ever compared for equality; a clock that runs ahead on the
// machine that wrote the file changes nothing.
struct FileStamp {
    uint64_t dev = 0, ino = 0;
    int64_t size = -1;
    int64_t mtimeNs = 0;
    bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const struct stat& st);
// The stamp of the regular file path names (symbolic links followed);
// nullopt when there is none.
std::optional<FileStamp> StampOfPath(const std::string& path);

// Moves from to target, or to target.1, target.2, ... when taken: never over
// an existing file. Returns the name used, or nullopt with the reason.
std::optional<std::string> RenameToFreeName(const std::string& from, const std::string& target,
                                            std::string* error = nullptr);

// Local time as YYYYMMDD-HHMMSS, for names of files kept aside.
std::string FileTimeTag();
}  // namespace vexa
