#include "WorkingWindows.h"

#include "MainFrame.h"
#include "editor/ParaFrame.h"
#include "editor/ParaView.h"
#include "scope/WaveFrame.h"
#include "scope/WaveView.h"

#include <QAction>
#include <QWidget>

namespace dr420 {

QWidget *createParameterView(CMainFrame *frame)
{
    auto *editor = new CParaFrame;
    QObject::connect(frame, &CMainFrame::searchRequested, editor->view(), &CParaView::openSearch);
    editor->view()->setConnectionProbe([frame] { return frame->isConnected(); });
    QObject::connect(frame, &CMainFrame::editorCommandRequested, editor, [editor](const QString &name) {
        if (QAction *action = editor->findChild<QAction *>(name))
            action->trigger();
    });
    return editor;
}

QWidget *createOscilloscopeView(CMainFrame *frame)
{
    auto *scope = new CWaveFrame;
    scope->setMainFullScreen([frame] { frame->enterFullScreen(); }, [frame] { frame->leaveFullScreen(); });
    QObject::connect(scope->view(), &CWaveView::linkLost, frame, &CMainFrame::closeComPort);
    return scope;
}

} // namespace dr420
