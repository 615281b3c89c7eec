#pragma once

#include <QString>

class QSqlDatabase;

namespace dr420 {

// What a parameter file is, judged by its first bytes, never by its name.
enum class DatabaseKind { Missing, Unreadable, NotAFile, Unknown, SQLite, Jet3, Jet4, Ace };

DatabaseKind databaseKind(const QString &path);
inline bool isAccessKind(DatabaseKind k)
{
    return k == DatabaseKind::Jet3 || k == DatabaseKind::Jet4 || k == DatabaseKind::Ace;
}

// Copies every user table of an Access file into `target` (an open SQLite
// database). Text comes out as Unicode: Jet 4 stores it so; Jet 3 text is
// decoded by the code page the file declares in its header (936 -> GBK,
// 1252 -> CP1252, others CP<n>), and by GBK, the program's narrow code page,
// when the file declares none. False with `error` set when the file cannot be read.
bool importAccessDatabase(const QString &path, QSqlDatabase &target, QString *error);

// What importing an Access file in the helper process may take: limits grow
// with the file's size.
struct ImportLimits {
    qint64 residentMb;   // resident memory, watched by the caller
    qint64 addressMb;    // address space (setrlimit in the helper)
    int cpuSeconds;      // CPU time (setrlimit in the helper)
    int wallMs;          // time until the caller kills the helper
};
ImportLimits importLimits(qint64 fileBytes);

// The same import in the helper program "dr420-mdbimport" beside the
// executable, writing the tables into the SQLite file `target`. A helper that
// crashes, runs out of its limits or fails leaves nothing the caller keeps;
// its output never reaches this process's terminal. False with `error` set.
bool importAccessDatabaseIsolated(const QString &path, const QString &target, QString *error);

// The iconv name used for Jet 3 text of a declared code page.
QString jet3Charset(int codePage);

// Writes a standalone SQLite copy of `db` into `path`, which must be missing
// or empty (the caller renames it into place).
bool writeSqliteCopy(QSqlDatabase &db, const QString &path, QString *error);

} // namespace dr420
