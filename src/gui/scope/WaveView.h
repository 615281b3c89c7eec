#pragma once

#include "scope/SamplingEngine.h"
#include "scope/ScopeRules.h"

#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <array>
#include <atomic>
#include <vector>

class QComboBox;
class QGroupBox;
class QLineEdit;

class QPushButton;

namespace dr420 {

class CColourPicker;
class CSpinButtons;
class CWaveWnd;
class CXTipComboBox;

// The oscilloscope view: the scope display above the channel panel. It runs
// the sampling (Run/Stop), keeps the panel's fields and their files
// ("channel.set", "wavesettings.ini"), and carries out the tool bar's
// commands. Samples reach the display on this thread: the display thread only
// asks for a hand-over, so no widget is touched from a worker thread.
class CWaveView : public QWidget
{
    Q_OBJECT
public:
    struct ChannelControls {
        QGroupBox *group = nullptr;
        CXTipComboBox *curve = nullptr;
        CColourPicker *colour = nullptr;
        QLineEdit *perDiv = nullptr;
        QPushButton *plus = nullptr;
        QPushButton *minus = nullptr;
        QLineEdit *shift = nullptr;
        CSpinButtons *shiftSpin = nullptr;
    };
    struct SamplingControls {
        QGroupBox *group = nullptr;
        QComboBox *width = nullptr;
        QLineEdit *interval = nullptr;
        CSpinButtons *intervalSpin = nullptr;
        QLineEdit *points = nullptr;
        QPushButton *plus = nullptr;
        QPushButton *minus = nullptr;
    };
    // The panel's values (the view's fields between the panel and the files).
    struct Fields {
        float interval = 2;
        std::array<double, 4> perDiv{1000, 1000, 1000, 1000};
        std::array<double, 4> shiftStep{200, 200, 200, 200};
        int pointsPerDiv = 200;
        std::array<double, 4> ratio{-7, -3, -5.0 / 3, -1};
        std::array<unsigned, 4> colours{};
        unsigned back = 0;
        int widthIndex = 0;
    };

    explicit CWaveView(QWidget *parent = nullptr);
    ~CWaveView() override;

    CWaveWnd *wave() const { return m_wave; }
    const ChannelControls &channel(int k) const { return m_channels[size_t(k - 1)]; }
    const SamplingControls &sampling() const { return m_sampling; }
    QWidget *panel() const { return m_panel; }
    const Fields &fields() const { return m_fields; }
    const std::vector<ChannelEntry> &channelList() const { return m_channelList; }
    bool isRunning() const;
    SamplingEngine &engine() { return m_engine; }
    QMenu *contextMenu() const { return m_menu; }
    // Copies the acquisition into the display (what the display thread asks for).
    void takeSamples();

public slots:
    void run();
    void stop();
    void openTrace();
    void saveTrace();
    void toggleTimeCursors();
    void toggleValueCursor(int channel);
    void originalSize();
    void toggleTipMode();
    void allowDrag(int mode); // 1 horizontal, 2 vertical
    void prohibitAction();
    void zoomMode(int mode);  // 2 in, 1 out
    void chooseBackground();
    void toggleChannel(int channel);
    void requestFullScreen();
    // The frame hides or shows the panel when it enters or leaves full screen.
    void setPanelShown(bool shown);

signals:
    void titleChanged(const QString &title);
    void fullScreenRequested();
    // Something the tool bar's pressed states reflect has changed.
    void commandStateChanged();
    // Sampling ended by itself because the link is gone; the port is to be
    // closed and the connection shown as lost.
    void linkLost();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildPanel();
    void loadFiles();
    void saveSettings();
    void applyColours();
    void prepareDisplay();
    void layoutChildren();
    // Reads the panel into the fields; a value outside its range is shown
    // with its bounds and the focus goes to its field.
    bool readPanel();
    void showFields();
    void recomputeRatios();
    void refreshScalesFromDisplay();
    void perDivStep(int channel, bool up);
    void pointsStep(bool plus);
    void shiftStep(int channel, int steps);
    void intervalStep(int steps);
    void curveChanged(int channel);
    void showContextMenu(const QPoint &at);
    int choiceIndex(int channel) const;
    void endSampling();
    void onLinkLost(const QString &reason);

    CWaveWnd *m_wave = nullptr;
    QWidget *m_panel = nullptr;
    std::array<ChannelControls, 4> m_channels;
    SamplingControls m_sampling;
    QPointer<QMenu> m_menu;
    Fields m_fields;
    std::vector<ChannelEntry> m_channelList;
    SamplingEngine m_engine;
    unsigned m_mask = 0;
    std::array<QString, 4> m_names;
    std::atomic<bool> m_handoverPending{false};
};

} // namespace dr420
