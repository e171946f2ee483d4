// vexagrid-cli swaths and render: the swath streams of a job, and the
// picture of what the plotter prints from them.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/platform.h"
#include "app/settings.h"
#include "cli/cli.h"
#include "hpgl/hpgl_import.h"
#include "model/one_page.h"
#include "model/page_layout.h"
#include "raster/printed_image.h"
#include "raster/swath_build.h"
#include "raster/swath_decoder.h"

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
// Imports the file as a job and prepares it as the job start does; the
// swath count, or -1 after reporting why not.
int PrepareJob(const std::string& file, const MachineOptions& machine)
{
    machine.Apply();
    HpglImport imported = ImportHpglFile(file);
    if (!imported.page) {
        Fail(file, imported.error);
        return -1;
    }
    if (std::string message = AcceptStartPosition(*imported.page, machine.startAt); !message.empty()) {
        Fail(file, message);
        return -1;
    }
    std::string message;
    const int swaths = PreparePlotJob(*imported.page, message);
    if (swaths < 0)
        Fail(file, message);
    return swaths;
}

vexa::HeadLayout CurrentLayout()
{
    return {g_settings.m_headMode, HeadOverlap(), g_settings.m_head2Position, g_settings.m_cartridge1OnRight};
}
}  // namespace

int Swaths(const std::string& file, const std::string& outDir, const MachineOptions& machine)
{
    const int swaths = PrepareJob(file, machine);
    if (swaths < 0)
        return 1;
    std::error_code ec;
    std::filesystem::create_directories(outDir, ec);
    if (ec)
        return Fail(outDir, ec.message());
    json sizes = json::array();
    for (int n = 0; n < swaths; ++n) {
        BuildSwath(n);
        CompressSwath();
        char name[32];
        std::snprintf(name, sizeof name, "swath_%05d.bin", n);
        const std::string_view bytes(reinterpret_cast<const char*>(g_swathStream),
                                     static_cast<size_t>(g_swathStreamBytes.load()));
        // A sync per file would cost more than building the swaths; one sync
        // of the file system follows them all.
        if (std::string error = vexa::WriteFileAtomic(outDir + "/" + name, bytes, vexa::FileSync::Later);
            !error.empty())
            return Fail(outDir, error);
        sizes.push_back(bytes.size());
    }
    if (std::string error = vexa::SyncFileSystem(outDir); !error.empty())
        return Fail(outDir, error);
    const json header = {{"file", file},
                         {"rows", g_swathRows.load()},
                         {"swaths", swaths},
                         {"swath_width", SwathWidth()},
                         {"words_per_swath", (g_swathRows.load() + LEADING_BLANK_RECORDS) * (COLUMN_RECORD_BYTES / 2)},
                         {"stream_bytes", sizes},
                         {"settings", machine.Used()}};
    // Written after the sync and synced itself: the header never reaches the
    // disk before its swaths.
    if (std::string error = vexa::WriteFileAtomic(outDir + "/header.json", header.dump(2) + "\n"); !error.empty())
        return Fail(outDir, error);
    std::printf("%s: %d swaths of %d rows\n", outDir.c_str(), swaths, g_swathRows.load());
    return 0;
}

int Render(const std::string& file, const std::string& outPng, int scale, const MachineOptions& machine)
{
    const int swaths = PrepareJob(file, machine);
    if (swaths < 0)
        return 1;
    const int rows = g_swathRows;
    const size_t words = static_cast<size_t>(rows + LEADING_BLANK_RECORDS) * (COLUMN_RECORD_BYTES / 2);
    const vexa::HeadLayout layout = CurrentLayout();
    vexa::PrintedImage image(rows, swaths, SwathWidth(), scale);
    std::vector<uint16_t> decoded;
    for (int n = 0; n < swaths; ++n) {
        BuildSwath(n);
        CompressSwath();
        // What the controller receives, read back the way it reads it.
        const std::span<const uint8_t> stream(reinterpret_cast<const uint8_t*>(g_swathStream),
                                              static_cast<size_t>(g_swathStreamBytes.load()));
        if (std::string error = vexa::DecodeSwathStream(stream, words, decoded); !error.empty())
            return Fail(file, "swath " + std::to_string(n) + " does not decode: " + error);
        image.AddSwath(n, vexa::PrintedDots(decoded, rows, layout));
    }
    if (std::string error = image.WritePng(outPng); !error.empty())
        return Fail(outPng, error);
    std::printf("%s: %u x %u pixels, %d swaths of %d rows\n", outPng.c_str(), image.Width(), image.Height(), swaths,
                rows);
    return 0;
}
}  // namespace cli
