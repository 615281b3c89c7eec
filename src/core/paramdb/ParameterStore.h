#pragma once

#include <QString>
#include <QStringList>

// Loading parameter files into the parameter table and storing values back.
namespace dr420 {

// The statements on a parameter database. Values are bound to the "?"
// places; Index is bracketed because it is a keyword of the engine. The
// loader reads each table once and matches rows in memory (a statement per
// parameter costs more than the rest of the load together).
namespace sql {
inline const QString kAllParameters = QStringLiteral("select * from Parameter");
inline const QString kParametersWithGroup = QStringLiteral(
    "select P.*,G.GroupName from Parameter P,Groups G where P.GroupNO=G.GroupNO");
inline const QString kOptions = QStringLiteral("select ItemGroupNO,[Index],Value,Description from SelectTable");
inline const QString kUpdateValue = QStringLiteral("update Parameter set Value=? where PNO=?");
} // namespace sql

// A drive has hundreds of parameters; a file with more than this is refused.
constexpr int kMaxParameters = 100000;

struct LoadResult {
    bool opened = false;
    int loaded = 0;
    QStringList skipped; // "PNO: reason", one per parameter left out
    QStringList duplicates; // "PNO: N rows": numbers given more than once (the first row counts)
};

// Appends the parameters of a database file to ParameterTable (the caller
// empties it first for a fresh table). A parameter that breaks the schema is
// left out whole, and the user is told once how many were left out and why.
LoadResult LoadParameterTable(const QString &path);
// How a NULL in a text column that must hold a value is read: Access files
// (whose reader cannot tell "" from NULL) read it as "", the default for them;
// SQLite files leave such a parameter out.
enum class NullText { ByFileKind, Empty };
LoadResult LoadParameterTable(const QString &path, NullText nulls);

// The default database: "DR420.mdb" in the program directory, fixed for the run.
QString defaultDatabasePath();
void setDefaultDatabasePath(const QString &path);

// The file type test of parameter files: the extension is ".mdb", any case.
bool isParameterFilePath(const QString &path);

// Stores the Value of every record into a SQLite file in place, in one
// transaction (a failure rolls it back). Never given an Access file.
bool WriteValuesToDatabase(const QString &path);

// Why `path` cannot be saved to, empty when it can: the type test, and a
// file whose permission bits deny writing (checked by the bits, as the
// program may run as root).
QString saveTargetRefusal(const QString &path);

// "Save The Parameter File" after its dialog. The whole result (a copy of the
// default database with the values stored; SQLite even when the default is
// an Access file) is built in a temporary file beside `path` and then
// replaces it in one rename, with the old file's permissions: any failure
// leaves `path` as it was. Failures are shown.
bool SaveParameterFile(const QString &path);

} // namespace dr420
