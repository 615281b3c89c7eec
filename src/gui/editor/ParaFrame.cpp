#include "ParaFrame.h"

#include "ParaView.h"
#include "common/Artwork.h"
#include "common/Commands.h"

#include <QAction>
#include <QToolBar>

namespace dr420 {

CParaFrame::CParaFrame(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("paraFrame"));
    m_view = new CParaView;
    setCentralWidget(m_view);

    auto *bar = new QToolBar(QStringLiteral("Parameter Bar"), this);
    bar->setObjectName(QStringLiteral("parameterBar"));
    bar->setIconSize(QSize(16, 16));
    bar->setMovable(true);
    bar->setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
    const struct {
        const char *name;
        QIcon icon;
        const char *prompt;
        void (CParaView::*slot)();
    } commands[] = {
        {"actionOpenParameterFile", artwork::openFileIcon(), "Open The Parameter File\nOpen The Parameter File", &CParaView::openParameterFile},
        {"actionSaveParameterFile", artwork::saveFileIcon(), "Save The Parameter File\nSave The ParameterParameter", &CParaView::saveParameterFile},
        {"actionSearchParameters", artwork::searchIcon(), "Search Parameters\nFind Parameters", &CParaView::openSearch},
        // Compare, back up and restore: after the editor's own three, behind a separator.
        {"actionCompareParameters", artwork::compareIcon(),
         "Compare the parameter list with the default database, a parameter file or the drive\nCompare Parameters",
         &CParaView::compareParameters},
        {"actionBackupDrive", artwork::backupIcon(),
         "Read every parameter from the drive and save them as a parameter file\nBackup Drive to File",
         &CParaView::backupDriveToFile},
        {"actionRestoreDrive", artwork::restoreIcon(),
         "Write the values of a parameter file that differ from the drive, and verify them\nRestore File to Drive",
         &CParaView::restoreFileToDrive},
    };
    for (const auto &c : commands) {
        if (&c == &commands[3])
            bar->addSeparator();
        QAction *action = addToolCommand(bar, QLatin1String(c.name), c.icon, QString::fromUtf8(c.prompt), QSize(23, 22));
        connect(action, &QAction::triggered, m_view, c.slot);
    }
    addToolBar(Qt::TopToolBarArea, bar);
}

} // namespace dr420
