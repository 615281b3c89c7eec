// The parameter list with 2000 parameters: FillListAll (goal < 100 ms) and
// switching to one group, on the offscreen platform.
#include "editor/ParaView.h"
#include "paramdb/ParameterRecord.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication app(argc, argv);
    auto &table = dr420::ParameterTable();
    for (int i = 0; i < 2000; ++i) {
        dr420::ParameterRecord r;
        r.GroupNO = QStringLiteral("G%1").arg(i / 100, 2, 10, QLatin1Char('0'));
        r.GroupName = QStringLiteral("Group %1").arg(i / 100);
        r.PNO = QStringLiteral("F%1-%2").arg(i / 100, 2, 10, QLatin1Char('0')).arg(i % 100, 2, 10, QLatin1Char('0'));
        r.Name = QStringLiteral("Parameter number %1").arg(i);
        r.Value = QStringLiteral("%1.00").arg(i);
        r.Unit = QStringLiteral("Hz");
        r.MinVal = QStringLiteral("0.00");
        r.MaxVal = QStringLiteral("100.00");
        r.RW = i % 3;
        table.push_back(r);
    }
    dr420::CParaView view;
    view.resize(1600, 900);
    view.show();
    QApplication::processEvents();
    std::vector<double> all, group;
    for (int run = 0; run < 11; ++run) {
        QElapsedTimer t;
        t.start();
        view.fillListAll();
        QApplication::processEvents();
        all.push_back(t.nsecsElapsed() / 1e6);
        t.start();
        view.tree()->setCurrentItem(view.tree()->topLevelItem(0)->child(run % 20));
        QApplication::processEvents();
        group.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(all.begin(), all.end());
    std::sort(group.begin(), group.end());
    std::printf("FillListAll, 2000 rows: median %.1f ms (goal < 100 ms)\n", all[all.size() / 2]);
    std::printf("switch to a group of 100: median %.1f ms\n", group[group.size() / 2]);
    return 0;
}
