// The job list view: its rows as the operator reads them, and each context
// command's prompt, refusal and effect through the job centre.
#include <QCoreApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QTranslator>
#include <memory>

#include "centre/job_centre.h"
#include "model/one_page.h"
#include "model/vexa_doc.h"
#include "tests/ui/machine_state_guard.h"
#include "tests/ui/ui_test.h"
#include "ui/list_view.h"

namespace {
using vexa::ui_test::CapturingSink;
using vexa::ui_test::MachineStateGuard;

// A job whose one curve spans x0..x1 and y0..y1 (plotter units, 40 per mm).
std::unique_ptr<COnePage> Job(const std::string& name, int x1, int y1, int x0 = 0, int y0 = 0)
{
    auto page = std::make_unique<COnePage>();
    page->m_fileName = name;
    auto curve = std::make_unique<CCurve>();
    curve->m_points = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}};
    page->AddCurve(std::move(curve));
    page->ComputeExtents();
    return page;
}

// The job list with its view, and the signals the view sends the preview.
struct ListFixture {
    CVexaDoc doc;
    vexa::CJobCentre centre{doc};
    CMyListView view{centre};
    QSignalSpy current{&view, &CMyListView::CurrentPageChanged};
    QSignalSpy redraw{&view, &CMyListView::RedrawPreview};

    explicit ListFixture(int jobs = 0)
    {
        for (int i = 0; i < jobs; ++i)
            doc.AddPage(Job("job" + std::to_string(i), 20000, 4000));
        view.RefreshList();
    }
    void Select(int row)
    {
        view.RefreshList();
        view.selectRow(row);
    }
    QString Cell(int row, int column) const
    {
        const QTableWidgetItem* item = view.item(row, column);
        return item ? item->text() : QStringLiteral("<none>");
    }
    QStringList Names() const
    {
        QStringList names;
        for (int i = 0; i < doc.GetPageCount(); ++i)
            names << QString::fromStdString(doc.GetPage(i)->m_fileName);
        return names;
    }
    // The last CurrentPageChanged row, or -2 when none was sent.
    int LastCurrent() const { return current.isEmpty() ? -2 : current.last().at(0).toInt(); }
};

class EnglishTranslator {
public:
    EnglishTranslator()
    {
        loaded = translator.load(QStringLiteral(":/i18n/widgets_en.qm"));
        QCoreApplication::installTranslator(&translator);
    }
    ~EnglishTranslator() { QCoreApplication::removeTranslator(&translator); }
    QTranslator translator;
    bool loaded = false;
};
}  // namespace

class ListViewTest : public QObject {
    Q_OBJECT
    std::unique_ptr<MachineStateGuard> m_guard;

private slots:
    void init()
    {
        m_guard = std::make_unique<MachineStateGuard>();
        g_plotThread = 0;
        g_settings.m_language = 0;
    }
    void cleanup() { m_guard.reset(); }

    void rowTextsFollowTheJobs()
    {
        ListFixture f;
        // 20039 units are 500.975 mm: whole millimetres, truncated; extents
        // that do not start at 0 count from their minimum.
        f.doc.AddPage(Job("样板 A.plt", 20079, 3999 + 40, 40, 40));
        f.doc.AddPage(Job("b", 400, 400));
        f.doc.AddPage(Job("c", 400, 400));
        f.doc.AddPage(Job("d", 400, 400));
        f.doc.AddPage(Job("e", 400, 400));
        f.doc.GetPage(0)->m_copies = -3;
        f.doc.GetPage(0)->m_startAt = 12;
        const int states[] = {AUTO_STATE_NO, AUTO_STATE_YES, AUTO_STATE_PRINTING, 3, -1};
        for (int i = 0; i < 5; ++i)
            f.doc.GetPage(i)->m_autoState = states[i];
        f.view.RefreshList();
        QCOMPARE(f.view.rowCount(), 5);
        QCOMPARE(f.view.horizontalHeaderItem(3)->text(), QStringLiteral("自动开始"));
        const QStringList row0{"001", "500mm*99mm", "-3", "否", "12mm", "样板 A.plt"};
        for (int c = 0; c < 6; ++c)
            QCOMPARE(f.Cell(0, c), row0[c]);
        QCOMPARE(f.Cell(3, 0), QStringLiteral("004"));
        QCOMPARE(f.Cell(1, 3), QStringLiteral("是"));
        QCOMPARE(f.Cell(2, 3), QStringLiteral("打印中"));
        QCOMPARE(f.Cell(3, 3), QString());  // no state of that number
        QCOMPARE(f.Cell(4, 3), QString());
        QVERIFY(!(f.view.item(0, 5)->flags() & Qt::ItemIsEditable));

        // Three digits at least, more when the list is that long.
        for (int i = 0; i < 996; ++i)
            f.doc.AddPage(Job("n", 400, 400));
        f.view.RefreshList();
        QCOMPARE(f.Cell(99, 0), QStringLiteral("100"));
        QCOMPARE(f.Cell(1000, 0), QStringLiteral("1001"));

        // The window started in English: English headers and auto-start texts;
        // back in Chinese at run time, the auto-start texts follow at the next
        // refresh while the headers stay.
        EnglishTranslator english;
        QVERIFY(english.loaded);
        g_settings.m_language = 1;
        ListFixture en;
        en.doc.AddPage(Job("a", 400, 400));
        en.doc.AddPage(Job("b", 400, 400));
        en.doc.AddPage(Job("c", 400, 400));
        en.doc.GetPage(1)->m_autoState = AUTO_STATE_YES;
        en.doc.GetPage(2)->m_autoState = AUTO_STATE_PRINTING;
        en.view.RefreshList();
        QStringList headers;
        for (int c = 0; c < 6; ++c)
            headers << en.view.horizontalHeaderItem(c)->text();
        QCOMPARE(headers, (QStringList{"No.", "Size", "Copies", "Auto Start", "Start At", "File Name"}));
        QCOMPARE(en.Cell(0, 3), QStringLiteral("No"));
        QCOMPARE(en.Cell(1, 3), QStringLiteral("Yes"));
        QCOMPARE(en.Cell(2, 3), QStringLiteral("Printing"));
        g_settings.m_language = 0;
        en.view.RefreshList();
        QCOMPARE(en.Cell(1, 3), QStringLiteral("是"));
        QCOMPARE(en.view.horizontalHeaderItem(0)->text(), QStringLiteral("No."));
    }

    void commandsWithoutSelectionDoNothing()
    {
        CapturingSink sink;
        ListFixture f(3);
        sink.integers = {7, 7, 7, 7};
        f.view.OnModifyCopies();
        f.view.OnStartModeYes();
        f.view.OnSplitAlongX();
        f.view.OnPaginateAlongY();
        f.view.OnStartPosition();
        f.view.OnRotate();
        f.view.OnMoveToFront();
        f.view.OnDelete();
        QVERIFY(sink.prompts.isEmpty());
        QVERIFY(sink.messages.isEmpty());
        QCOMPARE(f.Names(), (QStringList{"job0", "job1", "job2"}));
        QCOMPARE(f.doc.GetPage(0)->m_autoState, int(AUTO_STATE_NO));
        QVERIFY(f.current.isEmpty());
        QVERIFY(f.redraw.isEmpty());

        // Clear needs no selection, and even an empty list asks first.
        ListFixture empty;
        sink.answers = {false};
        empty.view.OnClear();
        QCOMPARE(sink.messages, QStringList{"是否清空列表?"});
        QCOMPARE(sink.captions, QStringList{"提示"});
    }

    void copiesAndStartMode()
    {
        CapturingSink sink;
        ListFixture f(2);
        f.doc.GetPage(1)->m_copies = 3;
        f.Select(1);
        sink.integers = {std::nullopt};
        f.view.OnModifyCopies();
        QCOMPARE(f.doc.GetPage(1)->m_copies, 3);  // cancelled
        QCOMPARE(sink.prompts, QStringList{"请输入份数:"});
        QCOMPARE(sink.initials, std::vector<int>{3});

        f.Select(1);
        sink.integers = {0};
        f.view.OnModifyCopies();
        QCOMPARE(f.doc.GetPage(1)->m_copies, 0);
        QCOMPARE(f.Cell(1, 2), QStringLiteral("0"));
        QCOMPARE(f.view.SelectedRow(), -1);  // the refresh drops the selection

        f.Select(1);
        f.view.OnStartModeYes();
        QCOMPARE(f.Cell(1, 3), QStringLiteral("是"));
        f.doc.GetPage(0)->m_autoState = AUTO_STATE_PRINTING;
        for (auto command : {&CMyListView::OnStartModeNo, &CMyListView::OnStartModeYes}) {
            f.Select(0);
            (f.view.*command)();
            QCOMPARE(f.Cell(0, 3), QStringLiteral("打印中"));
        }
        f.Select(1);
        f.view.OnStartModeNo();
        QCOMPARE(f.Cell(1, 3), QStringLiteral("否"));
        QVERIFY(sink.messages.isEmpty());
    }

    void startPositionLimits()
    {
        CapturingSink sink;
        ListFixture f(1);  // 500 mm long
        f.Select(0);
        sink.integers = {499};
        f.view.OnStartPosition();
        QCOMPARE(f.doc.GetPage(0)->m_startAt, 499);
        QVERIFY(sink.messages.isEmpty());
        QCOMPARE(f.Cell(0, 4), QStringLiteral("499mm"));

        f.Select(0);
        sink.integers = {std::nullopt};
        f.view.OnStartPosition();
        QCOMPARE(f.doc.GetPage(0)->m_startAt, 499);

        f.Select(0);
        sink.integers = {500};
        f.view.OnStartPosition();
        QCOMPARE(sink.messages, QStringList{"输入的起始点超过图形长度！"});
        QCOMPARE(f.doc.GetPage(0)->m_startAt, 0);
        QCOMPARE(f.Cell(0, 4), QStringLiteral("0mm"));  // shown after the message too

        f.Select(0);
        sink.integers = {-20};
        f.view.OnStartPosition();
        QCOMPARE(f.Cell(0, 4), QStringLiteral("-20mm"));
        QCOMPARE(sink.prompts.last(), QStringLiteral("输入起始位置(mm):"));
        QCOMPARE(sink.initials, (std::vector<int>{0, 499, 499, 0}));
    }

    void splitLimits()
    {
        CapturingSink sink;
        ListFixture f;
        f.doc.AddPage(Job("long", 20000, 4000));  // 500 mm
        f.view.RefreshList();
        const auto split = [&](int mm) {
            f.Select(0);
            sink.messages.clear();
            sink.integers = {mm};
            f.view.OnSplitAlongX();
            return sink.messages.isEmpty() ? QString() : sink.messages.last();
        };
        QCOMPARE(split(500), QStringLiteral("由于输入的段长超过图形长度，分割失败！"));
        for (int mm : {99, 0, -100})
            QCOMPARE(split(mm), QStringLiteral("由于输入的段长太短（小于100mm），分割失败！"));
        QCOMPARE(f.doc.GetPageCount(), 1);
        QVERIFY(f.redraw.isEmpty());
        QCOMPARE(sink.initials.front(), 5000);
        QCOMPARE(sink.prompts.front(), QStringLiteral("输入分割段长(mm):"));

        QCOMPARE(split(499), QString());
        QCOMPARE(f.view.rowCount(), 2);
        QCOMPARE(f.Cell(0, 1), QStringLiteral("499mm*100mm"));
        QCOMPARE(f.redraw.count(), 1);

        ListFixture g;
        g.doc.AddPage(Job("mid", 10000, 4000));  // 250 mm
        g.Select(0);
        sink.integers = {100};
        g.view.OnSplitAlongX();
        QCOMPARE(g.view.rowCount(), 3);
        QCOMPARE(g.Cell(0, 1), QStringLiteral("100mm*100mm"));
        QCOMPARE(g.Cell(1, 1), QStringLiteral("100mm*100mm"));
        QCOMPARE(g.Cell(2, 1), QStringLiteral("50mm*100mm"));
        QCOMPARE(g.redraw.count(), 1);
    }

    void paginationBand()
    {
        CapturingSink sink;
        ListFixture f;
        f.doc.AddPage(Job("wide", 20000, 4000));  // 100 mm wide
        f.Select(0);
        sink.integers = {101};
        f.view.OnPaginateAlongY();
        QCOMPARE(sink.messages, QStringList{"由于输入的分页长度超过图形宽度，分页失败！"});
        QCOMPARE(sink.initials, std::vector<int>{1000});
        f.Select(0);
        sink.integers = {0};
        f.view.OnPaginateAlongY();
        QCOMPARE(sink.messages.size(), 2);
        QCOMPARE(f.Cell(0, 1), QStringLiteral("500mm*100mm"));
        QVERIFY(f.redraw.isEmpty());

        f.Select(0);
        sink.integers = {100};
        f.view.OnPaginateAlongY();
        QCOMPARE(sink.messages.size(), 2);
        QCOMPARE(f.redraw.count(), 1);
        QCOMPARE(f.view.rowCount(), 1);
    }

    void rotateAndMoveToFront()
    {
        CapturingSink sink;
        ListFixture f(4);
        f.doc.InsertPage(2, Job("turn", 8000, 2000));
        f.Select(2);
        f.view.OnRotate();
        QCOMPARE(f.Cell(2, 1), QStringLiteral("50mm*200mm"));
        QCOMPARE(f.LastCurrent(), 2);

        f.Select(0);
        f.view.OnMoveToFront();
        QCOMPARE(f.Names(), (QStringList{"job0", "job1", "turn", "job2", "job3"}));
        g_plotThread = 1;  // behind the printing job
        f.Select(3);
        f.view.OnMoveToFront();
        QCOMPARE(f.Names(), (QStringList{"job0", "job2", "job1", "turn", "job3"}));
        g_plotThread = 0;
        f.Select(4);
        f.view.OnMoveToFront();
        QCOMPARE(f.Names(), (QStringList{"job3", "job0", "job2", "job1", "turn"}));
        QCOMPARE(f.Cell(0, 5), QStringLiteral("job3"));
        QVERIFY(sink.messages.isEmpty());
    }

    void deleteKeepsASelection()
    {
        CapturingSink sink;
        ListFixture f(3);
        g_plotThread = 1;
        f.Select(0);
        f.view.OnDelete();
        QCOMPARE(sink.messages, QStringList{"不能删除正在加工的页！"});
        QCOMPARE(f.doc.GetPageCount(), 3);
        QVERIFY(f.redraw.isEmpty());

        f.Select(1);
        f.view.OnDelete();
        QCOMPARE(f.Names(), (QStringList{"job0", "job2"}));
        QCOMPARE(f.view.SelectedRow(), 1);
        QCOMPARE(f.LastCurrent(), 1);
        QCOMPARE(f.redraw.count(), 1);
        g_plotThread = 0;

        // The last row gone, the new last row is selected; by the Delete key too.
        f.view.show();
        QVERIFY(QTest::qWaitForWindowActive(&f.view));
        f.Select(1);
        QTest::keyClick(&f.view, Qt::Key_Delete);
        QCOMPARE(f.Names(), QStringList{"job0"});
        QCOMPARE(f.view.SelectedRow(), 0);
        QCOMPARE(f.LastCurrent(), 0);
        QVERIFY(f.view.hasFocus());

        f.Select(0);
        f.view.OnDelete();
        QCOMPARE(f.view.rowCount(), 0);
        QCOMPARE(f.view.SelectedRow(), -1);
        QCOMPARE(f.LastCurrent(), 0);  // no new CurrentPageChanged
        QCOMPARE(f.current.count(), 2);
        QCOMPARE(f.redraw.count(), 3);
        QCOMPARE(sink.messages.size(), 1);
    }

    void clearAsksAndIsRefusedWhileRunning()
    {
        CapturingSink sink;
        ListFixture f(2);
        g_plotThread = 1;
        f.view.OnClear();
        QCOMPARE(sink.messages, QStringList{"正在工作,不能清空!"});
        QCOMPARE(f.doc.GetPageCount(), 2);
        g_plotThread = 0;

        sink.answers = {false, true};
        f.view.OnClear();
        QCOMPARE(sink.messages.last(), QStringLiteral("是否清空列表?"));
        QCOMPARE(sink.captions.last(), QStringLiteral("提示"));
        QCOMPARE(f.doc.GetPageCount(), 2);
        QVERIFY(f.current.isEmpty());

        f.view.OnClear();
        QCOMPARE(f.doc.GetPageCount(), 0);
        QCOMPARE(f.view.rowCount(), 0);
        QCOMPARE(f.LastCurrent(), 0);
        QCOMPARE(f.redraw.count(), 1);
    }

    void contextMenuReachesEveryCommand()
    {
        CapturingSink sink;
        ListFixture f(3);
        std::unique_ptr<QMenu> menu(f.view.CreateContextMenu(nullptr));
        // Each entry on row 1, in menu order; the prompts answer with cancel.
        QList<QAction*> entries;
        for (QAction* action : menu->actions()) {
            if (action->menu())
                entries << action->menu()->actions();
            else
                entries << action;
        }
        QCOMPARE(entries.size(), 10);
        sink.answers = {false};
        for (int i = 0; i < entries.size(); ++i) {
            f.Select(1);
            entries[i]->trigger();
            if (i == 1)
                QCOMPARE(f.doc.GetPage(1)->m_autoState, int(AUTO_STATE_YES));
        }
        QCOMPARE(sink.prompts,
                 (QStringList{"请输入份数:", "输入分割段长(mm):", "Y向分页长度(mm):", "输入起始位置(mm):"}));
        QCOMPARE(sink.messages, QStringList{"是否清空列表?"});
        // Automatic then manual; rotate; job1 moved to the front, then row 1 deleted.
        QCOMPARE(f.Names(), (QStringList{"job1", "job2"}));
        QCOMPARE(f.doc.GetPage(0)->m_autoState, int(AUTO_STATE_NO));
        QCOMPARE(f.current.count(), 2);  // rotate, delete
        QCOMPARE(f.current.at(0).at(0).toInt(), 1);
    }

    void clickAndArrowKeysShowTheRow()
    {
        ListFixture f(3);
        f.view.resize(600, 300);
        f.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.view));
        const QRect cell = f.view.visualRect(f.view.model()->index(2, 1));
        QTest::mouseClick(f.view.viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(f.LastCurrent(), 2);
        QTest::keyClick(&f.view, Qt::Key_Up);
        QCOMPARE(f.LastCurrent(), 1);
        QTest::keyClick(&f.view, Qt::Key_Down);
        QCOMPARE(f.LastCurrent(), 2);
        QCOMPARE(f.current.count(), 3);
        // A click below the rows selects nothing: the preview is told -1.
        f.view.clearSelection();
        QTest::mouseClick(f.view.viewport(), Qt::LeftButton, {}, QPoint(10, f.view.viewport()->height() - 5));
        QCOMPARE(f.LastCurrent(), -1);
    }
};

VEXA_UI_TEST(ListViewTest)
#include "list_view_test.moc"
