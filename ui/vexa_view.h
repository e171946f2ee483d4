#pragma once
#include <QWidget>

class CVexaDoc;

// The plot preview's place in the window. For now a plain panel naming the
// job shown; the drawn preview takes its place with the same operations.
class CVexaView : public QWidget {
    Q_OBJECT
public:
    explicit CVexaView(CVexaDoc& doc, QWidget* parent = nullptr);

    // Shows job index (-1 means 0), fitted to the view.
    void SetCurrentPage(int index);
    void RedrawPreview();
    void FitToWindow();
    void ZoomIn();
    void ZoomOut();
    // Outlines the swath being printed.
    void DrawSwathMarker();
    int CurrentPage() const { return m_current; }

signals:
    // A position under the pointer, in plotter units.
    void CursorPosition(int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CVexaDoc& m_doc;
    int m_current = 0;
};
