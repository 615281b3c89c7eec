#include "ChildFrame.h"

#include "common/Artwork.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace dr420 {

CChildFrame::CChildFrame(int number, QWidget *parent)
    : QMdiSubWindow(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    auto *view = new QWidget;
    view->setObjectName(QStringLiteral("childView"));
    view->setAutoFillBackground(true);
    QPalette pal = view->palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Base));
    view->setPalette(pal);
    setWidget(view);
    setWindowTitle(QStringLiteral("Blank%1").arg(number));
    setWindowIcon(artwork::applicationIcon());
    resize(420, 300);
}

CWorkFrame::CWorkFrame(QWidget *view, const QString &title, const QIcon &icon, QWidget *parent)
    : QMdiSubWindow(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWidget(view);
    setWindowTitle(title);
    setWindowIcon(icon);
}

CAboutDlg::CAboutDlg(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About DR420 Monitor"));
    auto *icon = new QLabel;
    icon->setPixmap(artwork::applicationIcon().pixmap(48, 48));
    auto *texts = new QVBoxLayout;
    texts->addWidget(new QLabel(QStringLiteral("DR420 series oscilloscope")));
    texts->addWidget(new QLabel(QStringLiteral("2019-10-23")));
    auto *row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addLayout(texts, 1);
    auto *confirm = new QPushButton(QStringLiteral("Confirm"));
    confirm->setDefault(true);
    connect(confirm, &QPushButton::clicked, this, &QDialog::accept);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(confirm, 0, Qt::AlignRight);
}

} // namespace dr420
