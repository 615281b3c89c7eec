#include "OpenCommDlg.h"

#include "controls/BtnST.h"
#include "common/ProgramDir.h"
#include "link/Connection.h"
#include "shell/Artwork.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLayout>
#include <QVBoxLayout>

namespace dr420 {

COpenCommDlg::COpenCommDlg(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Serial Port Setup"));
    setObjectName(QStringLiteral("openCommDlg"));
    const char *labels[PortSettings::Count] = {"Comm Port:", "Baud Rate:", "Station No:", "Interface:", "Protocol:"};
    const char *names[PortSettings::Count] = {"portList", "baudList", "stationList", "interfaceList", "protocolList"};
    auto *form = new QFormLayout;
    for (int i = 0; i < PortSettings::Count; ++i) {
        m_lists[i] = new QComboBox;
        m_lists[i]->setObjectName(QLatin1String(names[i]));
        m_lists[i]->setEditable(false);
        m_lists[i]->setMinimumWidth(180);
        form->addRow(QLatin1String(labels[i]), m_lists[i]);
    }
    m_confirm = new CButtonST(QStringLiteral("Confirm"), artwork::confirmIcon());
    m_confirm->setObjectName(QStringLiteral("confirmButton"));
    m_cancel = new CButtonST(QStringLiteral("Cancle"), artwork::cancelIcon());
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    m_confirm->setDefault(true);
    connect(m_confirm, &QPushButton::clicked, this, &COpenCommDlg::confirm);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_confirm);
    buttons->addWidget(m_cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    loadLists();
    for (int which : {int(PortSettings::Interface), int(PortSettings::Protocol)})
        connect(m_lists[which], &QComboBox::currentIndexChanged, this, &COpenCommDlg::coupleLineFormat);
}

QString COpenCommDlg::settingsPath()
{
    return programDir() + QStringLiteral("settings.ini");
}

void COpenCommDlg::loadLists()
{
    const PortSettings s = PortSettings::load(settingsPath());
    for (int i = 0; i < PortSettings::Count; ++i) {
        QComboBox *list = m_lists[i];
        QSignalBlocker quiet(list);
        list->clear();
        list->addItems(s.items[size_t(i)]);
        list->setCurrentIndex(PortSettings::match(s.items[size_t(i)], s.current[size_t(i)]));
    }
    coupleLineFormat();
}

void COpenCommDlg::coupleLineFormat()
{
    // With the second interface (RS485) the line format is fixed to its second item.
    if (m_lists[PortSettings::Interface]->currentIndex() == 1 && m_lists[PortSettings::Protocol]->count() > 1) {
        QSignalBlocker quiet(m_lists[PortSettings::Protocol]);
        m_lists[PortSettings::Protocol]->setCurrentIndex(1);
    }
}

void COpenCommDlg::confirm()
{
    std::array<QString, PortSettings::Count> chosen;
    for (int i = 0; i < PortSettings::Count; ++i)
        chosen[size_t(i)] = m_lists[i]->currentIndex() >= 0 ? m_lists[i]->currentText() : QString();
    // The choice is kept whatever the attempt brings.
    PortSettings::saveCurrent(settingsPath(), chosen);

    ConnectRequest request;
    request.portIndex = m_lists[PortSettings::Port]->currentIndex();
    request.baudText = chosen[PortSettings::Baud];
    request.stationIndex = m_lists[PortSettings::Station]->currentIndex();
    request.interfaceText = chosen[PortSettings::Interface];
    setCursor(Qt::WaitCursor);
    const ConnectOutcome outcome = connectDrive(request);
    unsetCursor();
    if (outcome != ConnectOutcome::Connected)
        return; // the message was shown; the dialog stays for another try
    m_connected = true;
    accept();
}

} // namespace dr420
