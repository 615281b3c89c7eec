#pragma once

class QWidget;

namespace dr420 {

class CMainFrame;

// The views of the two working windows; the main frame puts each in a child
// frame of its MDI area.
QWidget *createParameterView(CMainFrame *frame);
QWidget *createOscilloscopeView(CMainFrame *frame);

} // namespace dr420
