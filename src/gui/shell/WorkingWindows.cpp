#include "WorkingWindows.h"

#include <QWidget>

namespace dr420 {

QWidget *createParameterView(CMainFrame *)
{
    auto *view = new QWidget;
    view->setObjectName(QStringLiteral("paraView"));
    return view;
}

QWidget *createOscilloscopeView(CMainFrame *)
{
    auto *view = new QWidget;
    view->setObjectName(QStringLiteral("waveView"));
    return view;
}

} // namespace dr420
