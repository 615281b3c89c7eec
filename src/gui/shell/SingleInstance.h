#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <memory>

namespace dr420 {

// One running instance per user. The first start takes a lock file and
// listens on a local socket beside it (both in the user's runtime directory);
// a later start finds the lock taken, asks the first instance through the
// socket to show itself, and ends. The lock file decides races; the socket
// only carries the request.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // `directory` empty: the user's runtime directory.
    explicit SingleInstance(const QString &key = QStringLiteral("KT250APP"), const QString &directory = QString(),
                            QObject *parent = nullptr);
    ~SingleInstance() override;

    // True: this is the first instance, or no lock can be made at all (then
    // the program runs as a first instance rather than not at all). False:
    // another instance runs and has been asked to come to the front (as far
    // as it could be reached).
    bool claim();

signals:
    void activationRequested();

private:
    QString m_base;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer m_server;
};

} // namespace dr420
