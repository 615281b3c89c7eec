#include "ParameterStore.h"

#include "ADOConn.h"
#include "DatabaseFile.h"
#include "ParameterRecord.h"
#include "common/Messages.h"
#include "common/ProgramDir.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <cstdio>

namespace dr420 {
namespace {
QString &defaultPath()
{
    static QString path;
    return path;
}

// Fills a record from the joined row; false with a reason when a column the
// schema requires is missing or empty.
bool readRecord(const ADOConn &db, const QString &pno, ParameterRecord &r, QString *why)
{
    bool ok = true;
    QStringList missing;
    const auto text = [&](const char *column) {
        bool present = false;
        const QString v = db.Text(QLatin1String(column), &present);
        if (!present)
            missing << QLatin1String(column);
        return v;
    };
    const auto integer = [&](const char *column) {
        bool present = false;
        const int v = db.Integer(QLatin1String(column), &present);
        if (!present)
            missing << QLatin1String(column);
        return v;
    };
    const auto boolean = [&](const char *column) {
        bool present = false;
        const bool v = db.Boolean(QLatin1String(column), &present);
        if (!present)
            missing << QLatin1String(column);
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
    r.ZPoint = uint8_t(integer("ZPoint"));
    r.Value = text("Value");
    r.Unit = db.Text(QStringLiteral("Unit"));
    r.MaxLmt = boolean("MaxLmt");
    r.MaxVal = text("MaxVal");
    r.MinLmt = boolean("MinLmt");
    r.MinVal = text("MinVal");
    r.MultiLmt = uint8_t(integer("MultiLmt"));
    r.InputType = boolean("InputType");
    if (!missing.isEmpty()) {
        ok = false;
        *why = QStringLiteral("no value in %1").arg(missing.join(QStringLiteral(", ")));
    }
    return ok;
}

struct Option {
    int index;
    QString text;
};

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

void reportSkipped(const QString &path, const QStringList &skipped)
{
    if (skipped.isEmpty())
        return;
    QString text = QStringLiteral("%1 parameter(s) of \"%2\" could not be loaded and are not shown:\n")
                       .arg(skipped.size())
                       .arg(QFileInfo(path).fileName());
    const int shown = int(std::min<qsizetype>(skipped.size(), 10));
    for (int i = 0; i < shown; ++i)
        text += skipped[i] + QLatin1Char('\n');
    if (skipped.size() > shown)
        text += QStringLiteral("... and %1 more.\n").arg(skipped.size() - shown);
    showMessage(text, QString(), MessageIcon::Warning);
}
} // namespace

LoadResult LoadParameterTable(const QString &path)
{
    LoadResult result;
    ADOConn db(path);
    if (!db.Open())
        return result;
    result.opened = true;
    if (!db.OpenRecordset(sql::kAllParameters)) {
        db.Close();
        return result;
    }
    QStringList numbers;
    for (; !db.IsEOF(); db.MoveNext()) {
        bool ok = false;
        const QString pno = db.Text(QStringLiteral("PNO"), &ok);
        if (!ok) {
            result.skipped << QStringLiteral("(no number): no value in PNO");
            continue;
        }
        numbers << pno;
    }
    // The first joined row of each number counts, as a lookup by number would find it.
    QHash<QString, ReadRow> rows;
    if (!db.OpenRecordset(sql::kParametersWithGroup)) {
        db.Close();
        return result;
    }
    for (; !db.IsEOF(); db.MoveNext()) {
        const QString pno = db.Text(QStringLiteral("PNO"));
        if (rows.contains(pno))
            continue;
        ReadRow &row = rows[pno];
        if (!readRecord(db, pno, row.record, &row.problem))
            continue;
        if (row.record.InputType) {
            bool ok = false;
            row.itemGroup = db.Integer(QStringLiteral("ItemGroupNO"), &ok);
            if (!ok)
                row.problem = QStringLiteral("no value in ItemGroupNO");
        }
    }
    QHash<int, QList<Option>> options;
    if (!readOptions(db, options)) {
        db.Close();
        return result;
    }
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
        if (record.InputType)
            for (const Option &o : options.value(found->itemGroup))
                record.Options[size_t(o.index)] << o.text;
        table.push_back(std::move(record));
        ++result.loaded;
    }
    db.Close();
    reportSkipped(path, result.skipped);
    return result;
}

QString defaultDatabasePath()
{
    return defaultPath().isEmpty() ? programDir() + QStringLiteral("DR420.mdb") : defaultPath();
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

namespace {
// An Access file becomes a SQLite file of the same content before anything is written.
bool convertAccessFile(const QString &from, const QString &to)
{
    ADOConn source(from);
    if (!source.Open())
        return false;
    QSqlDatabase db = source.database();
    QString error;
    const bool ok = writeSqliteCopy(db, to, &error);
    db = QSqlDatabase();
    source.Close();
    if (!ok)
        showMessage(error, QString(), MessageIcon::Error);
    return ok;
}
} // namespace

bool WriteValuesToDatabase(const QString &path)
{
    if (isAccessKind(databaseKind(path)) && !convertAccessFile(path, path))
        return false;
    ADOConn db(path);
    if (!db.Open())
        return false;
    if (!db.BeginTransaction()) {
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

bool SaveParameterFile(const QString &path)
{
    if (path.isEmpty() || !isParameterFilePath(path))
        return false;
    const QString source = defaultDatabasePath();
    bool copied = true;
    if (path != source) {
        if (isAccessKind(databaseKind(source))) {
            copied = convertAccessFile(source, path);
        } else {
            const QString temp = path + QLatin1String(".part");
            QFile::remove(temp);
            copied = QFile::copy(source, temp) &&
                     std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) == 0;
            if (!copied)
                QFile::remove(temp);
        }
    }
    if (!copied || !WriteValuesToDatabase(path)) {
        showMessage(QStringLiteral("An error occurred while writing data to the database. Please check if the database exists!"));
        return false;
    }
    return true;
}

} // namespace dr420
