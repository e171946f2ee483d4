#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Linux stand-ins for the Windows services behind the program's files: where
// they live, a private temp directory, and safe file writes.
namespace vexa {

// Directory that holds "Vexa.ini", "Last.vxtask" and "plot/"; ends with '/'.
// $VEXAGRID_HOME if set; else the executable's directory when it is writable
// (a portable install); else $XDG_DATA_HOME/VexaGrid/ or
// ~/.local/share/VexaGrid/. The chosen directory is created if missing.
std::string AppDirectory();

// Where an install puts the program's data (test plots, translations), ending
// with '/'.
std::string InstalledDataDirectory();

// Directory of the running executable, ending with '/'; empty if unknown.
std::string ExecutableDirectory();

// Creates a directory only this user can enter (mode 0700) under $TMPDIR,
// else /tmp, with a fresh random name. Returns it with a final '/', or an
// empty string (and a message in *error) when none could be created.
std::string MakePrivateTempDir(std::string* error = nullptr);

// When WriteFileAtomic makes the new content durable.
enum class FileSync {
    Now,    // the file and the rename are flushed to disk before it returns
    Later,  // left to the system; for a batch of files, followed by SyncFileSystem
};

// Replaces the file at path with bytes so that a reader sees the old or the
// new content, never a mix: the bytes go to a temporary file in the same
// directory, are flushed to disk (unless sync is Later) and renamed over the
// target. A symbolic link at path is followed; an existing file's
// permissions are kept; anything but a regular file (a directory, a device,
// a FIFO) is refused. On failure the old file is untouched, no temporary
// file is left behind, and the message is returned; an empty result means
// success.
[[nodiscard]] std::string WriteFileAtomic(const std::string& path, std::string_view bytes,
                                          FileSync sync = FileSync::Now);

// Flushes everything written to the file system that holds path to disk:
// one sync for many files written with FileSync::Later, far cheaper than a
// sync per file. Returns the message on failure, empty on success.
[[nodiscard]] std::string SyncFileSystem(const std::string& path);

// Reads a whole regular file of at most maxBytes. nullopt (with a message in
// *error) when it is missing, not a regular file, too large or unreadable.
// Only regular files are read, so a name pointing at a device or a FIFO
// cannot make the program read forever.
std::optional<std::string> ReadFileBytes(const std::string& path, std::string* error = nullptr,
                                         std::uint64_t maxBytes = UINT64_MAX);

// True when path names a directory (symbolic links followed).
bool IsDirectory(const std::string& path);

// s with a '/' appended unless it already ends with one (or is empty).
std::string WithTrailingSlash(std::string s);

}  // namespace vexa
