#include "ParameterStore.h"

#include "ADOConn.h"
#include "DatabaseFile.h"
#include "ParameterRecord.h"
#include "common/AppPaths.h"
#include "common/Messages.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryFile>

#include <algorithm>
#include <cstdio>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace dr420 {
namespace {
QString &defaultPath()
{
    static QString path;
    return path;
}

// Fills a record from the joined row; false with a reason when a column the
// schema requires is missing or empty.
bool readRecord(const ADOConn &db, const QString &pno, ParameterRecord &r, QString *why, bool emptyIsNull)
{
    bool ok = true;
    QStringList missing;
    const auto text = [&](const char *column) {
        bool present = false;
        const QString v = db.Text(QLatin1String(column), &present);
        if (!present && !(emptyIsNull && db.HasField(QLatin1String(column)) && db.IsNull(QLatin1String(column))))
            missing << QLatin1String(column);
        return v;
    };
    QStringList notNumbers;
    QStringList outOfField;
    const auto numberProblem = [&](const char *column) {
        if (!db.HasField(QLatin1String(column)) || db.IsNull(QLatin1String(column)))
            missing << QLatin1String(column);
        else
            notNumbers << QLatin1String(column);
    };
    const auto integer = [&](const char *column) {
        bool present = false;
        const int v = db.Integer(QLatin1String(column), &present);
        if (!present)
            numberProblem(column);
        return v;
    };
    // A number kept in one byte: anything else is reported, never wrapped.
    const auto byte = [&](const char *column) {
        const int v = integer(column);
        if (v < 0 || v > 255) {
            outOfField << QStringLiteral("%1 %2 is outside 0..255").arg(QLatin1String(column)).arg(v);
            return uint8_t(0);
        }
        return uint8_t(v);
    };
    const auto boolean = [&](const char *column) {
        bool present = false;
        const bool v = db.Boolean(QLatin1String(column), &present);
        if (!present)
            numberProblem(column);
        return v ? -1 : 0;
    };
    r.GroupNO = text("GroupNO");
    r.GroupName = text("GroupName");
    r.PNO = pno;
    r.Name = text("Name");
    r.Description = db.Text(QStringLiteral("Description"));
    const int rw = integer("RW");
    if (rw >= kReadOnly && rw <= kReadWrite)
        r.RW = rw; // any other attribute is not stored, leaving the record read-only
    r.Sign = boolean("Sign");
    r.ZPoint = byte("ZPoint");
    r.Value = text("Value");
    r.Unit = db.Text(QStringLiteral("Unit"));
    r.MaxLmt = boolean("MaxLmt");
    r.MaxVal = text("MaxVal");
    r.MinLmt = boolean("MinLmt");
    r.MinVal = text("MinVal");
    r.MultiLmt = byte("MultiLmt");
    r.InputType = boolean("InputType");
    QStringList problems;
    if (!missing.isEmpty())
        problems << QStringLiteral("no value in %1").arg(missing.join(QStringLiteral(", ")));
    if (!notNumbers.isEmpty())
        problems << QStringLiteral("not a number in %1").arg(notNumbers.join(QStringLiteral(", ")));
    problems << outOfField;
    if (!problems.isEmpty()) {
        ok = false;
        *why = problems.join(QStringLiteral("; "));
    }
    return ok;
}

struct Option {
    int index;
    QString text;
};

bool hasTable(const ADOConn &db, const QString &name)
{
    for (const QString &t : db.database().tables())
        if (t.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// Every option row, by option group, in the order the engine returns them.
bool readOptions(ADOConn &db, QHash<int, QList<Option>> &byGroup)
{
    if (!db.OpenRecordset(sql::kOptions))
        return false;
    for (; !db.IsEOF(); db.MoveNext()) {
        bool groupOk = false;
        bool indexOk = false;
        const int group = db.Integer(QStringLiteral("ItemGroupNO"), &groupOk);
        const int index = db.Integer(QStringLiteral("Index"), &indexOk);
        if (!groupOk || !indexOk || index < 0 || index > 5)
            continue;
        byGroup[group].append({index, db.Text(QStringLiteral("Value")) + QLatin1Char(':') +
                                          db.Text(QStringLiteral("Description"))});
    }
    return true;
}

// A parameter row as read: the record, or why it cannot be loaded.
struct ReadRow {
    ParameterRecord record;
    int itemGroup = 0;
    QString problem;
};

void listAtMostTen(QString &text, const QStringList &lines)
{
    const int shown = int(std::min<qsizetype>(lines.size(), 10));
    for (int i = 0; i < shown; ++i)
        text += lines[i] + QLatin1Char('\n');
    if (lines.size() > shown)
        text += QStringLiteral("... and %1 more.\n").arg(lines.size() - shown);
}

void reportSkipped(const QString &path, const LoadResult &result)
{
    if (result.skipped.isEmpty() && result.duplicates.isEmpty())
        return;
    QString text;
    if (!result.skipped.isEmpty()) {
        text += QStringLiteral("%1 parameter(s) of \"%2\" could not be loaded and are not shown:\n")
                    .arg(result.skipped.size())
                    .arg(QFileInfo(path).fileName());
        listAtMostTen(text, result.skipped);
    }
    if (!result.duplicates.isEmpty()) {
        text += QStringLiteral("%1 number(s) of \"%2\" appear in more than one row; the first row of each is used:\n")
                    .arg(result.duplicates.size())
                    .arg(QFileInfo(path).fileName());
        listAtMostTen(text, result.duplicates);
    }
    showMessage(text, QString(), MessageIcon::Warning);
}
} // namespace

LoadResult LoadParameterTable(const QString &path)
{
    return LoadParameterTable(path, NullText::ByFileKind);
}

LoadResult LoadParameterTable(const QString &path, NullText nulls)
{
    LoadResult result;
    ADOConn db(path);
    if (!db.Open())
        return result;
    result.opened = true;
    // The Access reader cannot tell an empty text from NULL; Jet files hold
    // "" where a text must be, so a NULL there is read as "".
    const bool emptyIsNull = nulls == NullText::Empty || db.isAccessCopy();
    // Opened, but not readable as a parameter file: nothing of it is kept.
    const auto unreadable = [&] {
        db.Close();
        result.opened = false;
        return result;
    };
    if (!db.OpenRecordset(sql::kAllParameters)) {
        db.Close();
        return result;
    }
    QStringList numbers;
    QHash<QString, int> seen;
    QStringList duplicated;
    int rowsSeen = 0;
    for (; !db.IsEOF(); db.MoveNext()) {
        if (++rowsSeen > kMaxParameters) {
            showMessage(QStringLiteral("\"%1\" holds more than %2 parameters: a drive has hundreds, so this is not a "
                                       "parameter file. Nothing was loaded.")
                            .arg(QFileInfo(path).fileName())
                            .arg(kMaxParameters),
                        QString(), MessageIcon::Warning);
            return unreadable();
        }
        bool ok = false;
        // Blanks around a number are no part of it: one trimmed key for the
        // lookup, the register, the read-back and the save.
        const QString pno = db.Text(QStringLiteral("PNO"), &ok).trimmed();
        if (!ok) {
            result.skipped << QStringLiteral("(no number): no value in PNO");
            continue;
        }
        if (std::any_of(pno.begin(), pno.end(), [](QChar c) { return c.category() == QChar::Other_Control; })) {
            QString shown = pno.left(40);
            for (QChar &c : shown)
                if (c.category() == QChar::Other_Control)
                    c = QChar(0xFFFD);
            result.skipped << QStringLiteral("%1: the number holds control characters").arg(shown);
            continue;
        }
        if (seen.contains(pno)) {
            // Every reader of the file takes the first row of a number.
            if (seen[pno]++ == 1)
                duplicated << pno;
            continue;
        }
        seen.insert(pno, 1);
        numbers << pno;
    }
    if (db.walkFailed())
        return unreadable();
    for (const QString &pno : duplicated)
        result.duplicates << QStringLiteral("%1: %2 rows").arg(pno).arg(seen[pno]);
    // The first joined row of each number counts, as a lookup by number would find it.
    QHash<QString, ReadRow> rows;
    if (!db.OpenRecordset(sql::kParametersWithGroup)) {
        db.Close();
        return result;
    }
    for (; !db.IsEOF(); db.MoveNext()) {
        const QString pno = db.Text(QStringLiteral("PNO")).trimmed();
        if (rows.contains(pno))
            continue;
        ReadRow &row = rows[pno];
        if (!readRecord(db, pno, row.record, &row.problem, emptyIsNull))
            continue;
        if (row.record.InputType) {
            bool ok = false;
            row.itemGroup = db.Integer(QStringLiteral("ItemGroupNO"), &ok);
            if (!ok)
                row.problem = QStringLiteral("no value in ItemGroupNO");
        }
    }
    if (db.walkFailed())
        return unreadable();
    QHash<int, QList<Option>> options;
    // A file without option lists is fine while no parameter needs one.
    const bool hasOptions = hasTable(db, QStringLiteral("SelectTable"));
    if (hasOptions && (!readOptions(db, options) || db.walkFailed()))
        return unreadable();
    auto &table = ParameterTable();
    for (const QString &pno : numbers) {
        const auto found = rows.constFind(pno);
        if (found == rows.cend()) {
            result.skipped << QStringLiteral("%1: its group is missing from Groups").arg(pno);
            continue;
        }
        if (!found->problem.isEmpty()) {
            result.skipped << QStringLiteral("%1: %2").arg(pno, found->problem);
            continue;
        }
        ParameterRecord record = found->record;
        if (record.InputType && !hasOptions) {
            result.skipped << QStringLiteral("%1: its option list needs the table SelectTable, which is missing").arg(pno);
            continue;
        }
        if (record.InputType)
            for (const Option &o : options.value(found->itemGroup))
                record.Options[size_t(o.index)] << o.text;
        table.push_back(std::move(record));
        ++result.loaded;
    }
    db.Close();
    reportSkipped(path, result);
    return result;
}

QString defaultDatabasePath()
{
    return defaultPath().isEmpty() ? appFilePath(AppFile::Database) : defaultPath();
}

void setDefaultDatabasePath(const QString &path)
{
    defaultPath() = path;
}

bool isParameterFilePath(const QString &path)
{
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? path : path.mid(dot);
    return extension.compare(QLatin1String(".mdb"), Qt::CaseInsensitive) == 0;
}

bool WriteValuesToDatabase(const QString &path)
{
    if (databaseKind(path) != DatabaseKind::SQLite)
        return false;
    ADOConn db(path);
    if (!db.Open())
        return false;
    // One update per parameter looks its row up by PNO: without an index on
    // it, 50 000 parameters take minutes. The index stays in the file.
    if (db.OpenRecordset(QStringLiteral("select count(*) as n from pragma_index_list('Parameter') l, "
                                        "pragma_index_info(l.name) i where i.seqno=0 and i.name='PNO' collate nocase")) &&
        db.Integer(QStringLiteral("n")) == 0)
        db.ExecuteSql(QStringLiteral("create index if not exists Parameter_PNO on Parameter(PNO)"));
    if (!db.BeginTransaction()) {
        db.Close();
        return false;
    }
    // The table's numbers are trimmed; so are the saved file's.
    if (!db.ExecuteSql(QStringLiteral("update Parameter set PNO=trim(PNO) where PNO<>trim(PNO)"))) {
        db.Rollback();
        db.Close();
        return false;
    }
    for (const ParameterRecord &r : ParameterTable()) {
        if (!db.ExecuteSql(sql::kUpdateValue, {r.Value.trimmed(), r.PNO.trimmed()})) {
            db.Rollback();
            db.Close();
            return false;
        }
    }
    const bool ok = db.Commit();
    db.Close();
    return ok;
}

QString saveTargetRefusal(const QString &path)
{
    if (path.isEmpty() || !isParameterFilePath(path))
        return QStringLiteral("\"%1\" is not a parameter file name: it must end in .mdb. Nothing was saved.").arg(path);
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return QStringLiteral("\"%1\" is not a file. Nothing was saved.").arg(path);
        mode_t bit = S_IWOTH;
        if (st.st_uid == ::geteuid() || ::geteuid() == 0)
            bit = S_IWUSR;
        else if (st.st_gid == ::getegid())
            bit = S_IWGRP;
        if (!(st.st_mode & bit))
            return QStringLiteral("\"%1\" is write-protected: it was not replaced. Nothing was saved.").arg(path);
    }
    return QString();
}

namespace {
// Builds the complete file at `temp` (an empty file): the base database as
// SQLite, then the values.
bool buildSavedFile(const QString &base, const QString &temp, QString *error)
{
    const DatabaseKind kind = databaseKind(base);
    if (kind == DatabaseKind::NotAFile || kind == DatabaseKind::Missing) {
        *error = QStringLiteral("'%1' is not a file.").arg(base);
        return false;
    }
    if (isAccessKind(kind)) {
        ADOConn source(base);
        if (!source.Open())
            return false;
        QSqlDatabase db = source.database();
        const bool ok = writeSqliteCopy(db, temp, error);
        db = QSqlDatabase();
        source.Close();
        if (!ok)
            return false;
    } else {
        QFile in(base);
        QFile out(temp);
        // Unbuffered: a refused write is seen with its cause (a full disk).
        if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
            *error = QStringLiteral("Cannot copy '%1'.").arg(base);
            return false;
        }
        for (;;) {
            const QByteArray chunk = in.read(1 << 16);
            if (chunk.isEmpty())
                break;
            errno = 0;
            if (out.write(chunk) != chunk.size()) {
                const int why = errno ? errno : ENOSPC; // a short write: the disk took no more
                *error = QStringLiteral("Cannot write '%1': %2").arg(temp, systemErrorText(why));
                return false;
            }
        }
        if (in.error() != QFile::NoError) {
            *error = QStringLiteral("Cannot copy '%1'.").arg(base);
            return false;
        }
    }
    return WriteValuesToDatabase(temp);
}
} // namespace

namespace {
// Temporary files of earlier saves of `target` that were killed before the
// rename (name.XXXXXX.part and SQLite's journal beside it); never `keep`, nor
// a user's own name.part.
void removeLeftoverParts(const QFileInfo &target, const QString &keep)
{
    const QDir dir(target.absolutePath());
    const QString prefix = target.fileName() + QLatin1Char('.');
    for (const QString &name : dir.entryList({prefix + QStringLiteral("??????.part"), prefix + QStringLiteral("??????.part-journal")},
                                             QDir::Files | QDir::Hidden | QDir::System)) {
        const QString path = dir.filePath(name);
        if (path != keep)
            QFile::remove(path);
    }
}

// Bytes free for the user on the file system of `dir`; -1 when unknown.
qint64 spaceLeft(const QString &dir)
{
    struct statvfs fs {};
    if (::statvfs(QFile::encodeName(dir).constData(), &fs) != 0)
        return -1;
    return qint64(fs.f_bavail) * qint64(fs.f_frsize);
}
} // namespace

bool SaveParameterFile(const QString &path)
{
    const QString refusal = saveTargetRefusal(path);
    if (!refusal.isEmpty()) {
        showMessage(refusal, QString(), MessageIcon::Warning);
        return false;
    }
    const QString failed =
        QStringLiteral("An error occurred while writing data to the database. Please check if the database exists!");
    const QFileInfo target(path);
    // Beside the target, so that the rename cannot cross file systems; a
    // unique name, so that no file of the user's is touched.
    QTemporaryFile temp(target.absolutePath() + QLatin1Char('/') + target.fileName() + QStringLiteral(".XXXXXX.part"));
    if (!temp.open()) {
        showMessage(failed + QLatin1Char('\n') + temp.errorString());
        return false;
    }
    temp.close();
    struct stat st {};
    mode_t mode = 0;
    if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    QString error;
    const QString tempPath = temp.fileName();
    removeLeftoverParts(target, tempPath);
    errno = 0;
    const bool built = buildSavedFile(defaultDatabasePath(), tempPath, &error);
    const int buildErrno = errno;
    if (!built || ::chmod(QFile::encodeName(tempPath).constData(), mode) != 0 ||
        std::rename(QFile::encodeName(tempPath).constData(), QFile::encodeName(path).constData()) != 0) {
        const int why = built ? errno : buildErrno;
        if (error.isEmpty())
            error = spaceLeft(target.absolutePath()) == 0 ? systemErrorText(ENOSPC)
                    : why && why != ENOENT            ? systemErrorText(why)
                                                      : QString();
        showMessage(error.isEmpty() ? failed : failed + QLatin1Char('\n') + error);
        return false; // the temporary file goes with `temp`
    }
    temp.setAutoRemove(false); // it is the target now
    // The new name survives a power loss only once the directory is on disk.
    const int dir = ::open(QFile::encodeName(target.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

} // namespace dr420
