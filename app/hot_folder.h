#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class COnePage;

namespace vexa {
// The hot folder: every HP-GL file another program puts there becomes a job
// and the file is deleted. Linux lets a file be read while it is still being
// written, so a file is taken only once it has settled: the same size, time
// and inode as at the previous scan, and untouched for a quiet period.
// Files that cannot become a job move to the subfolder "rejected/" instead
// of being deleted; subfolders and hidden files (a writer's temporary
// names) are left alone.
class CHotFolder {
public:
    // Quiet period before a file counts as settled (scaled by the time scale).
    static constexpr int QUIET_MS = 2000;
    static constexpr const char* REJECTED_DIR = "rejected";

    struct Event {
        enum Kind { IMPORTED, REJECTED, FAILED } kind;
        std::string file;    // name in the folder
        std::string reason;  // why rejected or failed
    };

    // Scans folder (ending with '/') once. New jobs are appended to jobs in
    // name order; events say what happened to each file handled.
    void Scan(const std::string& folder, std::vector<std::unique_ptr<COnePage>>& jobs, std::vector<Event>& events);

private:
    struct Stamp {
        uint64_t dev = 0, ino = 0;
        int64_t size = -1;
        int64_t mtimeNs = 0;
        bool operator==(const Stamp&) const = default;
    };
    // What the previous scan saw, by file name.
    std::map<std::string, Stamp> m_seen;
};

// Moves a file into dir/rejected/ under a name not yet taken there; returns
// an error message or an empty string.
std::string MoveToRejected(const std::string& folder, const std::string& name);
}  // namespace vexa
