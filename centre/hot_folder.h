#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/file_stamp.h"

class COnePage;

namespace vexa {
// The hot folder: every HP-GL file another program puts there becomes a job
// and the file is deleted. Linux lets a file be read while it is still being
// written, so a file is taken only once it has settled: the same size, time
// and inode across scans for a quiet period measured on the monotonic clock
// (a file copied with its times from a machine whose clock runs ahead still
// settles). Files that cannot become a job move to the subfolder "rejected/"
// instead of being deleted; subfolders, hidden files (a writer's temporary
// names) and symbolic links are left alone.
class CHotFolder {
public:
    // Quiet period before a file counts as settled (scaled by the time scale).
    static constexpr int QUIET_MS = 2000;
    static constexpr const char* REJECTED_DIR = "rejected";

    struct Event {
        enum Kind { IMPORTED, REJECTED, FAILED, SKIPPED } kind;
        std::string file;    // name in the folder
        std::string reason;  // why rejected, failed or skipped
    };

    // Scans folder (ending with '/') once. New jobs are appended to jobs in
    // name order; events say what happened to each file handled. A file that
    // failed is reported once and tried again only when it changes; a skipped
    // name is reported once while it stays.
    void Scan(const std::string& folder, std::vector<std::unique_ptr<COnePage>>& jobs, std::vector<Event>& events);
    // The same with the monotonic time given, in nanoseconds.
    void Scan(const std::string& folder, std::vector<std::unique_ptr<COnePage>>& jobs, std::vector<Event>& events,
              int64_t monotonicNs);

private:
    struct Seen {
        FileStamp stamp;
        int64_t sinceNs = 0;  // monotonic time this stamp was first seen
    };
    // What earlier scans saw, by file name.
    std::map<std::string, Seen> m_seen;
    // Files that failed, by name, as they were then.
    std::map<std::string, FileStamp> m_failed;
    std::set<std::string> m_skipped;
};

// Moves a file into dir/rejected/ under a name not yet taken there; returns
// an error message or an empty string.
std::string MoveToRejected(const std::string& folder, const std::string& name);
}  // namespace vexa
