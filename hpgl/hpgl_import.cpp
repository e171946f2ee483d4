#include "hpgl/hpgl_import.h"

#include "hpgl/hpgl_file.h"
#include "model/one_page.h"
#include "model/page_layout.h"

std::string HpglReadResultText(int result)
{
    switch (result) {
    case HPGL_OK:
        return "read";
    case HPGL_CANNOT_OPEN:
        return "cannot open the file";
    case HPGL_BAD_SIZE:
        return "file size outside " + std::to_string(MIN_HPGL_FILE_SIZE) + " to " + std::to_string(MAX_HPGL_FILE_SIZE)
               + " bytes";
    case HPGL_NUMBER_AFTER_DF:
        return "a number follows DF: not an HP-GL file we can read";
    default:
        return "unknown result " + std::to_string(result);
    }
}

HpglImport ImportHpglFile(const std::string& path)
{
    HpglImport out;
    CHpglFile file;
    file.m_path = path;
    auto page = std::make_unique<COnePage>();
    try {
        out.readResult = file.Read();
        if (out.readResult != HPGL_OK) {
            out.error = HpglReadResultText(out.readResult);
            return out;
        }
        file.FillPage(*page);
    } catch (const HpglInvalidArgument& e) {
        out.error = std::string("invalid argument: ") + e.what();
        out.invalidArgument = true;
        return out;
    } catch (const std::exception& e) {
        out.error = e.what();
        return out;
    }
    if (page->m_curves.empty()) {
        out.error = "nothing drawn";
        out.nothingDrawn = true;
        return out;
    }
    PrepareImportedPage(*page);
    out.page = std::move(page);
    return out;
}
