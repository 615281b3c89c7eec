#pragma once

#include <QIcon>
#include <QImage>

// The program's pictures, drawn in code so that they scale and need no
// binary resources.
namespace dr420::artwork {

QIcon parameterEditorIcon();  // list with a pen
QIcon oscilloscopeIcon();     // screen with a trace
QIcon applicationIcon();
QIcon confirmIcon();          // green tick
QIcon cancelIcon();           // red cross

// The MDI background tile, 100 x 100. It is drawn in three key colours that
// the background maps to system colours: light grey (192,192,192), white and
// black; the rest of its palette stays as drawn.
QImage mdiTile();

// The start-up picture, 520 x 317.
QImage splashPicture();

} // namespace dr420::artwork
