#include "centre/hot_folder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/file_stamp.h"
#include "app/time_scale.h"
#include "hpgl/hpgl_file.h"
#include "model/one_page.h"
#include "model/page_layout.h"

namespace vexa {
namespace {
int64_t MonotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// What one settled file became.
struct Outcome {
    enum { JOB, REJECT, WAIT, FAIL } kind;
    std::unique_ptr<COnePage> job;
    std::string reason;
};

Outcome ImportHotFolderFile(const std::string& path)
{
    CHpglFile file;
    file.m_path = path;
    int result;
    auto page = std::make_unique<COnePage>();
    try {
        result = file.Read();
        if (result == HPGL_OK)
            file.FillPage(*page);
    } catch (const HpglInvalidArgument& e) {
        return {Outcome::REJECT, nullptr, std::string("invalid argument: ") + e.what()};
    } catch (const std::exception& e) {
        // A font that cannot be read is the program's fault, not the file's.
        return {Outcome::FAIL, nullptr, e.what()};
    }
    if (result > 0)
        return {Outcome::WAIT, nullptr, "cannot be opened yet"};
    if (result < 0)
        return {Outcome::REJECT, nullptr, result == HPGL_BAD_SIZE ? "size outside 10 to 8,000,000 bytes"
                                                                  : "not an HP-GL file we can read"};
    if (page->m_curves.empty())
        return {Outcome::REJECT, nullptr, "nothing drawn"};
    PrepareImportedPage(*page);
    // Curves of single points vanish in the layout: like a job without extent.
    if (page->m_curves.empty() || page->m_maxX - page->m_minX <= 0)
        return {Outcome::REJECT, nullptr, "no extent along the paper feed"};
    return {Outcome::JOB, std::move(page), {}};
}
}  // namespace

std::string MoveToRejected(const std::string& folder, const std::string& name)
{
    const std::string dir = folder + CHotFolder::REJECTED_DIR;
    if (mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST)
        return "cannot create " + dir + ": " + std::strerror(errno);
    std::string error;
    if (!RenameToFreeName(folder + name, dir + "/" + name, &error))
        return "cannot move " + name + " to " + dir + ": " + error;
    return {};
}

void CHotFolder::Scan(const std::string& folder, std::vector<std::unique_ptr<COnePage>>& jobs,
                      std::vector<Event>& events)
{
    Scan(folder, jobs, events, MonotonicNs());
}

void CHotFolder::Scan(const std::string& folder, std::vector<std::unique_ptr<COnePage>>& jobs,
                      std::vector<Event>& events, int64_t monotonicNs)
{
    std::vector<std::pair<std::string, FileStamp>> files;
    std::set<std::string> skipped;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.empty() || name == "." || name == "..")
                continue;
            struct stat st {};
            if (lstat((folder + name).c_str(), &st) != 0 || S_ISDIR(st.st_mode))
                continue;
            const char* why = name[0] == '.'          ? "hidden, left alone"
                              : S_ISLNK(st.st_mode)  ? "a symbolic link, left alone"
                              : !S_ISREG(st.st_mode) ? "not a regular file, left alone"
                                                     : nullptr;
            if (why) {
                // Said once while the name stays, not at every scan.
                if (!m_skipped.contains(name))
                    events.push_back({Event::SKIPPED, name, why});
                skipped.insert(name);
                continue;
            }
            files.push_back({name, StampOf(st)});
        }
        closedir(dir);
    }
    m_skipped = std::move(skipped);
    std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

    std::map<std::string, Seen> seen;
    std::map<std::string, FileStamp> failed;
    const auto quietNs = static_cast<int64_t>(QUIET_MS * TimeScale() * 1e6);
    for (const auto& file : files) {
        const std::string& name = file.first;
        const FileStamp& stamp = file.second;
        const auto previous = m_seen.find(name);
        const bool unchanged = previous != m_seen.end() && previous->second.stamp == stamp;
        const Seen now = unchanged ? previous->second : Seen{stamp, monotonicNs};
        seen[name] = now;
        if (!unchanged || monotonicNs - now.sinceNs < quietNs)
            continue;  // look again at the next scan
        if (const auto f = m_failed.find(name); f != m_failed.end() && f->second == stamp) {
            failed[name] = stamp;  // reported already; tried again once it changes
            continue;
        }
        auto fail = [&](const std::string& reason) {
            events.push_back({Event::FAILED, name, reason});
            failed[name] = stamp;
        };
        Outcome outcome = ImportHotFolderFile(folder + name);
        switch (outcome.kind) {
        case Outcome::JOB:
            if (std::remove((folder + name).c_str()) != 0) {
                // A job whose file stays would be imported again and again.
                fail(std::string("cannot delete it: ") + std::strerror(errno));
                break;
            }
            seen.erase(name);
            jobs.push_back(std::move(outcome.job));
            events.push_back({Event::IMPORTED, name, {}});
            break;
        case Outcome::REJECT:
            if (std::string error = MoveToRejected(folder, name); !error.empty()) {
                fail(outcome.reason + "; " + error);
            } else {
                seen.erase(name);
                events.push_back({Event::REJECTED, name, outcome.reason});
            }
            break;
        case Outcome::WAIT:
            break;
        case Outcome::FAIL:
            fail(outcome.reason);
            break;
        }
    }
    m_seen = std::move(seen);
    m_failed = std::move(failed);
}
}  // namespace vexa
