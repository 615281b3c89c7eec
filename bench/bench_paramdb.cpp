// Parameter database: load a generated 2000-parameter file into the parameter
// table, and save 2000 values back (one transaction). Median of 11 runs.
#include "paramdb/ParameterRecord.h"
#include "paramdb/ParameterStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {
// `keyed` false makes the tables as a conversion from Access used to: no key, no index.
void generate(const QString &path, int count, bool keyed = true)
{
    const QString key = keyed ? QStringLiteral(" PRIMARY KEY") : QString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("gen"));
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(db);
        db.transaction();
        q.exec(QStringLiteral("CREATE TABLE Groups (GroupNO TEXT%1, GroupName TEXT)").arg(key));
        q.exec(QStringLiteral("CREATE TABLE Parameter (PNO TEXT%1, GroupNO TEXT, Name TEXT, Description TEXT, "
                              "RW INTEGER, Sign INTEGER, ZPoint INTEGER, Value TEXT, Unit TEXT, MaxLmt INTEGER, "
                              "MaxVal TEXT, MinLmt INTEGER, MinVal TEXT, MultiLmt INTEGER, InputType INTEGER, ItemGroupNO INTEGER)").arg(key));
        q.exec(QStringLiteral("CREATE TABLE SelectTable (ItemGroupNO INTEGER, \"Index\" INTEGER, Value TEXT, Description TEXT)"));
        for (int g = 0; g < 20; ++g)
            q.exec(QStringLiteral("INSERT INTO Groups VALUES('G%1','Group %1')").arg(g, 2, 10, QLatin1Char('0')));
        QSqlQuery ins(db);
        ins.prepare(QStringLiteral("INSERT INTO Parameter VALUES(?,?,?,NULL,2,0,2,'1.00','Hz',0,'100.00',0,'0.00',0,?,?)"));
        QSqlQuery opt(db);
        opt.prepare(QStringLiteral("INSERT INTO SelectTable VALUES(?,0,?,?)"));
        for (int i = 0; i < count; ++i) {
            const bool selection = i % 4 == 0;
            ins.addBindValue(QStringLiteral("F%1-%2").arg(i / 100, 3, 10, QLatin1Char('0')).arg(i % 100, 2, 10, QLatin1Char('0')));
            ins.addBindValue(QStringLiteral("G%1").arg(i % 20, 2, 10, QLatin1Char('0')));
            ins.addBindValue(QStringLiteral("Parameter %1").arg(i));
            ins.addBindValue(selection ? -1 : 0);
            ins.addBindValue(i);
            ins.exec();
            if (selection)
                for (int k = 0; k < 6; ++k) {
                    opt.addBindValue(i);
                    opt.addBindValue(QString::number(k));
                    opt.addBindValue(QStringLiteral("Choice %1").arg(k));
                    opt.exec();
                }
        }
        q.exec(QStringLiteral("CREATE INDEX sel ON SelectTable(ItemGroupNO)"));
        db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("gen"));
}

double medianMs(int runs, const std::function<void()> &work)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.mdb"));
    generate(path, 2000);

    const double load = medianMs(11, [&] {
        dr420::ParameterTable().clear();
        dr420::LoadParameterTable(path);
    });
    std::printf("load 2000 parameters: median %.1f ms (goal <= 100 ms), %zu records\n", load,
                dr420::ParameterTable().size());
    int round = 0;
    const double save = medianMs(11, [&] {
        ++round;
        for (auto &r : dr420::ParameterTable())
            r.Value = QString::number(round);
        dr420::WriteValuesToDatabase(path);
    });
    std::printf("save 2000 values: median %.1f ms (goal <= 100 ms)\n", save);

    // A whole "Save The Parameter File" of 50 000 parameters whose default
    // database has no key on PNO (as converted Access tables had).
    const QString big = dir.filePath(QStringLiteral("huge.mdb"));
    generate(big, 50000, false);
    dr420::ParameterTable().clear();
    dr420::LoadParameterTable(big);
    dr420::setDefaultDatabasePath(big);
    for (auto &r : dr420::ParameterTable())
        r.Value = QStringLiteral("2.00");
    const QString target = dir.filePath(QStringLiteral("saved.mdb"));
    const double saveBig = medianMs(3, [&] { dr420::SaveParameterFile(target); });
    std::printf("save 50000 parameters to a new file: median %.0f ms (goal <= 1000 ms), %zu records\n", saveBig,
                dr420::ParameterTable().size());
    return 0;
}
