// dr420-mdbimport: reads one Access (Jet) file into a SQLite file, in a
// process of its own. libmdb loops or exhausts memory on some damaged files;
// here that costs a child process the program kills, not the program.
//
//   dr420-mdbimport INPUT.mdb OUTPUT.sqlite ERRORFILE MAX_ADDRESS_MB MAX_CPU_S
//
// Exit 0: OUTPUT holds the tables. Exit 1: ERRORFILE says why.
#include "paramdb/DatabaseFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>

#include <sys/resource.h>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define DR420_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define DR420_SANITIZED 1
#endif
#endif

namespace {
void limit(int resource, rlim_t value)
{
    rlimit r{value, value};
    setrlimit(resource, &r);
}

int failWith(const QString &errorFile, const QString &text)
{
    QFile f(errorFile);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(text.toUtf8());
    return 1;
}
} // namespace

int main(int argc, char *argv[])
{
    if (argc != 6)
        return 2;
    [[maybe_unused]] const long long maxMb = QByteArray(argv[4]).toLongLong();
    const long long maxCpu = QByteArray(argv[5]).toLongLong();
#ifndef DR420_SANITIZED
    // Sanitizers reserve terabytes of address space: there the parent's
    // watch on resident memory is the only memory limit.
    if (maxMb > 0)
        limit(RLIMIT_AS, rlim_t(maxMb) << 20);
#endif
    if (maxCpu > 0)
        limit(RLIMIT_CPU, rlim_t(maxCpu));
    limit(RLIMIT_CORE, 0); // a crash on a damaged file is expected, its dump is not wanted

    QCoreApplication app(argc, argv);
    const QString input = QFile::decodeName(argv[1]);
    const QString output = QFile::decodeName(argv[2]);
    const QString errorFile = QFile::decodeName(argv[3]);
    QString error;
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("import"));
        db.setDatabaseName(output);
        if (!db.open())
            return failWith(errorFile, db.lastError().text());
        ok = dr420::importAccessDatabase(input, db, &error);
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("import"));
    return ok ? 0 : failWith(errorFile, error);
}
