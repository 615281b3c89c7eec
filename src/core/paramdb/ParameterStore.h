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

struct LoadResult {
    bool opened = false;
    int loaded = 0;
    QStringList skipped; // "PNO: reason", one per parameter left out
};

// Appends the parameters of a database file to ParameterTable (the caller
// empties it first for a fresh table). A parameter that breaks the schema is
// left out whole, and the user is told once how many were left out and why.
LoadResult LoadParameterTable(const QString &path);

// The default database: "DR420.mdb" in the program directory, fixed for the run.
QString defaultDatabasePath();
void setDefaultDatabasePath(const QString &path);

// The file type test of parameter files: the extension is ".mdb", any case.
bool isParameterFilePath(const QString &path);

// Stores the Value of every record into the file, in one transaction: on any
// failure nothing of the file changes. An Access file is first turned into a
// SQLite file of the same content (the only kind that is ever written).
bool WriteValuesToDatabase(const QString &path);

// "Save The Parameter File" after its dialog: copy the default database to
// `path` when it is another file, then store the values; failures are shown.
bool SaveParameterFile(const QString &path);

} // namespace dr420
