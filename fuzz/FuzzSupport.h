#pragma once
// Shared by the fuzz targets: a quiet message service, one application
// object (the database driver is a plugin), and inputs as files for the
// readers that take a path.
#include "common/Messages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <unistd.h>

namespace dr420::fuzz {

class QuietMessages final : public MessageService
{
public:
    void message(const QString &, const QString &, MessageIcon) override {}
};

inline void setUp(int *argc, char ***argv)
{
    static QuietMessages quiet;
    setMessageService(&quiet);
    static QCoreApplication app(*argc, *argv);
}

// The input as a file of this process's own (the readers want a path).
inline QString asFile(const uint8_t *data, size_t size, const char *suffix)
{
    static const QString dir = QDir::tempPath() + QStringLiteral("/dr420-fuzz-%1").arg(::getpid());
    QDir().mkpath(dir);
    const QString path = dir + QStringLiteral("/input") + QLatin1String(suffix);
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(reinterpret_cast<const char *>(data), qint64(size));
    return path;
}

} // namespace dr420::fuzz
