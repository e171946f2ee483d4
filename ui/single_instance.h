#pragma once
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QLockFile;
class QLocalServer;

// One running vexagrid per application directory ("KOL_GRID_VX"): a lock file
// there, and a local socket through which a second start asks the first to
// show its window, handing over the marker files it was given.
class CSingleInstance : public QObject {
    Q_OBJECT
public:
    static constexpr const char* NAME = "KOL_GRID_VX";

    explicit CSingleInstance(const QString& appDir, QObject* parent = nullptr);
    ~CSingleInstance() override;

    // True for the first instance.
    bool TryBecomeFirst();
    // The first instance answers later starts from now on: called once the
    // window the answers need exists.
    void StartAnswering();

    // What the first instance did when a later start asked for its window.
    enum class Answer { Shown, Hidden, NoAnswer };
    // files (absolute paths) are added to the first instance's job list.
    Answer AskFirstToShow(int timeoutMs = 3000, const QStringList& files = {});

    // Called in the first instance when another start asks: shows, restores
    // and raises the window; returns false when it stays hidden in the tray.
    std::function<bool()> m_showWindow;
    // Called in the first instance, before m_showWindow, with the files a
    // later start was given.
    std::function<void(const QStringList&)> m_addFiles;

    QString ServerName() const { return m_serverName; }

private:
    void OnConnection();

    QString m_appDir;
    QString m_serverName;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
};
