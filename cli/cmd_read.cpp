// vexagrid-cli info and glyphs: what HP-GL files hold, and the stroke fonts.
#include <cstdio>
#include <iostream>

#include "app/platform.h"
#include "app/text_codec.h"
#include "cli/cli.h"
#include "hpgl/hpgl_file.h"
#include "hpgl/hpgl_import.h"
#include "model/hpgl_export.h"
#include "model/one_page.h"

namespace cli {
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
                error = HpglReadResultText(result);
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
                      {"labels", hpgl.LabelCount()},
                      {"label_strokes", hpgl.LabelStrokeCount()}};
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
        std::printf("%s: read %d, %zu records, %zu curves, %zu points, %zu labels (%zu strokes)\n", path.c_str(),
                    result, hpgl.RecordCount(), page.m_curves.size(), points, hpgl.LabelCount(),
                    hpgl.LabelStrokeCount());
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
// The sample sheet: every printable ASCII character, Chinese garment terms and
// the symbol rows of the CJK font, one label per line.
static std::vector<std::string> SampleLines()
{
    return {
        "ABCDEFGHIJKLMNOPQRSTUVWXYZ",
        "abcdefghijklmnopqrstuvwxyz",
        "0123456789 !\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~",
        "前片 后片 袖子 领子 尺码 M L XL 款号 2026-001",
        "裁剪 门襟 口袋 腰头 裤片 挂面 过肩 袖克夫 育克 后中 前中 省道",
        "男装 女装 童装 衬衫 西装 夹克 连衣裙 牛仔裤 风衣 羽绒服",
        "，。、；：？！“”《》【】（）……——",
        "ＡＢＣａｂｃ１２３ αβγδεζηθ ΑΒΓΔ абвгд АБВГД",
        "あいうえお かきくけこ アイウエオ カキクケコ",
    };
}

int Glyphs(const std::string& outPath, const std::vector<std::string>& texts, double height)
{
    const std::vector<std::string> lines = texts.empty() ? SampleLines() : texts;
    std::string hpgl = "IN;SP1;";
    // Width to height as in the design's default size (0.285 : 0.375).
    hpgl += "SI" + std::to_string(height * 0.76) + "," + std::to_string(height) + ";";
    const int lineStep = static_cast<int>(height * 400 * 1.6);
    int y = lineStep * static_cast<int>(lines.size());
    for (const std::string& line : lines) {
        size_t bad = 0;
        auto gbk = vexa::Utf8ToGbk(line, &bad);
        if (!gbk) {
            std::cerr << "vexagrid-cli: glyphs: text cannot be written in GBK (byte " << bad << "): " << line << '\n';
            return 1;
        }
        hpgl += "PU0," + std::to_string(y) + ";LB" + *gbk + "\x03";
        y -= lineStep;
    }
    hpgl += "SP0;";

    CHpglFile reader;
    COnePage page;
    try {
        if (const int result = reader.ReadBuffer(hpgl, "glyphs.plt"); result != HPGL_OK) {
            std::cerr << "vexagrid-cli: glyphs: " << HpglReadResultText(result) << '\n';
            return 1;
        }
        reader.FillPage(page);
    } catch (const std::exception& e) {
        std::cerr << "vexagrid-cli: glyphs: " << e.what() << '\n';
        return 1;
    }
    const COnePage* pages[] = {&page};
    if (const std::string error = vexa::WriteFileAtomic(outPath, ExportHpglText(pages)); !error.empty()) {
        std::cerr << "vexagrid-cli: " << outPath << ": " << error << '\n';
        return 1;
    }
    std::printf("%s: %zu lines, %zu strokes\n", outPath.c_str(), lines.size(), reader.LabelStrokeCount());
    return 0;
}
}  // namespace cli
