#include "ScopeToolsPane.h"

#include "WaveView.h"
#include "wave/WaveWnd.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace dr420 {

namespace {
// Measurements change with every picture: four times a second is what an eye reads.
constexpr int kRefreshMs = 250;

QString number(double v)
{
    // The user's locale on screen; files use the C locale.
    return QLocale().toString(v, 'g', 6);
}
} // namespace

CTriggerPane::CTriggerPane(CWaveView *view, QWidget *parent)
    : QWidget(parent)
    , m_view(view)
{
    setObjectName(QStringLiteral("triggerPane"));
    m_mode = new QComboBox;
    m_mode->setObjectName(QStringLiteral("triggerMode"));
    m_mode->addItems({QStringLiteral("Off (free run)"), QStringLiteral("Normal"), QStringLiteral("Single")});
    m_source = new QComboBox;
    m_source->setObjectName(QStringLiteral("triggerSource"));
    for (int k = 1; k <= 4; ++k)
        m_source->addItem(QStringLiteral("Channel %1").arg(k));
    m_edge = new QComboBox;
    m_edge->setObjectName(QStringLiteral("triggerEdge"));
    m_edge->addItems({QStringLiteral("Rising"), QStringLiteral("Falling")});
    m_level = new QDoubleSpinBox;
    m_level->setObjectName(QStringLiteral("triggerLevel"));
    m_level->setRange(-1e6, 1e6);
    m_level->setDecimals(2);
    m_level->setValue(1000);
    m_pre = new QSpinBox;
    m_pre->setObjectName(QStringLiteral("pretrigger"));
    m_pre->setRange(0, 90);
    m_pre->setSuffix(QStringLiteral(" %"));
    m_pre->setValue(20);
    m_state = new QLabel;
    m_state->setObjectName(QStringLiteral("triggerState"));
    m_recording = new QLabel;
    m_recording->setObjectName(QStringLiteral("recordingState"));
    m_recording->setWordWrap(true);
    auto *form = new QFormLayout(this);
    form->addRow(QStringLiteral("Trigger:"), m_mode);
    form->addRow(QStringLiteral("Source:"), m_source);
    form->addRow(QStringLiteral("Edge:"), m_edge);
    form->addRow(QStringLiteral("Level:"), m_level);
    form->addRow(QStringLiteral("Pre-trigger:"), m_pre);
    form->addRow(m_state);
    form->addRow(QStringLiteral("Recording:"), m_recording);
    for (QComboBox *c : {m_mode, m_source, m_edge})
        connect(c, &QComboBox::currentIndexChanged, this, &CTriggerPane::apply);
    connect(m_level, &QDoubleSpinBox::valueChanged, this, &CTriggerPane::apply);
    connect(m_pre, &QSpinBox::valueChanged, this, &CTriggerPane::apply);
    connect(view, &CWaveView::captureShown, this, &CTriggerPane::showState);
    connect(view, &CWaveView::recordingChanged, this, &CTriggerPane::showState);
    connect(view, &CWaveView::commandStateChanged, this, &CTriggerPane::showState);
    // The recording's row count and size grow while it runs.
    m_refresh.setInterval(kRefreshMs);
    connect(&m_refresh, &QTimer::timeout, this, &CTriggerPane::showState);
    m_refresh.start();
    apply();
}

TriggerSettings CTriggerPane::settings() const
{
    TriggerSettings t;
    t.mode = TriggerSettings::Mode(m_mode->currentIndex());
    t.channel = m_source->currentIndex() + 1;
    t.rising = m_edge->currentIndex() == 0;
    t.level = m_level->value();
    t.pretrigger = m_pre->value();
    return t;
}

void CTriggerPane::apply()
{
    m_view->setTriggerSettings(settings());
    showState();
}

void CTriggerPane::showState()
{
    QString state;
    if (settings().mode == TriggerSettings::Off)
        state = QStringLiteral("Free run.");
    else if (!m_view->isRunning() && m_view->capturesShown() == 0)
        state = QStringLiteral("Applies from the next Run.");
    else if (m_view->wave()->triggerMark())
        state = QStringLiteral("Capture %1 shown, triggered at %2 ms%3.")
                    .arg(m_view->capturesShown())
                    .arg(number(*m_view->wave()->triggerMark()))
                    .arg(m_view->isRunning() ? QStringLiteral("; armed again") : QString());
    else
        state = QStringLiteral("Armed: waiting for the trigger.");
    m_state->setText(state);
    const Recorder &r = m_view->recorder();
    if (r.isOpen())
        m_recording->setText(QStringLiteral("%1\n%2 rows, %3 KB, %4 frames refused")
                                 .arg(QFileInfo(r.path()).fileName())
                                 .arg(r.rows())
                                 .arg(r.bytes() / 1024)
                                 .arg(r.refused()));
    else if (r.failed())
        m_recording->setText(QStringLiteral("%1 incomplete: %2 after %3 rows, %4 frames refused")
                                 .arg(QFileInfo(r.path()).fileName(), r.error())
                                 .arg(r.rows())
                                 .arg(r.refused()));
    else if (!r.path().isEmpty())
        m_recording->setText(QStringLiteral("%1 closed: %2 rows, %3 frames refused")
                                 .arg(QFileInfo(r.path()).fileName())
                                 .arg(r.rows())
                                 .arg(r.refused()));
    else
        m_recording->setText(QStringLiteral("off"));
}

CMeasurementsPane::CMeasurementsPane(CWaveView *view, QWidget *parent)
    : QWidget(parent)
    , m_view(view)
{
    setObjectName(QStringLiteral("measurementsPane"));
    m_table = new QTableWidget(4, 6);
    m_table->setObjectName(QStringLiteral("measurements"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Min"), QStringLiteral("Max"), QStringLiteral("Mean"),
                                        QStringLiteral("RMS"), QStringLiteral("P-P"), QStringLiteral("Freq (Hz)")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_cursors = new QLabel;
    m_cursors->setObjectName(QStringLiteral("cursorDelta"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addWidget(m_cursors);
    m_refresh.setInterval(kRefreshMs);
    connect(&m_refresh, &QTimer::timeout, this, &CMeasurementsPane::refresh);
    m_refresh.start();
    refresh();
}

void CMeasurementsPane::refresh()
{
    if (!isVisible())
        return; // nothing is computed for a hidden pane
    m_view->updateMeasurements();
    const auto &all = m_view->measurements();
    for (int k = 0; k < 4; ++k) {
        const ChannelMeasurement &m = all[size_t(k)];
        const QString name = m_view->wave()->model().channelName(k + 1);
        m_table->setVerticalHeaderItem(k, new QTableWidgetItem(name.isEmpty() ? QStringLiteral("L%1").arg(k + 1) : name));
        const double values[6] = {m.min, m.max, m.mean, m.rms, m.peakToPeak, m.frequencyHz};
        for (int c = 0; c < 6; ++c) {
            const QString text = m.samples == 0 ? QString() : (c == 5 && m.frequencyHz == 0) ? QStringLiteral("-")
                                                                                             : number(values[c]);
            if (QTableWidgetItem *item = m_table->item(k, c))
                item->setText(text);
            else
                m_table->setItem(k, c, new QTableWidgetItem(text));
        }
    }
    const double dt = m_view->cursorDeltaMs();
    m_cursors->setText(dt > 0 ? QStringLiteral("Time cursors: Δt = %1 ms, 1/Δt = %2 Hz").arg(number(dt), number(1000.0 / dt))
                              : QStringLiteral("Time cursors hidden: over the visible window"));
}

} // namespace dr420
