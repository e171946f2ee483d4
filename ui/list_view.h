#pragma once
#include <QTableWidget>
#include <optional>

class QMenu;

namespace vexa {
class CJobCentre;
}

// The job list: one row per job of the document, rebuilt from it by
// RefreshList after every change. Its context-menu commands call the job
// centre, which holds the rules; the view asks for numbers and shows the
// centre's messages.
class CMyListView : public QTableWidget {
    Q_OBJECT
public:
    explicit CMyListView(vexa::CJobCentre& centre, QWidget* parent = nullptr);

    void RefreshList();
    // The first selected row, or -1.
    int SelectedRow() const;

    // The context menu's commands (public for the tests).
    void OnModifyCopies();
    void OnStartModeYes();
    void OnStartModeNo();
    void OnSplitAlongX();
    void OnPaginateAlongY();
    void OnStartPosition();
    void OnRotate();
    void OnMoveToFront();
    void OnDelete();
    void OnClear();
    // The right-click menu, its actions bound to the commands above.
    QMenu* CreateContextMenu(QWidget* parent);

signals:
    // The preview shows job row (fitted, redrawn); -1 means 0.
    void CurrentPageChanged(int row);
    // The preview redraws without a new fit.
    void RedrawPreview();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The prompt for a number; nullopt when the operator cancelled.
    std::optional<int> AskNumber(const QString& prompt, int initial);
    vexa::CJobCentre& m_centre;
};
