// vexagrid-cli convert and tasks: job lists built from HP-GL files, task
// files, and the job list's HP-GL export.
#include <cstdio>
#include <iostream>

#include "cli/cli.h"
#include "hpgl/hpgl_import.h"
#include "model/vexa_doc.h"

namespace cli {
namespace {
// Imports every file as a job, as adding files to the job list does. Files
// that cannot be read are reported and left out; false when one failed.
bool ImportAll(const std::vector<std::string>& files, CVexaDoc& doc)
{
    bool ok = true;
    for (const std::string& path : files) {
        HpglImport imported = ImportHpglFile(path);
        if (!imported.page) {
            Fail(path, imported.error);
            ok = false;
            continue;
        }
        doc.AddPage(std::move(imported.page));
    }
    return ok;
}

json PageJson(int index, const COnePage& page)
{
    return {{"number", index + 1},
            {"file", page.m_fileName},
            {"length_mm", (page.m_maxX - page.m_minX) / PLOTTER_UNITS_PER_MM},
            {"width_mm", (page.m_maxY - page.m_minY) / PLOTTER_UNITS_PER_MM},
            {"curves", page.m_curves.size()},
            {"points", page.PointCount()}};
}
}  // namespace

int Convert(const std::vector<std::string>& files, const std::string& outPath)
{
    CVexaDoc doc;
    const bool ok = ImportAll(files, doc);
    if (std::string error = doc.ExportHpgl(outPath); !error.empty())
        return Fail("convert", error);
    std::printf("%s: %d jobs\n", outPath.c_str(), doc.GetPageCount());
    return ok ? 0 : 1;
}

int TasksSave(const std::vector<std::string>& files, const std::string& outPath)
{
    CVexaDoc doc;
    const bool ok = ImportAll(files, doc);
    if (std::string error = doc.SaveTaskFile(outPath); !error.empty())
        return Fail("tasks save", error);
    std::printf("%s: %d jobs\n", outPath.c_str(), doc.GetPageCount());
    return ok ? 0 : 1;
}

int TasksShow(const std::string& listPath, bool asJson)
{
    CVexaDoc doc;
    if (std::string error = doc.LoadTaskFile(listPath); !error.empty())
        return Fail("tasks show", error);
    for (int i = 0; i < doc.GetPageCount(); ++i) {
        const COnePage& page = *doc.GetPage(i);
        if (asJson) {
            std::cout << Dump(PageJson(i, page)) << '\n';
        } else {
            // As the job list shows them: number, size, curves, file name.
            std::printf("%03d  %dmm*%dmm  %zu curves  %s\n", i + 1,
                        (page.m_maxX - page.m_minX) / PLOTTER_UNITS_PER_MM,
                        (page.m_maxY - page.m_minY) / PLOTTER_UNITS_PER_MM, page.m_curves.size(),
                        page.m_fileName.c_str());
        }
    }
    return 0;
}

int TasksExport(const std::string& listPath, const std::string& outPath)
{
    CVexaDoc doc;
    if (std::string error = doc.LoadTaskFile(listPath); !error.empty())
        return Fail("tasks export", error);
    if (std::string error = doc.ExportHpgl(outPath); !error.empty())
        return Fail("tasks export", error);
    std::printf("%s: %d jobs\n", outPath.c_str(), doc.GetPageCount());
    return 0;
}
}  // namespace cli
