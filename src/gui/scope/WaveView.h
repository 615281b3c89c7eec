#pragma once

#include "scope/SamplingEngine.h"
#include "scope/ScopeRules.h"
#include "scope/ScopeRun.h"
#include "scope/ScopeTools.h"

#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <array>
#include <atomic>
#include <memory>
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

    // Beside the panel: trigger, measurements, export, recording.
    void setTriggerSettings(const TriggerSettings &settings) { m_triggerSettings = settings; }
    const TriggerSettings &triggerSettings() const { return m_triggerSettings; }
    // Captures shown since Run; whether the display holds one now.
    int capturesShown() const { return m_capturesShown; }
    // For each channel 1..4 drawn: its measurement over the visible window,
    // or between the time cursors when they are shown (samples 0 when not drawn).
    const std::array<ChannelMeasurement, 4> &measurements() const { return m_measurements; }
    // The time cursors' distance in ms (0 when they are hidden).
    double cursorDeltaMs() const;
    void updateMeasurements();
    // The channels in use as CSV (C locale): every sample, or the visible window.
    bool exportCsv(const QString &path, bool visibleOnly, QString *error = nullptr) const;
    // The display as last painted.
    bool exportPng(const QString &path) const;
    // Every decoded sample of the channels in use to a CSV file, while sampling.
    bool startRecording(const QString &path, QString *error = nullptr);
    void stopRecording();
    void checkRecording();
    const Recorder &recorder() const { return m_recorder; }
    bool isRecording() const { return m_recording; }

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
    // The picture changed (new samples, a capture, a file): measurements are new.
    void pictureChanged();
    // A triggered capture is on the display; its trigger point at `timeMs`.
    void captureShown(double timeMs);
    void recordingChanged();

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
    ScopeRun m_run;
    SamplingEngine &m_engine = m_run.engine();
    unsigned m_mask = 0;
    std::array<QString, 4> m_names;
    std::atomic<bool> m_handoverPending{false};
    TriggerSettings m_triggerSettings;
    // Lives from Run to Stop; the receive thread feeds it.
    std::unique_ptr<Trigger> m_trigger;
    int m_capturesShown = 0;
    Recorder m_recorder;
    bool m_recording = false; // started and not yet stopped (the recorder may have failed meanwhile)
    std::array<ChannelMeasurement, 4> m_measurements{};
};

} // namespace dr420
