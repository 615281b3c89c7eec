#pragma once

#include <QIcon>
#include <QSize>
#include <QString>

class QAction;
class QToolBar;

namespace dr420 {

// Prompts are written "status bar text\ntooltip", one string per command.
void setPrompt(QAction *action, const QString &prompt);

// A tool bar command named `name` (its object name) with a fixed-size button;
// the tooltip is also its text.
QAction *addToolCommand(QToolBar *bar, const QString &name, const QIcon &icon, const QString &prompt,
                        const QSize &buttonSize);

} // namespace dr420
