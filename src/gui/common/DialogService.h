#pragma once

#include "common/Messages.h"

#include <QColor>
#include <QString>
#include <QStringList>

class QWidget;

namespace dr420 {

// Every message box, file dialog and colour dialog of the program goes through
// this service. The program installs QtDialogService; tests install one that
// records the request and answers it, so no modal window ever blocks a test.
class DialogService : public MessageService
{
public:
    struct FileRequest {
        bool save = false;
        QString title;
        QString defaultExtension; // appended when the typed name has none (save)
        QString filter;           // "Name(*.x)|*.x|All Files(*.*)|*.*||"
        QString initialPath;
    };

    // The chosen path, or an empty text when the user cancelled.
    virtual QString chooseFile(QWidget *parent, const FileRequest &request) = 0;
    // True with `colour` changed when the user confirmed.
    virtual bool chooseColour(QWidget *parent, QColor &colour) = 0;
    // A question before something that changes the drive: true when the user
    // confirmed. `details` are shown on request (one line each).
    virtual bool confirm(QWidget *parent, const QString &title, const QString &text, const QStringList &details) = 0;
};

DialogService &dialogs();
// Installs a service (not owned) for messages too; nullptr restores the Qt one.
void setDialogService(DialogService *service);

// The Qt dialogs themselves.
class QtDialogService final : public DialogService
{
public:
    void message(const QString &text, const QString &caption, MessageIcon icon) override;
    QString chooseFile(QWidget *parent, const FileRequest &request) override;
    bool chooseColour(QWidget *parent, QColor &colour) override;
    bool confirm(QWidget *parent, const QString &title, const QString &text, const QStringList &details) override;
};

// "A(*.a)|*.a|B|*.b||" -> "A(*.a) (*.a);;B (*.b)": the pipe-separated pairs
// that file filters are written in, turned into Qt's filter syntax.
QString toQtFileFilter(const QString &pipeFilter);
// Appends "." + extension when the file name has no extension of its own.
QString withDefaultExtension(const QString &path, const QString &extension);

} // namespace dr420
