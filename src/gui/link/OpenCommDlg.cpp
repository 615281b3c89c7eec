#include "OpenCommDlg.h"

#include "controls/BtnST.h"
#include "common/AppPaths.h"
#include "link/ComPortMap.h"
#include "link/Connection.h"
#include "link/SerialDeviceInfo.h"
#include "common/Artwork.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
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
    // Which device the chosen COM port is: beside the setup, not part of it.
    m_portInfo = new QLabel;
    m_portInfo->setObjectName(QStringLiteral("portInfo"));
    m_portInfo->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_portInfo->setWordWrap(true);
    m_portInfo->setFixedWidth(340);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_portInfo);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    loadLists();
    for (int which : {int(PortSettings::Interface), int(PortSettings::Protocol)})
        connect(m_lists[which], &QComboBox::currentIndexChanged, this, &COpenCommDlg::coupleLineFormat);
    connect(m_lists[PortSettings::Port], &QComboBox::currentIndexChanged, this, &COpenCommDlg::showPortDevice);
    showPortDevice();
}

QString COpenCommDlg::portDeviceText(int portNumber)
{
    const QString device = ComPortMap::resolve(portNumber);
    if (device.isEmpty())
        return QStringLiteral("COM%1: no device (not present)").arg(portNumber);
    const SerialDeviceInfo info = describeSerialDevice(device);
    QString text = QStringLiteral("COM%1 = %2").arg(portNumber).arg(device);
    if (info.present && info.realDevice != device)
        text += QStringLiteral(" (%1)").arg(info.realDevice);
    text += QStringLiteral(": ") + info.describe();
    if (!info.stableName.isEmpty() && info.stableName != device)
        text += QStringLiteral("\nStable name for %1: COM%2=%3").arg(ComPortMap::fileName()).arg(portNumber).arg(info.stableName);
    return text;
}

void COpenCommDlg::showPortDevice()
{
    const int index = m_lists[PortSettings::Port]->currentIndex();
    m_portInfo->setText(index < 0 ? QString() : portDeviceText(index + 1));
}

QString COpenCommDlg::settingsPath()
{
    return appFilePath(AppFile::Settings);
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
