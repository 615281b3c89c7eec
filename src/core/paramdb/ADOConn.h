#pragma once

#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>
#include <memory>

class QSqlQuery;

namespace dr420 {

struct EngineWatch;

// A short-lived connection to one parameter database file: construct, Open,
// run statements and walk rows, Close. Every engine error is shown to the user
// through the message service and turned into `false`; nothing throws.
//
// The engine is SQLite. An Access (Jet) file is read at Open, by a helper
// process with limits (DatabaseFile), into a private SQLite copy in a
// temporary folder, so statements work on it alike; changes to such a copy
// never reach the Access file.
class ADOConn
{
public:
    explicit ADOConn(QString path);
    ~ADOConn();
    ADOConn(const ADOConn &) = delete;
    ADOConn &operator=(const ADOConn &) = delete;

    bool Open();
    // Runs a select and stands on its first row. Values are bound to the
    // statement's "?" placeholders, never pasted into its text.
    bool OpenRecordset(const QString &sql, const QVariantList &values = {});
    bool ExecuteSql(const QString &sql, const QVariantList &values = {});
    void Close();

    // Forward-only walk over the rows of the last OpenRecordset.
    bool IsEOF() const;
    // An engine error on the way (a damaged page, a statement stopped for
    // running too long) is shown, ends the walk and sets walkFailed().
    void MoveNext();
    bool walkFailed() const { return m_walkFailed; }

    // How long one statement may run (its rows included) before the engine
    // stops it: a damaged or hostile file (a recursive view) cannot hang.
    static constexpr int kStatementLimitMs = 5000;
    bool HasField(const QString &column) const;
    bool IsNull(const QString &column) const;
    QVariant Field(const QString &column) const;
    // Conversions; `ok` is false for NULL or a value that is not of the kind.
    QString Text(const QString &column, bool *ok = nullptr) const;
    int Integer(const QString &column, bool *ok = nullptr) const;
    bool Boolean(const QString &column, bool *ok = nullptr) const;

    bool BeginTransaction();
    bool Commit();
    void Rollback();

    const QString &path() const { return m_path; }
    bool isAccessCopy() const { return m_accessCopy; }
    QSqlDatabase database() const;

private:
    bool fail(const QString &text);
    QString engineError(const QSqlError &e) const;
    void startStatement();
    int column(const QString &name) const;

    QString m_path;
    QString m_connection;
    std::unique_ptr<QTemporaryDir> m_importDir; // the private copy of an Access file
    std::unique_ptr<EngineWatch> m_watch;       // what the engine's progress handler reads
    bool m_walkFailed = false;
    bool m_open = false;
    bool m_accessCopy = false;
    // Prepared selects by statement text: the loader runs the same two
    // statements once per parameter.
    struct Select {
        std::unique_ptr<QSqlQuery> query;
        QStringList columns; // result column names, known after the first run
    };
    QHash<QString, std::shared_ptr<Select>> m_selects;
    std::shared_ptr<Select> m_select;
    QSqlQuery *m_recordset = nullptr;
    bool m_eof = true;
    std::unique_ptr<QSqlQuery> m_command;
    QString m_commandText;
};

} // namespace dr420
