#include "DialogService.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace dr420 {
namespace {
QtDialogService g_qtDialogs;
DialogService *g_dialogs = &g_qtDialogs;
bool g_installedAsMessages = false;
} // namespace

DialogService &dialogs()
{
    if (!g_installedAsMessages) {
        setMessageService(g_dialogs);
        g_installedAsMessages = true;
    }
    return *g_dialogs;
}

void setDialogService(DialogService *service)
{
    g_dialogs = service ? service : &g_qtDialogs;
    setMessageService(g_dialogs);
    g_installedAsMessages = true;
}

void QtDialogService::message(const QString &text, const QString &caption, MessageIcon icon)
{
    QMessageBox::Icon qtIcon = QMessageBox::NoIcon;
    switch (icon) {
    case MessageIcon::None: qtIcon = QMessageBox::NoIcon; break;
    case MessageIcon::Information: qtIcon = QMessageBox::Information; break;
    case MessageIcon::Warning: qtIcon = QMessageBox::Warning; break;
    case MessageIcon::Error: qtIcon = QMessageBox::Critical; break;
    case MessageIcon::Question: qtIcon = QMessageBox::Question; break;
    }
    QMessageBox box(qtIcon, caption.isEmpty() ? kAppTitle : caption, text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

bool QtDialogService::confirm(QWidget *parent, const QString &title, const QString &text, const QStringList &details)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Ok | QMessageBox::Cancel,
                    parent ? parent : QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::Cancel);
    if (!details.isEmpty())
        box.setDetailedText(details.join(QLatin1Char('\n')));
    return box.exec() == QMessageBox::Ok;
}

QString QtDialogService::chooseFile(QWidget *parent, const FileRequest &request)
{
    QFileDialog dialog(parent, request.title, request.initialPath, toQtFileFilter(request.filter));
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (!request.defaultExtension.isEmpty())
        dialog.setDefaultSuffix(request.defaultExtension);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    const QString path = dialog.selectedFiles().constFirst();
    return request.save ? withDefaultExtension(path, request.defaultExtension) : path;
}

bool QtDialogService::chooseColour(QWidget *parent, QColor &colour)
{
    const QColor chosen = QColorDialog::getColor(colour, parent);
    if (!chosen.isValid())
        return false;
    colour = chosen;
    return true;
}

QString toQtFileFilter(const QString &pipeFilter)
{
    const QStringList parts = pipeFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            break;
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        patterns.replace(QLatin1String("*.*"), QLatin1String("*"));
        filters << parts[i] + QLatin1String(" (") + patterns + QLatin1Char(')');
    }
    return filters.join(QLatin1String(";;"));
}

QString withDefaultExtension(const QString &path, const QString &extension)
{
    if (path.isEmpty() || extension.isEmpty() || QFileInfo(path).fileName().contains(QLatin1Char('.')))
        return path;
    return path + QLatin1Char('.') + extension;
}

} // namespace dr420
