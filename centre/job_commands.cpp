// The window's commands on the job list: the rules of the main window, the
// control bar and the list view, without a window.
#include <cctype>
#include <unistd.h>

#include "app/platform.h"
#include "app/settings.h"
#include "centre/job_centre.h"
#include "device/frame_messages.h"
#include "device/plot_job.h"
#include "hpgl/hpgl_import.h"
#include "model/one_page.h"
#include "model/page_layout.h"

namespace vexa {
namespace {
std::string Text(const char* zh, const char* en)
{
    return g_settings.m_language == 0 ? zh : en;
}

std::string OpenFailed()
{
    return Text("文件打开失败!", "Open File Failed!");
}

std::string BusyOpening()
{
    return Text("正在工作,不能打开新文件!", "Can not open file,use (Add File) instead!");
}

// Reads a file as a job, or the message why not; a job that draws nothing
// comes back as neither.
std::unique_ptr<COnePage> ReadPlotFile(const std::string& path, std::string& message)
{
    HpglImport imported = ImportHpglFile(path);
    if (imported.readResult != 0)
        message = OpenFailed();
    else if (imported.invalidArgument)
        message = "遇到不适当的参数。";
    else if (!imported.nothingDrawn && !imported.page)
        message = imported.error;  // a stroke font that cannot be read
    // Curves of single points vanish in the layout: nothing to print.
    if (imported.page && imported.page->m_curves.empty())
        imported.page.reset();
    return std::move(imported.page);
}
}  // namespace

const char* const CJobCentre::TEST_PLOT_NAMES[TEST_PLOT_COUNT] = {"10x10.plt", "20x20.plt", "30x30.plt",
                                                                  "40x40.plt", "50x50.plt", "30x150.plt"};

bool CJobCentre::JobRunning()
{
    return g_plotThread != 0;
}

std::string CJobCentre::AddPlotFile(const std::string& path)
{
    std::string message;
    if (auto page = ReadPlotFile(path, message))
        m_doc.AddPage(std::move(page));
    return message;
}

std::string CJobCentre::OpenPlotFile(const std::string& path)
{
    if (JobRunning())
        return BusyOpening();
    std::string message;
    auto page = ReadPlotFile(path, message);
    if (!message.empty())
        return message;  // the old list stays
    m_doc.RemoveAllPages();
    if (page)
        m_doc.AddPage(std::move(page));
    return {};
}

std::string CJobCentre::TestPlotPath(int index)
{
    if (index < 0 || index >= TEST_PLOT_COUNT)
        return {};
    const std::string name = std::string("TestPlt/") + TEST_PLOT_NAMES[index];
    const std::string beside = g_settings.m_appDir + name;
    if (access(beside.c_str(), F_OK) == 0)
        return beside;
    const std::string installed = InstalledDataDirectory() + name;
    return access(installed.c_str(), F_OK) == 0 ? installed : beside;
}

std::string CJobCentre::OpenTestPlot(int index)
{
    // Emptying the list under a printing job would make its end count down
    // whatever job came first.
    if (JobRunning())
        return BusyOpening();
    m_doc.RemoveAllPages();
    return AddPlotFile(TestPlotPath(index));
}

std::string CJobCentre::OpenTaskFile(const std::string& path)
{
    if (JobRunning())
        return BusyOpening();
    return m_doc.LoadTaskFile(path);
}

std::string CJobCentre::SaveTaskFile(const std::string& path)
{
    return m_doc.SaveTaskFile(path);
}

std::string CJobCentre::ExportPath(const std::string& chosen)
{
    const size_t n = chosen.size();
    auto lower = [&](size_t i) { return static_cast<char>(std::tolower(static_cast<unsigned char>(chosen[i]))); };
    if (n > 4 && chosen[n - 4] == '.' && lower(n - 3) == 'p' && lower(n - 2) == 'l' && lower(n - 1) == 't')
        return chosen;
    return chosen + ".plt";
}

std::string CJobCentre::ExportList(const std::string& chosen)
{
    return m_doc.ExportHpgl(ExportPath(chosen));
}

void CJobCentre::Pause()
{
    g_settings.PostCommand(UI_PAUSE);
}

void CJobCentre::DeleteTask()
{
    g_settings.PostCommand(UI_CANCEL);
    if (!JobRunning())
        m_doc.RemoveAllPages();
}

void CJobCentre::SetCopies(int row, int copies)
{
    if (COnePage* job = m_doc.GetPage(row))
        job->m_copies = copies;
}

void CJobCentre::SetStartMode(int row, bool automatic)
{
    // A printing job keeps its state either way.
    COnePage* job = m_doc.GetPage(row);
    if (job && automatic && job->m_autoState == AUTO_STATE_NO)
        job->m_autoState = AUTO_STATE_YES;
    else if (job && !automatic && job->m_autoState == AUTO_STATE_YES)
        job->m_autoState = AUTO_STATE_NO;
}

std::string CJobCentre::SplitAlongX(int row, int mm)
{
    return SplitByLength(m_doc, row, mm, JobRunning());
}

std::string CJobCentre::PaginateAlongY(int row, int mm)
{
    COnePage* job = m_doc.GetPage(row);
    if (!job)
        return {};
    if (std::string message = CheckPaginationBand(*job, mm); !message.empty())
        return message;
    job->PaginateY(mm * PLOTTER_UNITS_PER_MM);
    return {};
}

std::string CJobCentre::SetStartPosition(int row, int mm)
{
    COnePage* job = m_doc.GetPage(row);
    return job ? AcceptStartPosition(*job, mm) : std::string();
}

void CJobCentre::Rotate(int row)
{
    if (COnePage* job = m_doc.GetPage(row))
        job->Rotate90();
}

void CJobCentre::MoveToFront(int row)
{
    if (row >= 1 && row < m_doc.GetPageCount())
        m_doc.MovePageToFront(row, JobRunning());
}

std::string CJobCentre::DeleteJob(int row, int& select)
{
    select = -1;
    if (row < 0 || row >= m_doc.GetPageCount())
        return {};
    if (JobRunning() && row == 0)
        return "不能删除正在加工的页！";
    m_doc.RemovePage(row);
    const int count = m_doc.GetPageCount();
    if (count > 0)
        select = row < count ? row : row - 1;
    return {};
}

std::string CJobCentre::ClearRefusal() const
{
    return JobRunning() ? "正在工作,不能清空!" : std::string();
}

void CJobCentre::Clear()
{
    if (ClearRefusal().empty())
        m_doc.RemoveAllPages();
}
}  // namespace vexa
