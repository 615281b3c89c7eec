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
QIcon openFileIcon();         // folder
QIcon saveFileIcon();         // disk
QIcon searchIcon();           // magnifier
QIcon compareIcon();          // two sheets and a not-equal sign
QIcon backupIcon();           // arrow into a disk
QIcon restoreIcon();          // arrow out of a disk
QIcon triggerIcon();          // a rising edge and the trigger mark
QIcon measureIcon();          // a ruler
QIcon exportIcon();           // an arrow out of a sheet
QIcon recordIcon();           // a red dot
// Attribute of a parameter: 0 read-only (lock), 1 read-only while running
// (lock over a turning wheel), 2 read/write (pencil).
QIcon attributeIcon(int rw);
QIcon cancelIcon();           // red cross

// The oscilloscope's tool bar pictures.
enum class ScopeIcon {
    Run, Stop, TimeCursors, ValueCursor1, ValueCursor2, ValueCursor3, ValueCursor4, OriginalSize,
    Coordinates, FullScreen, VerticalDrag, HorizontalDrag, Prohibit, ZoomIn, ZoomOut, Background
};
QIcon scopeIcon(ScopeIcon which);

// The MDI background tile, 100 x 100. It is drawn in three key colours that
// the background maps to system colours: light grey (192,192,192), white and
// black; the rest of its palette stays as drawn.
QImage mdiTile();

// The start-up picture, 520 x 317.
QImage splashPicture();

} // namespace dr420::artwork
