#include "ADOConn.h"

#include "DatabaseFile.h"
#include "common/Messages.h"

#include <QAtomicInt>
#include <QSqlError>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QSqlRecord>
#include <chrono>
#include <sqlite3.h>

namespace dr420 {
namespace {
QAtomicInt g_connections;

QString errorText(const QSqlError &e)
{
    QString text = e.databaseText().isEmpty() ? e.text() : e.databaseText();
    // One trailing line break is dropped, as system messages carry one.
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    return text;
}
} // namespace

struct EngineWatch {
    qint64 deadline = 0; // steady clock, ms
    bool stopped = false;
};

namespace {
qint64 nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int onProgress(void *context)
{
    auto *watch = static_cast<EngineWatch *>(context);
    if (nowMs() <= watch->deadline)
        return 0;
    watch->stopped = true;
    return 1; // SQLITE_INTERRUPT for the running statement
}

void watchEngine(const QSqlDatabase &db, void *watch)
{
    const QVariant handle = db.driver()->handle();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
        if (sqlite3 *h = *static_cast<sqlite3 *const *>(handle.constData()))
            sqlite3_progress_handler(h, 1000, &onProgress, watch);
}
} // namespace

ADOConn::ADOConn(QString path)
    : m_path(std::move(path))
    , m_watch(std::make_unique<EngineWatch>())
{
}

void ADOConn::startStatement()
{
    m_watch->deadline = nowMs() + kStatementLimitMs;
    m_watch->stopped = false;
}

QString ADOConn::engineError(const QSqlError &e) const
{
    if (m_watch->stopped)
        return QStringLiteral("Reading '%1' took more than %2 s and was stopped: the file is damaged or is not a "
                              "parameter file.")
            .arg(m_path)
            .arg(kStatementLimitMs / 1000);
    return errorText(e);
}

ADOConn::~ADOConn()
{
    Close();
}

bool ADOConn::fail(const QString &text)
{
    showMessage(text, QString(), MessageIcon::Error);
    return false;
}

QSqlDatabase ADOConn::database() const
{
    return QSqlDatabase::database(m_connection, false);
}

bool ADOConn::Open()
{
    Close();
    const DatabaseKind kind = databaseKind(m_path);
    switch (kind) {
    case DatabaseKind::Missing: return fail(QStringLiteral("Could not find file '%1'.").arg(m_path));
    case DatabaseKind::Unreadable: return fail(QStringLiteral("Cannot open '%1': permission denied or file busy.").arg(m_path));
    case DatabaseKind::Unknown: return fail(QStringLiteral("Unrecognized database format '%1'.").arg(m_path));
    case DatabaseKind::NotAFile: return fail(QStringLiteral("'%1' is not a file (a pipe, a device or a folder).").arg(m_path));
    default: break;
    }
    m_connection = QStringLiteral("dr420-db-%1").arg(g_connections.fetchAndAddRelaxed(1));
    {
        m_accessCopy = isAccessKind(kind);
        QString target = m_path;
        if (m_accessCopy) {
            // Read by the helper process into a private copy.
            m_importDir = std::make_unique<QTemporaryDir>();
            target = m_importDir->filePath(QStringLiteral("import.sqlite"));
            QString error;
            if (!m_importDir->isValid() || !importAccessDatabaseIsolated(m_path, target, &error)) {
                m_importDir.reset();
                m_connection.clear();
                return fail(error.isEmpty() ? QStringLiteral("Cannot make a private copy of '%1'.").arg(m_path) : error);
            }
        }
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        db.setDatabaseName(target);
        startStatement();
        if (!db.open()) {
            const QString text = errorText(db.lastError());
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(m_connection);
            m_connection.clear();
            return fail(text.isEmpty() ? QStringLiteral("Cannot open '%1'.").arg(m_path) : text);
        }
        // A file with a SQLite header may still be damaged: make SQLite read
        // its schema now so that the damage shows here, not mid-load.
        watchEngine(db, m_watch.get());
        QSqlQuery probe(db);
        startStatement();
        if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
            const QString text = engineError(probe.lastError());
            probe = QSqlQuery();
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(m_connection);
            m_connection.clear();
            return fail(text);
        }
    }
    m_open = true;
    return true;
}

bool ADOConn::OpenRecordset(const QString &sql, const QVariantList &values)
{
    m_eof = true;
    m_recordset = nullptr;
    m_select = m_selects.value(sql);
    if (m_select) {
        m_select->query->finish();
    } else {
        auto select = std::make_shared<Select>();
        select->query = std::make_unique<QSqlQuery>(database());
        select->query->setForwardOnly(true);
        if (!select->query->prepare(sql))
            return fail(errorText(select->query->lastError()));
        m_select = select;
        m_selects.insert(sql, select);
    }
    QSqlQuery &query = *m_select->query;
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values[i]);
    m_walkFailed = false;
    startStatement();
    if (!query.exec()) {
        const QString text = engineError(query.lastError());
        m_select.reset();
        return fail(text);
    }
    if (m_select->columns.isEmpty()) {
        const QSqlRecord fields = query.record();
        for (int i = 0; i < fields.count(); ++i)
            m_select->columns << fields.fieldName(i);
    }
    m_recordset = &query;
    m_eof = !query.next();
    if (m_eof && query.lastError().isValid()) {
        m_walkFailed = true;
        return fail(engineError(query.lastError()));
    }
    return true;
}

int ADOConn::column(const QString &name) const
{
    if (!m_select)
        return -1;
    const QStringList &columns = m_select->columns;
    for (int i = 0; i < columns.size(); ++i) // the first of equal names wins
        if (columns[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool ADOConn::ExecuteSql(const QString &sql, const QVariantList &values)
{
    // The same statement again (one per parameter when saving) reuses its preparation.
    if (!m_command || m_commandText != sql) {
        m_command = std::make_unique<QSqlQuery>(database());
        m_commandText = sql;
        if (!m_command->prepare(sql)) {
            const QString text = errorText(m_command->lastError());
            m_command.reset();
            return fail(text);
        }
    }
    for (int i = 0; i < values.size(); ++i)
        m_command->bindValue(i, values[i]);
    startStatement();
    if (!m_command->exec())
        return fail(engineError(m_command->lastError()));
    return true;
}

void ADOConn::Close()
{
    m_recordset = nullptr;
    m_select.reset();
    m_selects.clear();
    m_command.reset();
    m_commandText.clear();
    m_eof = true;
    if (m_connection.isEmpty())
        return;
    {
        QSqlDatabase db = database();
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
    m_connection.clear();
    m_open = false;
    m_importDir.reset();
}

bool ADOConn::IsEOF() const
{
    return !m_recordset || m_eof;
}

void ADOConn::MoveNext()
{
    if (!m_recordset || m_eof)
        return;
    m_eof = !m_recordset->next();
    if (m_eof && m_recordset->lastError().isValid()) {
        m_walkFailed = true;
        fail(engineError(m_recordset->lastError()));
    }
}

bool ADOConn::HasField(const QString &column) const
{
    return !IsEOF() && this->column(column) >= 0;
}

QVariant ADOConn::Field(const QString &column) const
{
    if (IsEOF())
        return QVariant();
    const int i = this->column(column);
    return i < 0 ? QVariant() : m_recordset->value(i);
}

bool ADOConn::IsNull(const QString &column) const
{
    return Field(column).isNull();
}

QString ADOConn::Text(const QString &column, bool *ok) const
{
    const QVariant v = Field(column);
    if (ok)
        *ok = !v.isNull();
    return v.toString();
}

int ADOConn::Integer(const QString &column, bool *ok) const
{
    const QVariant v = Field(column);
    bool converted = false;
    const int n = v.isNull() ? 0 : v.toInt(&converted);
    if (ok)
        *ok = converted;
    return n;
}

bool ADOConn::Boolean(const QString &column, bool *ok) const
{
    const QVariant v = Field(column);
    if (ok)
        *ok = !v.isNull();
    if (v.isNull())
        return false;
    const QString text = v.toString().trimmed();
    if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
        text.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 ||
        text.compare(QLatin1String("no"), Qt::CaseInsensitive) == 0)
        return false;
    bool numeric = false;
    const double d = text.toDouble(&numeric);
    if (!numeric && ok)
        *ok = false;
    return numeric && d != 0;
}

bool ADOConn::BeginTransaction()
{
    startStatement();
    return database().transaction() || fail(engineError(database().lastError()));
}

bool ADOConn::Commit()
{
    startStatement();
    return database().commit() || fail(engineError(database().lastError()));
}

void ADOConn::Rollback()
{
    database().rollback();
}

} // namespace dr420
