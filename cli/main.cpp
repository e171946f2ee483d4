// vexagrid-cli: the engine from the command line.
#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "app/settings.h"
#include "hpgl/hpgl_file.h"
#include "model/one_page.h"

namespace {
using nlohmann::json;

std::string ReadResultText(int result)
{
    switch (result) {
    case HPGL_OK:
        return "read";
    case HPGL_CANNOT_OPEN:
        return "cannot open the file";
    case HPGL_BAD_SIZE:
        return "file size outside " + std::to_string(MIN_HPGL_FILE_SIZE) + " to "
               + std::to_string(MAX_HPGL_FILE_SIZE) + " bytes";
    case HPGL_NUMBER_AFTER_DF:
        return "a number follows DF: not an HP-GL file we can read";
    default:
        return "unknown result " + std::to_string(result);
    }
}

std::string Dump(const json& j)
{
    // File names are bytes; never let an odd one stop the report.
    return j.dump(-1, ' ', false, json::error_handler_t::replace);
}

int Info(const std::vector<std::string>& files, bool asJson)
{
    int status = 0;
    for (const std::string& path : files) {
        CHpglFile hpgl;
        hpgl.m_path = path;
        int result = HPGL_CANNOT_OPEN;
        std::string error;
        COnePage page;
        try {
            result = hpgl.Read();
            if (result == HPGL_OK)
                hpgl.FillPage(page);
            else
                error = ReadResultText(result);
        } catch (const HpglInvalidArgument& e) {
            error = std::string("invalid argument: ") + e.what();
        } catch (const std::exception& e) {
            error = e.what();
        }
        if (!error.empty()) {
            std::cerr << "vexagrid-cli: " << path << ": " << error << '\n';
            status = 1;
            if (asJson)
                std::cout << Dump({{"file", path}, {"result", result}, {"error", error}}) << '\n';
            continue;
        }
        page.ComputeExtents();
        const size_t points = page.PointCount();
        const bool hasCurves = !page.m_curves.empty();
        if (asJson) {
            json j = {{"file", path},
                      {"result", result},
                      {"records", hpgl.RecordCount()},
                      {"curves", page.m_curves.size()},
                      {"points", points},
                      {"labels", hpgl.LabelCount()}};
            if (hasCurves) {
                j["extents"] = {{"minX", page.m_minX}, {"maxX", page.m_maxX}, {"minY", page.m_minY}, {"maxY", page.m_maxY}};
                j["extents_mm"] = {{"minX", page.m_minX / 40.0},
                                   {"maxX", page.m_maxX / 40.0},
                                   {"minY", page.m_minY / 40.0},
                                   {"maxY", page.m_maxY / 40.0}};
            }
            std::cout << Dump(j) << '\n';
            continue;
        }
        std::printf("%s: read %d, %zu records, %zu curves, %zu points, %zu labels\n", path.c_str(), result,
                    hpgl.RecordCount(), page.m_curves.size(), points, hpgl.LabelCount());
        if (hasCurves) {
            std::printf("  X %d .. %d, Y %d .. %d plotter units\n", page.m_minX, page.m_maxX, page.m_minY,
                        page.m_maxY);
            std::printf("  X %.3f .. %.3f mm, Y %.3f .. %.3f mm (%d mm x %d mm)\n", page.m_minX / 40.0,
                        page.m_maxX / 40.0, page.m_minY / 40.0, page.m_maxY / 40.0,
                        (page.m_maxX - page.m_minX) / PLOTTER_UNITS_PER_MM,
                        (page.m_maxY - page.m_minY) / PLOTTER_UNITS_PER_MM);
        } else {
            std::printf("  no curves\n");
        }
    }
    return status;
}
}  // namespace

int main(int argc, char** argv)
{
    CLI::App app{"VexaGrid output centre, command-line tool"};
    app.require_subcommand(1);

    std::vector<std::string> infoFiles;
    bool infoJson = false;
    CLI::App* info = app.add_subcommand("info", "Read HP-GL files and report what they hold");
    info->add_option("files", infoFiles, "HP-GL files (.plt)")->required();
    info->add_flag("--json", infoJson, "One JSON object per file");

    CLI11_PARSE(app, argc, argv);

    // Reading HP-GL draws labels with the built-in stroke fonts.
    g_settings.InitFontPaths();
    if (info->parsed())
        return Info(infoFiles, infoJson);
    return 0;
}
