#pragma once

#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

class QSqlQuery;

namespace dr420 {

// A short-lived connection to one parameter database file: construct, Open,
// run statements and walk rows, Close. Every engine error is shown to the user
// through the message service and turned into `false`; nothing throws.
//
// The engine is SQLite. An Access (Jet) file is read into a private in-memory
// SQLite copy at Open, so statements work on it alike; changes to such a copy
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
    void MoveNext();
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
    int column(const QString &name) const;

    QString m_path;
    QString m_connection;
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
