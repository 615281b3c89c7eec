#include "SingleInstance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace dr420 {

SingleInstance::SingleInstance(const QString &key, const QString &directory, QObject *parent)
    : QObject(parent)
{
    QString dir = directory.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) : directory;
    if (dir.isEmpty())
        dir = QDir::tempPath();
    m_base = dir + QLatin1Char('/') + key;
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim()
{
    m_lock = std::make_unique<QLockFile>(m_base + QLatin1String(".lock"));
    // Only a dead holder makes the lock stale, never its age.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0)) {
        const QString name = m_base + QLatin1String(".sock");
        QLocalServer::removeServer(name);
        m_server.setSocketOptions(QLocalServer::UserAccessOption);
        m_server.listen(name);
        connect(&m_server, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket *peer = m_server.nextPendingConnection()) {
                connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
                emit activationRequested();
            }
        });
        return true;
    }
    if (m_lock->error() != QLockFile::LockFailedError) {
        qWarning("Single-instance lock %s cannot be made; running without it.",
                 qUtf8Printable(m_lock->fileName()));
        m_lock.reset();
        return true;
    }
    m_lock.reset();
    // The first instance may still be starting: give it a moment to listen.
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 3000) {
        QLocalSocket socket;
        socket.connectToServer(m_base + QLatin1String(".sock"));
        if (socket.waitForConnected(200)) {
            socket.write("show\n");
            socket.waitForBytesWritten(500);
            socket.disconnectFromServer();
            break;
        }
        QThread::msleep(50);
    }
    return false;
}

} // namespace dr420
