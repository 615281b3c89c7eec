#include "shell/TolvaApp.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    dr420::CTolvaApp tolva;
    if (!tolva.initInstance(QCoreApplication::arguments()))
        return 0;
    const int status = QApplication::exec();
    tolva.exitInstance();
    return status;
}
