#include "ui/single_instance.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <memory>
#include <unistd.h>

namespace {
constexpr const char* ASK = "show\n";
constexpr const char* ADD = "add ";  // then a path, UTF-8, to the end of the line
constexpr qint64 MAX_LINE = 64 * 1024;
constexpr qsizetype MAX_FILES = 10000;
constexpr const char* SHOWN = "shown\n";
constexpr const char* HIDDEN = "hidden\n";
}  // namespace

CSingleInstance::CSingleInstance(const QString& appDir, QObject* parent) : QObject(parent), m_appDir(appDir)
{
    // One name per user and application directory: two users, or two test
    // runs with their own directories, never meet.
    const QByteArray hash = QCryptographicHash::hash(appDir.toUtf8(), QCryptographicHash::Sha1).toHex().left(12);
    m_serverName = QStringLiteral("%1-%2-%3").arg(QLatin1String(NAME)).arg(getuid()).arg(QString::fromLatin1(hash));
}

CSingleInstance::~CSingleInstance() = default;

bool CSingleInstance::TryBecomeFirst()
{
    m_lock = std::make_unique<QLockFile>(m_appDir + QLatin1String(NAME) + QStringLiteral(".lock"));
    // A lock left by a process that died is taken over (QLockFile checks
    // whether its process still runs).
    m_lock->setStaleLockTime(0);
    return m_lock->tryLock(0);
}

void CSingleInstance::StartAnswering()
{
    if (m_server || !m_lock || !m_lock->isLocked())
        return;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(m_serverName);  // a socket file left by a crash
    if (m_server->listen(m_serverName))
        connect(m_server, &QLocalServer::newConnection, this, &CSingleInstance::OnConnection);
}

void CSingleInstance::OnConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto files = std::make_shared<QStringList>();
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, files] {
            // A line without its end is never longer than a path can be.
            if (!socket->canReadLine() && socket->bytesAvailable() > MAX_LINE)
                return socket->abort();
            while (socket->canReadLine()) {
                const QByteArray line = socket->readLine(MAX_LINE);
                if (line.startsWith(ADD) && line.endsWith('\n') && files->size() < MAX_FILES) {
                    files->append(QString::fromUtf8(line.mid(4, line.size() - 5)));
                    continue;
                }
                if (line != ASK)
                    return socket->abort();
                // The window may show a message (a file it cannot read): that
                // runs outside this socket's signal, and the socket may be
                // gone by the time the answer is ready.
                QMetaObject::invokeMethod(
                    this,
                    [this, guard = QPointer<QLocalSocket>(socket), added = *files] {
                        if (!added.isEmpty() && m_addFiles)
                            m_addFiles(added);
                        const bool shown = m_showWindow ? m_showWindow() : false;
                        if (guard) {
                            guard->write(shown ? SHOWN : HIDDEN);
                            guard->flush();
                        }
                    },
                    Qt::QueuedConnection);
                files->clear();
            }
        });
    }
}

CSingleInstance::Answer CSingleInstance::AskFirstToShow(int timeoutMs, const QStringList& files)
{
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(timeoutMs))
        return Answer::NoAnswer;
    for (const QString& file : files)
        if (!file.contains(QLatin1Char('\n')))
            socket.write(ADD + file.toUtf8() + '\n');
    socket.write(ASK);
    socket.flush();
    while (!socket.canReadLine())
        if (!socket.waitForReadyRead(timeoutMs))
            return Answer::NoAnswer;
    const QByteArray reply = socket.readLine();
    return reply == SHOWN ? Answer::Shown : reply == HIDDEN ? Answer::Hidden : Answer::NoAnswer;
}
