#include "ParaFrame.h"

#include "ParaView.h"
#include "shell/Artwork.h"

#include <QAction>
#include <QToolBar>
#include <QToolButton>

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
    };
    for (const auto &c : commands) {
        const QString prompt = QString::fromUtf8(c.prompt);
        auto *action = new QAction(c.icon, prompt.section(QLatin1Char('\n'), 1), this);
        action->setObjectName(QLatin1String(c.name));
        action->setStatusTip(prompt.section(QLatin1Char('\n'), 0, 0));
        action->setToolTip(prompt.section(QLatin1Char('\n'), 1));
        connect(action, &QAction::triggered, m_view, c.slot);
        bar->addAction(action);
        if (auto *button = qobject_cast<QToolButton *>(bar->widgetForAction(action))) {
            button->setFixedSize(23, 22);
            button->setAutoRaise(true);
        }
    }
    addToolBar(Qt::TopToolBarArea, bar);
}

} // namespace dr420
