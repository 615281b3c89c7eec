#include "Commands.h"

#include <QAction>
#include <QToolBar>
#include <QToolButton>

namespace dr420 {

void setPrompt(QAction *action, const QString &prompt)
{
    const int nl = prompt.indexOf(QLatin1Char('\n'));
    action->setStatusTip(prompt.left(nl));
    action->setToolTip(prompt.mid(nl + 1));
}

QAction *addToolCommand(QToolBar *bar, const QString &name, const QIcon &icon, const QString &prompt,
                        const QSize &buttonSize)
{
    auto *action = new QAction(icon, prompt.section(QLatin1Char('\n'), 1), bar->parent());
    action->setObjectName(name);
    setPrompt(action, prompt);
    bar->addAction(action);
    if (auto *button = qobject_cast<QToolButton *>(bar->widgetForAction(action))) {
        button->setFixedSize(buttonSize);
        button->setAutoRaise(true);
    }
    return action;
}

} // namespace dr420
