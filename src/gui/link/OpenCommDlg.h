#pragma once

#include <QDialog>

class QComboBox;
class QLabel;

namespace dr420 {

class CButtonST;

// "Serial Port Setup": port, baud rate, station, interface and line format
// from "settings.ini"; Confirm saves the choice and connects.
class COpenCommDlg : public QDialog
{
    Q_OBJECT
public:
    explicit COpenCommDlg(QWidget *parent = nullptr);

    bool connected() const { return m_connected; }
    QComboBox *list(int which) const { return m_lists[which]; }

    // Confirm without waiting for a click (the button's slot).
    void confirm();

    static QString settingsPath();
    // "COM3 = /dev/ttyUSB0: USB adapter FTDI FT232R USB UART (0403:6001), ...", or not present.
    static QString portDeviceText(int portNumber);
    QLabel *portInfo() const { return m_portInfo; }

private:
    void loadLists();
    void coupleLineFormat();
    void showPortDevice();

    QComboBox *m_lists[5] = {};
    CButtonST *m_confirm = nullptr;
    CButtonST *m_cancel = nullptr;
    QLabel *m_portInfo = nullptr;
    bool m_connected = false;
};

} // namespace dr420
