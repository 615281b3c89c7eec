#pragma once

#include <QDialog>

class QTextBrowser;

namespace dr420 {

// The program's own user manual (Markdown), for desktops without a viewer of
// the vendor's help file. Modeless; links to other places open outside.
class CHelpWindow : public QDialog
{
    Q_OBJECT
public:
    // False when the manual file cannot be read.
    bool load(const QString &markdownPath);
    explicit CHelpWindow(QWidget *parent = nullptr);
    QTextBrowser *browser() const { return m_browser; }

private:
    QTextBrowser *m_browser = nullptr;
};

} // namespace dr420
