#include "model/vexa_doc.h"

#include <algorithm>

#include "app/platform.h"
#include "model/hpgl_export.h"
#include "model/page_layout.h"

const char* const MSG_SPLIT_PRINTING_JOB = "不能分割正在加工的页！";

namespace {
// Task files hold curves of up to 8 bytes a point; far beyond any real list.
constexpr uint64_t MAX_TASK_FILE_BYTES = uint64_t{1} << 32;
}

COnePage* CVexaDoc::GetPage(int index) const
{
    if (index < 0 || index >= GetPageCount())
        return nullptr;
    return m_pages[static_cast<size_t>(index)].get();
}

void CVexaDoc::AddPage(std::unique_ptr<COnePage> page)
{
    m_pages.push_back(std::move(page));
}

void CVexaDoc::InsertPage(int index, std::unique_ptr<COnePage> page)
{
    const auto at = static_cast<size_t>(std::clamp(index, 0, GetPageCount()));
    m_pages.insert(m_pages.begin() + static_cast<std::ptrdiff_t>(at), std::move(page));
}

void CVexaDoc::RemovePage(int index)
{
    if (index < 0 || index >= GetPageCount())
        return;
    m_pages.erase(m_pages.begin() + index);
}

void CVexaDoc::RemoveAllPages()
{
    m_pages.clear();
}

void CVexaDoc::MovePageToFront(int index, bool plotRunning)
{
    const int target = plotRunning ? 1 : 0;
    if (index < 1 || index >= GetPageCount() || index == target)
        return;
    auto page = std::move(m_pages[static_cast<size_t>(index)]);
    m_pages.erase(m_pages.begin() + index);
    m_pages.insert(m_pages.begin() + target, std::move(page));
}

std::string CVexaDoc::LoadTaskFile(const std::string& path)
{
    std::string error;
    const auto bytes = vexa::ReadFileBytes(path, &error, MAX_TASK_FILE_BYTES);
    if (!bytes)
        return path + ": " + error;
    if (bytes->empty())
        return {};
    PageList pages;
    error = ReadTaskFile(*bytes, pages);
    if (!error.empty())
        return path + ": not a task file we can read: " + error;
    m_pages = std::move(pages);
    return {};
}

std::string CVexaDoc::SaveTaskFile(const std::string& path) const
{
    std::string bytes;
    if (std::string error = WriteTaskFile(m_pages, bytes); !error.empty())
        return path + ": " + error;
    if (std::string error = vexa::WriteFileAtomic(path, bytes); !error.empty())
        return path + ": " + error;
    return {};
}

std::string CVexaDoc::ExportHpgl(const std::string& path) const
{
    std::vector<const COnePage*> pages;
    pages.reserve(m_pages.size());
    for (const auto& p : m_pages)
        pages.push_back(p.get());
    if (std::string error = vexa::WriteFileAtomic(path, ExportHpglText(pages)); !error.empty())
        return path + ": " + error;
    return {};
}

std::string SplitByLength(CVexaDoc& doc, int index, int mm, bool plotRunning)
{
    COnePage* page = doc.GetPage(index);
    if (!page)
        return {};
    // The printing job must stay page 0 with all its curves: the job advance
    // removes page 0 when the plot finishes.
    if (plotRunning && index == 0)
        return MSG_SPLIT_PRINTING_JOB;
    if (std::string message = CheckSplitLength(*page, mm); !message.empty())
        return message;
    const int length = mm * PLOTTER_UNITS_PER_MM;
    const int first = plotRunning ? 1 : 0;
    auto piece = std::make_unique<COnePage>();
    piece->CopyFrom(*page);
    const int n = piece->m_maxX / length;
    for (int i = 0; i < n; ++i) {
        page->RemoveAllCurves();
        piece->SplitAtX(*page, length);
        doc.InsertPage(first + i, std::move(piece));
        piece = std::make_unique<COnePage>();
        piece->CopyFrom(*page);
    }
    return {};
}
