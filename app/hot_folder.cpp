#include "app/hot_folder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/time_scale.h"
#include "hpgl/hpgl_file.h"
#include "model/one_page.h"
#include "model/page_layout.h"

namespace vexa {
namespace {
int64_t NowNs()
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
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
    std::string target = dir + "/" + name;
    for (int n = 1; access(target.c_str(), F_OK) == 0; ++n)
        target = dir + "/" + name + "." + std::to_string(n);
    if (std::rename((folder + name).c_str(), target.c_str()) != 0)
        return "cannot move " + name + " to " + dir + ": " + std::strerror(errno);
    return {};
}

void CHotFolder::Scan(const std::string& folder, std::vector<std::unique_ptr<COnePage>>& jobs,
                      std::vector<Event>& events)
{
    std::vector<std::pair<std::string, Stamp>> files;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.empty() || name[0] == '.')
                continue;
            struct stat st {};
            if (lstat((folder + name).c_str(), &st) != 0 || !S_ISREG(st.st_mode))
                continue;
            files.push_back({name, {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
                                    static_cast<int64_t>(st.st_size),
                                    static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec}});
        }
        closedir(dir);
    }
    std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

    std::map<std::string, Stamp> seen;
    const int64_t now = NowNs();
    const auto quietNs = static_cast<int64_t>(QUIET_MS * TimeScale() * 1e6);
    for (auto& [name, stamp] : files) {
        const auto previous = m_seen.find(name);
        const bool settled = previous != m_seen.end() && previous->second == stamp && now - stamp.mtimeNs >= quietNs;
        if (!settled) {
            seen[name] = stamp;  // look again at the next scan
            continue;
        }
        Outcome outcome = ImportHotFolderFile(folder + name);
        switch (outcome.kind) {
        case Outcome::JOB:
            if (std::remove((folder + name).c_str()) != 0) {
                // A job whose file stays would be imported again and again.
                events.push_back({Event::FAILED, name, std::string("cannot delete it: ") + std::strerror(errno)});
                seen[name] = stamp;
                break;
            }
            jobs.push_back(std::move(outcome.job));
            events.push_back({Event::IMPORTED, name, {}});
            break;
        case Outcome::REJECT:
            if (std::string error = MoveToRejected(folder, name); !error.empty()) {
                events.push_back({Event::FAILED, name, outcome.reason + "; " + error});
                seen[name] = stamp;
            } else {
                events.push_back({Event::REJECTED, name, outcome.reason});
            }
            break;
        case Outcome::WAIT:
            seen[name] = stamp;
            break;
        case Outcome::FAIL:
            events.push_back({Event::FAILED, name, outcome.reason});
            seen[name] = stamp;
            break;
        }
    }
    m_seen = std::move(seen);
}
}  // namespace vexa
