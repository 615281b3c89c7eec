#include "DatabaseFile.h"

#include "common/AppPaths.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <unistd.h>
#include <mutex>
#include <vector>

#include <glib.h>
#include <mdbtools.h>

namespace dr420 {

DatabaseKind databaseKind(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        return DatabaseKind::Missing;
    // Only a regular file: opening a FIFO blocks, a device never ends.
    if (!QFileInfo(path).isFile())
        return DatabaseKind::NotAFile;
    if (!file.open(QIODevice::ReadOnly))
        return DatabaseKind::Unreadable;
    const QByteArray head = file.read(32);
    if (head.startsWith(QByteArray("SQLite format 3\0", 16)))
        return DatabaseKind::SQLite;
    if (head.size() >= 0x15) {
        const QByteArray magic = head.mid(4, 15);
        if (magic == "Standard Jet DB")
            return head[0x14] == 0 ? DatabaseKind::Jet3 : DatabaseKind::Jet4;
        if (magic == "Standard ACE DB")
            return DatabaseKind::Ace;
    }
    return DatabaseKind::Unknown;
}

QString jet3Charset(int codePage)
{
    switch (codePage) {
    case 0:
    case 936: return QStringLiteral("GBK");
    case 1252: return QStringLiteral("CP1252");
    default: return QStringLiteral("CP%1").arg(codePage);
    }
}

namespace {
struct MdbCloser {
    void operator()(MdbHandle *h) const { mdb_close(h); }
};
using MdbPtr = std::unique_ptr<MdbHandle, MdbCloser>;

// libmdb picks the Jet 3 text code page from the environment when a file is
// opened; serialise that so two imports never race on it.
std::mutex g_openLock;

MdbPtr openMdb(const QString &path, const char *jet3Charset)
{
    std::lock_guard<std::mutex> guard(g_openLock);
    if (jet3Charset)
        setenv("MDB_JET3_CHARSET", jet3Charset, 1);
    else
        unsetenv("MDB_JET3_CHARSET");
    return MdbPtr(mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS));
}

QString quoted(const QString &identifier)
{
    QString q = identifier;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

enum class ColumnKind { Boolean, Integer, Real, Text, Skip };

ColumnKind kindOf(int mdbType)
{
    switch (mdbType) {
    case MDB_BOOL: return ColumnKind::Boolean;
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT: return ColumnKind::Integer;
    case MDB_MONEY:
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_NUMERIC: return ColumnKind::Real;
    case MDB_OLE:
    case MDB_BINARY: return ColumnKind::Skip;
    default: return ColumnKind::Text;
    }
}

bool importTable(MdbCatalogEntry *entry, QSqlDatabase &db, QString *error)
{
    MdbTableDef *table = mdb_read_table(entry);
    if (!table) {
        *error = QStringLiteral("Cannot read table %1.").arg(QString::fromUtf8(entry->object_name));
        return false;
    }
    mdb_read_columns(table);
    mdb_rewind_table(table);
    const unsigned n = table->num_cols;
    std::vector<std::vector<char>> buffers(n, std::vector<char>(MDB_BIND_SIZE));
    std::vector<int> lengths(n, 0);
    std::vector<ColumnKind> kinds(n);
    QStringList columns;
    QStringList placeholders;
    for (unsigned i = 0; i < n; ++i) {
        auto *col = static_cast<MdbColumn *>(g_ptr_array_index(table->columns, i));
        kinds[i] = kindOf(col->col_type);
        // Jet compares text without case (joins, updates by key): so does the copy.
        const char *type = kinds[i] == ColumnKind::Real ? "REAL"
                           : kinds[i] == ColumnKind::Text ? "TEXT COLLATE NOCASE"
                           : kinds[i] == ColumnKind::Skip ? "BLOB"
                                                          : "INTEGER";
        columns << quoted(QString::fromUtf8(col->name)) + QLatin1Char(' ') + QLatin1String(type);
        placeholders << QStringLiteral("?");
        mdb_bind_column(table, int(i) + 1, buffers[i].data(), &lengths[i]);
    }
    const QString name = quoted(QString::fromUtf8(entry->object_name));
    QSqlQuery create(db);
    if (!create.exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(name, columns.join(QLatin1Char(','))))) {
        *error = create.lastError().text();
        mdb_free_tabledef(table);
        return false;
    }
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(name, placeholders.join(QLatin1Char(','))));
    bool ok = true;
    while (ok && mdb_fetch_row(table)) {
        for (unsigned i = 0; i < n; ++i) {
            const QByteArray raw(buffers[i].data(), lengths[i]);
            QVariant v;
            // The binding cannot tell an empty text from NULL; both arrive
            // empty and are stored as NULL, which readers treat alike.
            if (kinds[i] == ColumnKind::Boolean)
                v = raw == "1" ? -1 : 0; // Access stores Yes as -1
            else if (raw.isEmpty() || kinds[i] == ColumnKind::Skip)
                v = QVariant();
            else if (kinds[i] == ColumnKind::Integer)
                v = raw.toLongLong();
            else if (kinds[i] == ColumnKind::Real)
                v = raw.toDouble();
            else
                v = QString::fromUtf8(raw);
            insert.bindValue(int(i), v);
        }
        ok = insert.exec();
        if (!ok)
            *error = insert.lastError().text();
    }
    mdb_free_tabledef(table);
    // The keys the parameter statements look rows up by: without an index a
    // save of 50 000 parameters scans the table 50 000 times.
    static const struct {
        const char *table;
        const char *column;
    } kKeys[] = {{"Parameter", "PNO"}, {"Groups", "GroupNO"}, {"SelectTable", "ItemGroupNO"}};
    const QString plain = QString::fromUtf8(entry->object_name);
    for (const auto &key : kKeys) {
        if (!ok || plain.compare(QLatin1String(key.table), Qt::CaseInsensitive) != 0)
            continue;
        QSqlQuery index(db);
        // Fails harmlessly when the table has no such column.
        index.exec(QStringLiteral("CREATE INDEX %1 ON %2(%3)")
                       .arg(quoted(plain + QLatin1Char('_') + QLatin1String(key.column)), name,
                            quoted(QLatin1String(key.column))));
    }
    return ok;
}
} // namespace

bool importAccessDatabase(const QString &path, QSqlDatabase &db, QString *error)
{
    MdbPtr mdb = openMdb(path, nullptr);
    if (!mdb) {
        *error = QStringLiteral("Cannot read the Access database '%1'.").arg(path);
        return false;
    }
    if (mdb->f->jet_version == MDB_VER_JET3) {
        const QByteArray charset = jet3Charset(mdb->f->code_page).toLatin1();
        mdb = openMdb(path, charset.constData());
        if (!mdb) {
            *error = QStringLiteral("Cannot read the Access database '%1'.").arg(path);
            return false;
        }
    }
    mdb_set_date_fmt(mdb.get(), "%Y-%m-%d %H:%M:%S");
    mdb_set_boolean_fmt_numbers(mdb.get());
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE)) {
        *error = QStringLiteral("The Access database '%1' has no readable catalog.").arg(path);
        return false;
    }
    db.transaction();
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
        const QString name = QString::fromUtf8(entry->object_name);
        // System and hidden tables are the engine's, not the user's.
        if (entry->object_type != MDB_TABLE || (entry->flags & 0x80000002UL) || name.startsWith(QLatin1String("MSys")))
            continue;
        if (!importTable(entry, db, error)) {
            db.rollback();
            return false;
        }
    }
    db.commit();
    return true;
}

ImportLimits importLimits(qint64 fileBytes)
{
    const qint64 mb = fileBytes >> 20;
    ImportLimits l;
    l.residentMb = std::min<qint64>(256 + 32 * mb, 2048);
    l.addressMb = std::min<qint64>(1024 + 64 * mb, 8192);
    // A sound file of a few MB takes well under a second.
    l.cpuSeconds = int(std::min<qint64>(3 + mb, 30));
    l.wallMs = (l.cpuSeconds + 2) * 1000;
    return l;
}

namespace {
qint64 residentMb(qint64 pid)
{
    QFile statm(QStringLiteral("/proc/%1/statm").arg(pid));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * (sysconf(_SC_PAGESIZE) >> 10) >> 10 : 0;
}
} // namespace

bool importAccessDatabaseIsolated(const QString &path, const QString &target, QString *error)
{
    const QString damaged =
        QStringLiteral("The Access database '%1' is damaged or incompletely copied and cannot be read (%2).");
    const QString helper = helperProgramPath(QStringLiteral("dr420-mdbimport"));
    const ImportLimits limits = importLimits(QFileInfo(path).size());
    const QString errorFile = target + QStringLiteral(".error");
    QProcess p;
    p.setProgram(helper);
    p.setArguments({path, target, errorFile, QString::number(limits.addressMb), QString::number(limits.cpuSeconds)});
    p.setStandardInputFile(QProcess::nullDevice());
    // libmdb writes to both, millions of lines for some files.
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start();
    if (!p.waitForStarted(10000)) {
        *error = QStringLiteral("The Access reader '%1' could not be started: %2").arg(helper, p.errorString());
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    QString stopped;
    while (!p.waitForFinished(20)) {
        if (p.state() == QProcess::NotRunning)
            break;
        if (clock.elapsed() > limits.wallMs)
            stopped = QStringLiteral("it took more than %1 s").arg(limits.wallMs / 1000);
        else if (residentMb(p.processId()) > limits.residentMb)
            stopped = QStringLiteral("it needed more than %1 MB").arg(limits.residentMb);
        if (!stopped.isEmpty()) {
            p.kill();
            p.waitForFinished(5000);
            break;
        }
    }
    QFile errors(errorFile);
    QString told;
    if (errors.open(QIODevice::ReadOnly))
        told = QString::fromUtf8(errors.read(4096));
    errors.close();
    errors.remove();
    if (stopped.isEmpty() && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
        return true;
    QFile::remove(target);
    if (!stopped.isEmpty())
        *error = damaged.arg(path, stopped);
    else if (p.exitStatus() != QProcess::NormalExit)
        *error = damaged.arg(path, QStringLiteral("the reader failed on it"));
    else
        *error = told.isEmpty() ? damaged.arg(path, QStringLiteral("the reader gave up")) : told;
    return false;
}

bool writeSqliteCopy(QSqlDatabase &db, const QString &path, QString *error)
{
    QSqlQuery vacuum(db);
    vacuum.prepare(QStringLiteral("VACUUM INTO ?"));
    vacuum.addBindValue(path);
    if (!vacuum.exec()) {
        *error = vacuum.lastError().text();
        return false;
    }
    return true;
}

} // namespace dr420
