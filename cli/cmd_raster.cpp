// vexagrid-cli swaths and render: the swath streams of a job, and the
// picture of what the plotter prints from them.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "app/platform.h"
#include "app/settings.h"
#include "cli/cli.h"
#include "hpgl/hpgl_import.h"
#include "model/one_page.h"
#include "model/page_layout.h"
#include "raster/printed_image.h"
#include "raster/swath_builder.h"

namespace cli {
void MachineOptions::AddTo(CLI::App* c)
{
    c->add_option("--head-mode", headMode, "0 both cartridges, 1 cartridge 1, 2 cartridge 2")
        ->check(CLI::IsMember({0, 1, 2}));
    c->add_option("--head-overlap", headOverlap, "Nozzles by which the cartridges overlap")->check(CLI::Range(0, 149));
    c->add_option("--head2-position", head2Position, "Cartridge 2's distance in rows")->check(CLI::Range(0, 255));
    c->add_option("--line-width", lineWidth, "Line width in dots")->check(CLI::Range(0, 255));
    c->add_option("--resolution", resolution, "0: 180 dpi, 1: 150 dpi across")->check(CLI::IsMember({0, 1}));
    c->add_option("--cartridge1-on-right", cartridge1OnRight, "1: cartridge 1 mounted on the right")
        ->check(CLI::IsMember({0, 1}));
    c->add_option("--x-scale", xScale, "Printed length of 1 m along the feed, 0.1 mm")->check(CLI::Range(1, 65535));
    c->add_option("--y-scale", yScale, "Printed length of 1 m across, 0.1 mm")->check(CLI::Range(1, 65535));
    c->add_option("--auto-clean", autoClean, "1: purge pattern ahead of the job")->check(CLI::IsMember({0, 1}));
    c->add_option("--machine-length", machineLength, "Usable carriage length, mm")->check(CLI::Range(0, 65535));
    c->add_option("--idle-distance", idleDistance, "Idle travel of the carriage, mm")->check(CLI::Range(0, 255));
    c->add_option("--start-offset", startOffset, "Print start adjustment, mm")->check(CLI::Range(0, 65535));
    c->add_option("--start-at", startAt, "The job's start position along the feed, mm");
    c->add_option("--threads", threads, "Threads that build the swaths (default: one per core)")
        ->check(CLI::Range(1, 256));
}

int MachineOptions::Threads() const
{
    return threads ? *threads : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

void MachineOptions::Apply() const
{
    auto set = [](std::atomic<int>& field, const std::optional<int>& v) {
        if (v)
            field = *v;
    };
    set(g_settings.m_headMode, headMode);
    set(g_settings.m_headOverlap, headOverlap);
    set(g_settings.m_head2Position, head2Position);
    set(g_settings.m_lineWidth, lineWidth);
    set(g_settings.m_resolution, resolution);
    set(g_settings.m_cartridge1OnRight, cartridge1OnRight);
    set(g_settings.m_xScale, xScale);
    set(g_settings.m_yScale, yScale);
    set(g_settings.m_autoClean, autoClean);
    set(g_settings.m_machineLength, machineLength);
    set(g_settings.m_idleDistance, idleDistance);
    set(g_settings.m_startOffset, startOffset);
}

json MachineOptions::Used() const
{
    return {{"head_mode", g_settings.m_headMode.load()},
            {"head_overlap", g_settings.m_headOverlap.load()},
            {"head2_position", g_settings.m_head2Position.load()},
            {"line_width", g_settings.m_lineWidth.load()},
            {"resolution", g_settings.m_resolution.load()},
            {"cartridge1_on_right", g_settings.m_cartridge1OnRight.load()},
            {"x_scale", g_settings.m_xScale.load()},
            {"y_scale", g_settings.m_yScale.load()},
            {"auto_clean", g_settings.m_autoClean.load()},
            {"machine_length", g_settings.m_machineLength.load()},
            {"idle_distance", g_settings.m_idleDistance.load()},
            {"start_offset", g_settings.m_startOffset.load()},
            {"start_at", startAt},
            {"page_width", g_settings.m_pageWidth.load()},
            {"wide_mode", g_settings.m_wideMode.load()}};
}

namespace {
// Imports the file as a job and prepares it as the job start does; null
// after reporting why not.
std::shared_ptr<const vexa::CSwathJob> PrepareJob(const std::string& file, const MachineOptions& machine)
{
    machine.Apply();
    HpglImport imported = ImportHpglFile(file);
    if (!imported.page) {
        Fail(file, imported.error);
        return nullptr;
    }
    if (std::string message = AcceptStartPosition(*imported.page, machine.startAt); !message.empty()) {
        Fail(file, message);
        return nullptr;
    }
    std::string message;
    auto job = vexa::CSwathJob::Prepare(*imported.page, vexa::SwathSettings::Current(), message);
    if (!job)
        Fail(file, message);
    return job;
}

std::string SwathFileName(int n)
{
    char name[32];
    std::snprintf(name, sizeof name, "swath_%05d.bin", n);
    return name;
}
}  // namespace

int Swaths(const std::string& file, const std::string& outDir, const MachineOptions& machine)
{
    const auto job = PrepareJob(file, machine);
    if (!job)
        return 1;
    std::error_code ec;
    std::filesystem::create_directories(outDir, ec);
    if (ec)
        return Fail(outDir, ec.message());
    const int swaths = job->SwathCount();
    std::vector<size_t> sizes(static_cast<size_t>(swaths));
    std::vector<uint8_t> written(static_cast<size_t>(swaths));
    const vexa::SwathFailure failure =
        vexa::ForEachSwath(job, machine.Threads(), [&](vexa::CSwathBuilder& builder, int n) -> std::string {
            builder.Build(n);
            const std::span<const uint8_t> stream = builder.Compress();
            const std::string_view bytes(reinterpret_cast<const char*>(stream.data()), stream.size());
            // A sync per file would cost more than building the swaths; one
            // sync of the file system follows them all.
            if (std::string error = vexa::WriteFileAtomic(outDir + "/" + SwathFileName(n), bytes, vexa::FileSync::Later);
                !error.empty())
                return error;
            sizes[static_cast<size_t>(n)] = bytes.size();
            written[static_cast<size_t>(n)] = 1;
            return {};
        });
    if (failure.swath >= 0) {
        // Other threads may have written swaths after the one that failed:
        // what is left is what one thread leaves, the swaths before it.
        for (int n = failure.swath + 1; n < swaths; ++n)
            if (written[static_cast<size_t>(n)])
                std::filesystem::remove(outDir + "/" + SwathFileName(n), ec);
        return Fail(outDir, failure.message);
    }
    if (std::string error = vexa::SyncFileSystem(outDir); !error.empty())
        return Fail(outDir, error);
    const int rows = job->Rows();
    const json header = {{"file", file},
                         {"rows", rows},
                         {"swaths", swaths},
                         {"swath_width", job->SwathWidth()},
                         {"words_per_swath", job->WordsPerSwath()},
                         {"stream_bytes", sizes},
                         {"settings", machine.Used()}};
    // Written after the sync and synced itself: the header never reaches the
    // disk before its swaths.
    if (std::string error = vexa::WriteFileAtomic(outDir + "/header.json", header.dump(2) + "\n"); !error.empty())
        return Fail(outDir, error);
    std::printf("%s: %d swaths of %d rows\n", outDir.c_str(), swaths, rows);
    return 0;
}

int Render(const std::string& file, const std::string& outPng, int scale, const MachineOptions& machine)
{
    const auto job = PrepareJob(file, machine);
    if (!job)
        return 1;
    const int rows = job->Rows(), swaths = job->SwathCount();
    vexa::PrintedImage image(rows, swaths, job->SwathWidth(), scale);
    const vexa::SwathFailure failure =
        vexa::ForEachSwath(job, machine.Threads(), [&](vexa::CSwathBuilder& builder, int n) -> std::string {
            // What the controller receives, read back the way it reads it.
            if (std::string error = builder.BuildPrinted(n); !error.empty())
                return "swath " + std::to_string(n) + " does not decode: " + error;
            image.AddSwath(n, builder.Printed());
            return {};
        });
    if (failure.swath >= 0)
        return Fail(file, failure.message);
    if (std::string error = image.WritePng(outPng, machine.Threads()); !error.empty())
        return Fail(outPng, error);
    std::printf("%s: %u x %u pixels, %d swaths of %d rows\n", outPng.c_str(), image.Width(), image.Height(), swaths,
                rows);
    return 0;
}
}  // namespace cli
