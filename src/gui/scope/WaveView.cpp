#include "WaveView.h"

#include "common/Messages.h"
#include "common/AppPaths.h"
#include "common/ShellRules.h"
#include "common/Wait.h"
#include "controls/ColourPicker.h"
#include "controls/SpinButtons.h"
#include "controls/XTipComboBox.h"
#include "link/Link.h"
#include "scope/SamplingState.h"
#include "scope/ScopeTools.h"
#include "scope/WaveSettings.h"
#include "common/DialogService.h"
#include "wave/WaveWnd.h"

#include <QComboBox>
#include <QDebug>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QResizeEvent>
#include <QImage>
#include <QSaveFile>
#include <algorithm>
#include <cmath>

namespace dr420 {
namespace {

// The panel at its designed width; wider views spread the groups.
constexpr int kPanelHeight = 150;
constexpr int kGroupWidth = 232;
constexpr int kSamplingWidth = 284;
constexpr int kGroupGap = 4;
constexpr int kPanelBaseWidth = 8 + 4 * (kGroupWidth + kGroupGap) + kSamplingWidth + 8;

QColor fromColorRef(unsigned c)
{
    return QColor(colorRefRed(c), colorRefGreen(c), colorRefBlue(c));
}

unsigned toColorRef(const QColor &c)
{
    return colorRef(c.red(), c.green(), c.blue());
}

QString numberText(double v)
{
    return QString::number(v, 'g', 10);
}

QPushButton *smallButton(const QString &text, const QString &name)
{
    auto *b = new QPushButton(text);
    b->setObjectName(name);
    b->setFixedSize(22, 22);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

QLineEdit *field(const QString &name, bool readOnly)
{
    auto *e = new QLineEdit;
    e->setObjectName(name);
    e->setReadOnly(readOnly);
    e->setFixedWidth(58);
    e->setAlignment(Qt::AlignRight);
    return e;
}
} // namespace

CWaveView::CWaveView(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("waveView"));
    m_wave = new CWaveWnd(this);
    // The display stands in for the form's placeholder; its six pointer shapes.
    const Qt::CursorShape shapes[6] = {Qt::PointingHandCursor, Qt::ArrowCursor, Qt::OpenHandCursor,
                                       Qt::ClosedHandCursor,   Qt::CrossCursor, Qt::SizeAllCursor};
    for (int i = 0; i < 6; ++i)
        m_wave->setCursorHandle(QCursor(shapes[i]), i);
    buildPanel();
    loadFiles();
    applyColours();
    prepareDisplay();
    showFields();
    connect(m_wave, &CWaveWnd::zoomStepped, this, [this] {
        refreshScalesFromDisplay();
        recomputeRatios();
        showFields();
    });
    connect(m_wave, &CWaveWnd::channelMoved, this, [this] { recomputeRatios(); });
    connect(m_wave, &CWaveWnd::rightClicked, this, &CWaveView::showContextMenu);
    resize(kPanelBaseWidth, 600);
}

CWaveView::~CWaveView()
{
    // The worker threads end before anything they use goes away.
    m_engine.stopThreads();
    {
        std::lock_guard<std::mutex> g(m_engine.sampleLock());
        m_engine.buffers().reset();
    }
    saveSettings();
    if (samplingActive()) {
        stopDriveSampling();
        samplingActive() = false;
    }
}

bool CWaveView::isRunning() const
{
    return m_engine.isRunning();
}

// --- panel -------------------------------------------------------------------

void CWaveView::buildPanel()
{
    m_panel = new QWidget(this);
    m_panel->setObjectName(QStringLiteral("channelPanel"));
    for (int k = 1; k <= 4; ++k) {
        ChannelControls &c = m_channels[size_t(k - 1)];
        c.group = new QGroupBox(QStringLiteral("Channel%1").arg(k), m_panel);
        c.group->setObjectName(QStringLiteral("channelGroup%1").arg(k));
        c.curve = new CXTipComboBox;
        c.curve->setObjectName(QStringLiteral("curve%1").arg(k));
        c.colour = new CColourPicker;
        c.colour->setObjectName(QStringLiteral("colour%1").arg(k));
        c.perDiv = field(QStringLiteral("perDiv%1").arg(k), true);
        c.plus = smallButton(QStringLiteral("+"), QStringLiteral("perDivPlus%1").arg(k));
        c.minus = smallButton(QStringLiteral("-"), QStringLiteral("perDivMinus%1").arg(k));
        c.shift = field(QStringLiteral("shift%1").arg(k), false);
        c.shiftSpin = new CSpinButtons;
        c.shiftSpin->setObjectName(QStringLiteral("shiftSpin%1").arg(k));

        auto *grid = new QGridLayout(c.group);
        grid->setContentsMargins(6, 4, 6, 4);
        grid->setVerticalSpacing(4);
        grid->setHorizontalSpacing(4);
        grid->addWidget(new QLabel(QStringLiteral("Curve%1:").arg(k)), 0, 0);
        grid->addWidget(c.curve, 0, 1, 1, 3);
        grid->addWidget(new QLabel(QStringLiteral("Color:")), 1, 0);
        grid->addWidget(c.colour, 1, 1, 1, 3);
        grid->addWidget(new QLabel(QStringLiteral("Per Division:")), 2, 0);
        grid->addWidget(c.perDiv, 2, 1);
        grid->addWidget(c.plus, 2, 2);
        grid->addWidget(c.minus, 2, 3);
        grid->addWidget(new QLabel(QStringLiteral("Shift:")), 3, 0);
        grid->addWidget(c.shift, 3, 1);
        grid->addWidget(c.shiftSpin, 3, 2);
        grid->setColumnStretch(1, 1);

        connect(c.curve, &QComboBox::currentIndexChanged, this, [this, k] { curveChanged(k); });
        connect(c.colour, &CColourPicker::colourChosen, this, &CWaveView::applyColours);
        connect(c.plus, &QPushButton::clicked, this, [this, k] { perDivStep(k, true); });
        connect(c.minus, &QPushButton::clicked, this, [this, k] { perDivStep(k, false); });
        // Up moves the curve up: the range moves down.
        connect(c.shiftSpin, &CSpinButtons::stepped, this, [this, k](int d) { shiftStep(k, -d); });
    }

    SamplingControls &s = m_sampling;
    s.group = new QGroupBox(QStringLiteral("Data Sampling Option"), m_panel);
    s.group->setObjectName(QStringLiteral("samplingGroup"));
    s.width = new QComboBox;
    s.width->setObjectName(QStringLiteral("lineWidth"));
    for (int w = 1; w <= 5; ++w)
        s.width->addItem(QString::number(w));
    s.interval = field(QStringLiteral("interval"), false);
    s.intervalSpin = new CSpinButtons;
    s.intervalSpin->setObjectName(QStringLiteral("intervalSpin"));
    s.points = field(QStringLiteral("points"), true);
    s.plus = smallButton(QStringLiteral("+"), QStringLiteral("pointsPlus"));
    s.minus = smallButton(QStringLiteral("-"), QStringLiteral("pointsMinus"));
    auto *grid = new QGridLayout(s.group);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(6);
    grid->addWidget(new QLabel(QStringLiteral("Line Width (Pixels):")), 0, 0);
    grid->addWidget(s.width, 0, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Sampling Interval(ms):")), 1, 0);
    grid->addWidget(s.interval, 1, 1);
    grid->addWidget(s.intervalSpin, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("X-Axis Points Per Grid:")), 2, 0);
    grid->addWidget(s.points, 2, 1);
    grid->addWidget(s.plus, 2, 2);
    grid->addWidget(s.minus, 2, 3);
    grid->setRowStretch(3, 1);
    connect(s.width, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_fields.widthIndex = std::max(index, 0);
        m_wave->setLineWidth(m_fields.widthIndex + 1);
    });
    connect(s.intervalSpin, &CSpinButtons::stepped, this, &CWaveView::intervalStep);
    connect(s.plus, &QPushButton::clicked, this, [this] { pointsStep(true); });
    connect(s.minus, &QPushButton::clicked, this, [this] { pointsStep(false); });
}

void CWaveView::loadFiles()
{
    QStringList notes;
    if (!loadChannelList(appFilePath(AppFile::ChannelSet), &m_channelList, &notes))
        qDebug().noquote() << "File could not be opened:\n" + appFilePath(AppFile::ChannelSet);
    for (const QString &note : notes)
        qDebug().noquote() << note;
    const QStringList choices = channelChoices(m_channelList);
    for (ChannelControls &c : m_channels) {
        const QSignalBlocker block(c.curve);
        c.curve->clear();
        c.curve->addItems(choices);
        c.curve->setCurrentIndex(choices.isEmpty() ? -1 : 0);
    }
    const WaveSettings s = WaveSettings::load(appFilePath(AppFile::WaveSettings));
    Fields &f = m_fields;
    f.colours = s.colours;
    f.back = s.back;
    for (int k = 0; k < 4; ++k) {
        // An index beyond the list leaves the choice empty: that channel is off.
        const int index = s.choices[size_t(k)];
        m_channels[size_t(k)].curve->setCurrentIndex(index >= 0 && index < int(choices.size()) ? index : -1);
        // A hand-written file may hold anything: a ratio must not be positive
        // (zero line inside the range, 0 on its top edge) and a scale finite,
        // or the range is unusable.
        const double perDiv = s.perDiv[size_t(k)];
        const double ratio = s.ratio[size_t(k)];
        if (std::isfinite(perDiv) && perDiv >= 0)
            f.perDiv[size_t(k)] = perDiv;
        if (std::isfinite(ratio) && ratio <= 0)
            f.ratio[size_t(k)] = ratio;
        f.shiftStep[size_t(k)] = f.perDiv[size_t(k)] / 5;
    }
    f.pointsPerDiv = s.pointsPerDiv;
    f.interval = float(s.interval);
    f.widthIndex = std::clamp(s.width - 1, 0, 4);
    {
        const QSignalBlocker block(m_sampling.width);
        m_sampling.width->setCurrentIndex(f.widthIndex);
    }
    for (int k = 0; k < 4; ++k)
        m_channels[size_t(k)].colour->setColour(fromColorRef(f.colours[size_t(k)]));
}

void CWaveView::saveSettings()
{
    WaveSettings s;
    const Fields &f = m_fields;
    for (int k = 0; k < 4; ++k) {
        s.colours[size_t(k)] = toColorRef(m_channels[size_t(k)].colour->colour());
        s.choices[size_t(k)] = m_channels[size_t(k)].curve->currentIndex();
        s.perDiv[size_t(k)] = f.perDiv[size_t(k)];
        s.ratio[size_t(k)] = f.ratio[size_t(k)];
    }
    s.back = f.back;
    s.pointsPerDiv = f.pointsPerDiv;
    s.interval = f.interval;
    s.width = m_sampling.width->currentIndex() + 1;
    if (!s.save(appFilePath(AppFile::WaveSettings)))
        showMessage(QStringLiteral("The oscilloscope settings could not be saved to %1.").arg(appFilePath(AppFile::WaveSettings)));
}

void CWaveView::applyColours()
{
    for (int k = 1; k <= 4; ++k) {
        const QColor c = m_channels[size_t(k - 1)].colour->colour();
        m_fields.colours[size_t(k - 1)] = toColorRef(c);
        m_wave->setChannelColour(k, c);
    }
    m_wave->setPlotBackColour(fromColorRef(m_fields.back));
}

void CWaveView::prepareDisplay()
{
    {
        WaveModel &m = m_wave->model();
        m.clearAll();
        m.setPointsPerDiv(m_fields.pointsPerDiv);
        for (int k = 1; k <= 4; ++k) {
            double bottom = 0, top = 0;
            rangeFromRatio(m_fields.perDiv[size_t(k - 1)], m_fields.ratio[size_t(k - 1)], &bottom, &top);
            m.setChannelRange(k, bottom, top);
            m.setChannelPerDiv(k, m_fields.perDiv[size_t(k - 1)]);
        }
    }
    m_wave->setLineWidth(m_fields.widthIndex + 1);
}

bool CWaveView::readPanel()
{
    const auto number = [](QLineEdit *e, double low, double high, double *out, bool ranged) {
        bool ok = false;
        const double v = e->text().trimmed().toDouble(&ok);
        QString problem;
        if (!ok)
            problem = QStringLiteral("Please enter a number.");
        else if (ranged && (v < low || v > high))
            problem = QStringLiteral("Please enter a number between %1 and %2.").arg(numberText(low), numberText(high));
        if (!problem.isEmpty()) {
            showMessage(problem, QString(), MessageIcon::Warning);
            e->setFocus();
            e->selectAll();
            return false;
        }
        *out = v;
        return true;
    };
    double interval = 0;
    std::array<double, 4> perDiv{}, shift{};
    double points = 0;
    for (int k = 0; k < 4; ++k) {
        if (!number(m_channels[size_t(k)].perDiv, 0, 60000, &perDiv[size_t(k)], true) ||
            !number(m_channels[size_t(k)].shift, 0, 0, &shift[size_t(k)], false))
            return false;
    }
    if (!number(m_sampling.interval, 2, 2000, &interval, true) ||
        !number(m_sampling.points, 5, 6000, &points, true))
        return false;
    m_fields.interval = float(interval);
    m_fields.perDiv = perDiv;
    m_fields.shiftStep = shift;
    m_fields.pointsPerDiv = int(points);
    m_fields.widthIndex = std::max(m_sampling.width->currentIndex(), 0);
    return true;
}

void CWaveView::showFields()
{
    for (int k = 0; k < 4; ++k) {
        m_channels[size_t(k)].perDiv->setText(numberText(m_fields.perDiv[size_t(k)]));
        m_channels[size_t(k)].shift->setText(QString::asprintf("%.0f", m_fields.shiftStep[size_t(k)]));
    }
    m_sampling.interval->setText(numberText(m_fields.interval));
    m_sampling.points->setText(QString::number(m_fields.pointsPerDiv));
}

void CWaveView::recomputeRatios()
{
    for (int k = 1; k <= 4; ++k) {
        double bottom = 0, top = 0;
        m_wave->model().channelRange(k, &bottom, &top);
        m_fields.ratio[size_t(k - 1)] = zeroLineRatio(bottom, top);
    }
}

void CWaveView::refreshScalesFromDisplay()
{
    const WaveModel &m = m_wave->model();
    m_fields.pointsPerDiv = m.pointsPerDiv();
    for (int k = 1; k <= 4; ++k) {
        // A channel the display has no scale for keeps the panel's value.
        if (m.channelPerDiv(k) > 0)
            m_fields.perDiv[size_t(k - 1)] = m.channelPerDiv(k);
        m_fields.shiftStep[size_t(k - 1)] = m_fields.perDiv[size_t(k - 1)] / 5;
    }
}

void CWaveView::perDivStep(int k, bool up)
{
    double &a = m_fields.perDiv[size_t(k - 1)];
    {
        WaveModel &m = m_wave->model();
        if (m.channelPerDiv(k) > 0)
            a = m.channelPerDiv(k);
        if (up) {
            a = perDivisionPlus(a);
        } else {
            const std::optional<double> lower = perDivisionMinus(a);
            if (!lower)
                return;
            a = *lower;
        }
        m.changeChannelPerDiv(a, k);
    }
    m_fields.shiftStep[size_t(k - 1)] = a / 5;
    showFields();
    m_wave->update();
}

void CWaveView::pointsStep(bool plus)
{
    std::optional<int> next;
    {
        WaveModel &m = m_wave->model();
        if (m.sampleCount() > 0)
            m_fields.pointsPerDiv = m.pointsPerDiv();
        next = plus ? pointsPlus(m_fields.pointsPerDiv) : pointsMinus(m_fields.pointsPerDiv);
        if (!next)
            return;
        m_fields.pointsPerDiv = *next;
        m.changePointsPerDiv(*next);
    }
    showFields();
    m_wave->update();
}

void CWaveView::shiftStep(int k, int steps)
{
    if (!readPanel())
        return;
    m_wave->shiftChannel(steps * m_fields.shiftStep[size_t(k - 1)], k); // tells us to recompute the ratios
}

void CWaveView::intervalStep(int steps)
{
    bool ok = false;
    double v = m_sampling.interval->text().toDouble(&ok);
    if (!ok)
        v = m_fields.interval;
    v += 2.0 * steps;
    if (v <= 0)
        v = 2;
    m_fields.interval = float(v);
    m_sampling.interval->setText(numberText(v));
}

void CWaveView::curveChanged(int k)
{
    const QString name = choiceName(m_channels[size_t(k - 1)].curve->currentText());
    {
        m_wave->model().setChannelName(k, name);
    }
    m_wave->update();
}

int CWaveView::choiceIndex(int k) const
{
    return std::max(m_channels[size_t(k - 1)].curve->currentIndex(), 0);
}

// --- sampling ------------------------------------------------------------------

void CWaveView::run()
{
    ScopeRunSettings settings;
    settings.baud = LinkSettings().baudRate;
    settings.rs485 = LinkSettings().rs485;
    QString refusal;
    if (settings.rs485) {
        ScopeRun::check(settings, &refusal);
        showMessage(refusal, QString(), MessageIcon::None);
        return;
    }
    if (m_engine.isAcquiring())
        return;
    if (!readPanel())
        return;
    settings.interval = m_fields.interval;
    for (int k = 1; k <= 4; ++k) {
        settings.choices[size_t(k - 1)] = choiceIndex(k);
        settings.isSigned[size_t(k - 1)] = isSignedChoice(m_channelList, choiceIndex(k)); // the entry sampled
        m_names[size_t(k - 1)] = choiceName(m_channels[size_t(k - 1)].curve->currentText());
    }
    IntervalSetting rounded{};
    const ScopeRun::Outcome outcome = m_run.startDrive(settings, &refusal, &rounded);
    if (outcome == ScopeRun::Outcome::IntervalTooLong) {
        showMessage(refusal, QString(), MessageIcon::Warning);
        m_sampling.interval->setFocus();
        m_sampling.interval->selectAll();
        return;
    }
    m_fields.interval = rounded.interval;
    showFields();
    if (outcome == ScopeRun::Outcome::Bandwidth)
        showMessage(refusal, QString(), MessageIcon::None);
    if (outcome != ScopeRun::Outcome::Started)
        return; // a drive that refused has said so itself
    const unsigned mask = channelMask(settings.choices);
    emit titleChanged(QStringLiteral("Oscilloscope"));
    m_mask = mask;
    prepareDisplay();
    // The trigger and the recorder see every decoded sample, on the receive thread.
    m_trigger.reset();
    m_capturesShown = 0;
    m_wave->setTriggerMark(std::nullopt);
    if (m_triggerSettings.mode != TriggerSettings::Off) {
        TriggerSettings t = m_triggerSettings;
        t.window = m_fields.pointsPerDiv * 10; // the display's window
        m_trigger = std::make_unique<Trigger>(t);
    }
    Trigger *trigger = m_trigger.get();
    m_engine.setSampleSink([this, trigger](const std::vector<SampleSet> &sets, int refused) {
        if (trigger)
            trigger->feed(sets);
        m_recorder.feed(sets, refused);
    });
    // The display thread only asks; the copy happens here, where painting is.
    m_run.startEngine([this](const AcquisitionBuffers &) {
        if (!m_handoverPending.exchange(true))
            QMetaObject::invokeMethod(
                this,
                [this] {
                    m_handoverPending = false;
                    // A request that arrives after Stop must not overwrite a file opened since.
                    if (m_engine.isRunning())
                        takeSamples();
                },
                Qt::QueuedConnection);
    }, [this](const QString &reason) {
        QMetaObject::invokeMethod(this, [this, reason] { onLinkLost(reason); }, Qt::QueuedConnection);
    });
    samplingActive() = true;
    for (ChannelControls &c : m_channels)
        c.curve->setEnabled(false);
    m_sampling.interval->setEnabled(false);
    m_sampling.intervalSpin->setEnabled(false);
    emit commandStateChanged();
}

void CWaveView::takeSamples()
{
    checkRecording();
    if (m_trigger) {
        // Triggered: the display shows captures only and holds the last one.
        std::optional<TriggerCapture> capture = m_trigger->take();
        if (!capture)
            return;
        {
            takeCapture(m_wave->model(), *capture, m_mask, m_names);
        }
        ++m_capturesShown;
        m_wave->setTriggerMark(capture->triggerTime());
        updateMeasurements();
        emit captureShown(capture->triggerTime());
        emit pictureChanged();
        // Single: after its capture the run is over, as Stop would end it.
        if (!m_trigger->armed() && m_engine.isRunning())
            QMetaObject::invokeMethod(this, &CWaveView::stop, Qt::QueuedConnection);
        return;
    }
    {
        std::lock_guard<std::mutex> samples(m_engine.sampleLock());
        takeAcquisition(m_wave->model(), m_engine.buffers(), m_mask, m_names);
    }
    m_wave->update();
    updateMeasurements();
    emit pictureChanged();
}

double CWaveView::cursorDeltaMs() const
{
    const WaveModel &m = m_wave->model();
    return m.timeCursorsShown() ? std::abs(m.timeCursorTime(1) - m.timeCursorTime(0)) : 0.0;
}

void CWaveView::updateMeasurements()
{
    const WaveModel &m = m_wave->model();
    m_measurements = {};
    if (m.sampleCount() == 0)
        return;
    // Between the time cursors when they are shown, else the visible window.
    int first = 0, last = 0;
    if (m.timeCursorsShown()) {
        first = m.nearestIndex(std::min(m.timeCursorTime(0), m.timeCursorTime(1)));
        last = m.nearestIndex(std::max(m.timeCursorTime(0), m.timeCursorTime(1)));
    } else {
        const WaveModel::CurveRange r = m.curveRange();
        first = r.first;
        last = r.last;
    }
    first = std::clamp(first, 0, m.sampleCount() - 1);
    last = std::clamp(last, first, m.sampleCount() - 1);
    for (int k = 1; k <= 4; ++k)
        if (m.isDrawn(k))
            m_measurements[size_t(k - 1)] = measure(m.times().data(), m.values(k).data(), first, last);
}

bool CWaveView::exportCsv(const QString &path, bool visibleOnly, QString *error) const
{
    QByteArray out = "time_ms";
    QList<int> columns;
    int first = 0, last = -1;
    {
        const WaveModel &m = m_wave->model();
        for (int k = 1; k <= 4; ++k)
            if ((m.dataMask() >> (k - 1)) & 1u) {
                columns << k;
                out += ',' + m.channelName(k).toUtf8();
            }
        out += '\n';
        if (m.sampleCount() > 0) {
            last = m.sampleCount() - 1;
            if (visibleOnly) {
                const WaveModel::CurveRange r = m.curveRange();
                first = std::clamp(r.first, 0, last);
                last = std::clamp(r.last, first, last);
            }
        }
        for (int i = first; i <= last; ++i) {
            out += csvNumber(m.times()[size_t(i)]);
            for (int k : columns)
                out += ',' + csvNumber(m.values(k)[size_t(i)]);
            out += '\n';
        }
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool CWaveView::exportPng(const QString &path) const
{
    const QImage picture = m_wave->render();
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && picture.save(&file, "PNG") && file.commit();
}

bool CWaveView::startRecording(const QString &path, QString *error)
{
    if (!m_engine.isRunning()) {
        if (error)
            *error = QStringLiteral("Recording starts while the oscilloscope runs.");
        return false;
    }
    QList<int> columns;
    QStringList names;
    for (int k = 1; k <= 4; ++k)
        if ((m_mask >> (k - 1)) & 1u && m_names[size_t(k - 1)] != kNullChannel) {
            columns << k;
            names << m_names[size_t(k - 1)];
        }
    const bool ok = m_recorder.open(path, columns, names, error);
    m_recording = ok;
    emit recordingChanged();
    return ok;
}

void CWaveView::stopRecording()
{
    if (!m_recording)
        return;
    m_recording = false;
    m_recorder.close();
    emit recordingChanged();
    if (m_recorder.failed())
        showMessage(QStringLiteral("The recording is incomplete: %1 after %2 rows.\n%3")
                        .arg(m_recorder.error())
                        .arg(m_recorder.rows())
                        .arg(m_recorder.path()),
                    QString(), MessageIcon::Warning);
}

void CWaveView::checkRecording()
{
    // The writer thread stopped on a refused write (a full disk): the
    // recording ends now, and says so, while sampling goes on.
    if (m_recording && m_recorder.failed())
        stopRecording();
}

void CWaveView::stop()
{
    const bool wasRunning = m_engine.isRunning();
    stopDriveSampling();
    waitMs(nullptr, 10);
    endSampling();
    if (wasRunning)
        takeSamples(); // the last picture stays, complete
    const int failures = m_engine.takeFailures();
    if (failures > 0)
        showMessage(QString::number(failures), QString(), MessageIcon::None);
    emit commandStateChanged();
}

void CWaveView::onLinkLost(const QString &reason)
{
    // A Stop or a new Run may have come first.
    if (!m_engine.isRunning() || m_engine.isAcquiring())
        return;
    if (!samplingActive()) {
        // The engineer closed the port meanwhile: nothing was lost.
        endSampling();
        takeSamples();
        m_engine.takeFailures();
        emit commandStateChanged();
        return;
    }
    if (!LinkDeviceGone())
        stopDriveSampling(); // a drive that only went quiet may still hear it
    endSampling();
    takeSamples();
    const int failures = m_engine.takeFailures();
    QString text = ScopeRun::lostMessage(reason);
    if (failures > 0)
        text += QStringLiteral("\n%1 sample frame(s) were refused before.").arg(failures);
    text += QStringLiteral("\nThe port is closed; the last picture is kept and can be saved.");
    emit linkLost();
    emit commandStateChanged();
    showMessage(text, QString(), MessageIcon::Warning);
}

void CWaveView::endSampling()
{
    m_engine.stopThreads();
    stopRecording(); // the run is over: the file is closed
    for (ChannelControls &c : m_channels)
        c.curve->setEnabled(true);
    m_sampling.interval->setEnabled(true);
    m_sampling.intervalSpin->setEnabled(true);
    samplingActive() = false;
}

// --- files ---------------------------------------------------------------------

void CWaveView::openTrace()
{
    if (isRunning()) {
        showMessage(QStringLiteral("Stop the oscilloscope before opening a wave file."));
        return;
    }
    DialogService::FileRequest request;
    request.title = QStringLiteral("Open File");
    request.filter = QStringLiteral("Wave Files(*.wave)|*.wave|All Files(*.*)|*.*||");
    const QString path = dialogs().chooseFile(this, request);
    if (path.isEmpty())
        return;
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || path.mid(dot) != QLatin1String(".wave")) {
        showMessage(QStringLiteral("Only wave files (*.wave) can be opened:\n%1").arg(path));
        return;
    }
    if (!m_wave->loadWaveFile(path))
        return;
    m_wave->setTriggerMark(std::nullopt); // a file has no trigger point
    emit titleChanged(path);
    std::array<QString, 4> names;
    {
        WaveModel &m = m_wave->model();
        // A short file gives count / 10 points per division: keep it within
        // what the panel takes, or Run and the shift spin refuse the field.
        m_fields.pointsPerDiv = std::clamp(m.pointsPerDiv(), 5, 6000);
        if (m_fields.pointsPerDiv != m.pointsPerDiv()) {
            m.setPointsPerDiv(m_fields.pointsPerDiv);
            m.followLatest();
        }
        for (int k = 1; k <= 4; ++k) {
            const double a = m_fields.perDiv[size_t(k - 1)];
            double bottom = 0, top = 0;
            rangeFromRatio(a, m_fields.ratio[size_t(k - 1)], &bottom, &top);
            m.setChannelPerDiv(k, a);
            m.setChannelRange(k, bottom, top);
            m.saveOriginalScale(k);
            names[size_t(k - 1)] = m.channelName(k);
        }
        m_fields.interval = std::clamp(float(m.sampleInterval()), 2.0f, 2000.0f); // one row has no interval
    }
    for (int k = 1; k <= 4; ++k) {
        const QString &name = names[size_t(k - 1)];
        int position = 0;
        for (size_t i = 0; i < m_channelList.size(); ++i)
            if (m_channelList[i].name == name) {
                position = int(i);
                break;
            }
        CXTipComboBox *combo = m_channels[size_t(k - 1)].curve;
        const int index = combo->findText(QStringLiteral("%1: %2").arg(position).arg(name));
        // The loaded names stay on the display even when the list lacks them.
        const QSignalBlocker block(combo);
        combo->setCurrentIndex(index >= 0 ? index : (combo->count() ? 0 : -1));
    }
    refreshScalesFromDisplay();
    showFields();
    m_wave->setLineWidth(m_fields.widthIndex + 1);
    m_wave->update();
}

void CWaveView::saveTrace()
{
    DialogService::FileRequest request;
    request.save = true;
    request.title = QStringLiteral("Save");
    request.defaultExtension = QStringLiteral("wave");
    request.filter = QStringLiteral("Wave Files(*.wave)|*.wave|Bitmap Files(*.bmp)|*.bmp|All Files(*.*)|*.*||");
    const QString path = dialogs().chooseFile(this, request);
    if (path.isEmpty())
        return;
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : path.mid(dot);
    if (extension == QLatin1String(".bmp"))
        m_wave->saveBitmap(path);
    else if (extension == QLatin1String(".wave"))
        m_wave->saveWaveFile(path);
    else
        showMessage(QStringLiteral("Nothing was saved: the file name must end in .wave or .bmp:\n%1").arg(path));
}

// --- display commands ------------------------------------------------------------

void CWaveView::toggleTimeCursors()
{
    {
        WaveModel &m = m_wave->model();
        m.showTimeCursors(!m.timeCursorsShown());
    }
    m_wave->update();
    emit commandStateChanged();
}

void CWaveView::toggleValueCursor(int channel)
{
    {
        WaveModel &m = m_wave->model();
        m.setValueCursorChannel(m.valueCursorChannel() == channel ? 0 : channel);
    }
    m_wave->update();
    emit commandStateChanged();
}

void CWaveView::originalSize()
{
    {
        WaveModel &m = m_wave->model();
        if (m.sampleCount() <= 0)
            return;
        m.restoreOriginalView();
        for (int k = 1; k <= 4; ++k)
            if (m.channelPerDiv(k) > 0)
                m.changeChannelPerDiv(perDivisionTable()[size_t(nearestIndex(m.channelPerDiv(k)))], k);
    }
    refreshScalesFromDisplay();
    showFields();
    m_wave->update();
}

void CWaveView::toggleTipMode()
{
    m_wave->setTipMode(!m_wave->tipMode());
    emit commandStateChanged();
}

void CWaveView::allowDrag(int mode)
{
    m_wave->setDragMode(mode);
    emit commandStateChanged();
}

void CWaveView::prohibitAction()
{
    m_wave->setDragMode(0);
    m_wave->setZoomMode(0);
    emit commandStateChanged();
}

void CWaveView::zoomMode(int mode)
{
    m_wave->setDragMode(0);
    m_wave->setZoomMode(mode);
    emit commandStateChanged();
}

void CWaveView::chooseBackground()
{
    QColor colour = Qt::black;
    if (!dialogs().chooseColour(this, colour))
        return;
    m_fields.back = toColorRef(colour);
    m_wave->setPlotBackColour(colour);
}

void CWaveView::toggleChannel(int channel)
{
    if (channel < 1 || channel > 4)
        return;
    {
        WaveModel &m = m_wave->model();
        m.setVisibleMask(m.visibleMask() ^ (1u << (channel - 1)));
    }
    m_wave->update();
}

void CWaveView::showContextMenu(const QPoint &at)
{
    if (m_menu)
        m_menu->close();
    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("waveMenu"));
    m_menu->setAttribute(Qt::WA_DeleteOnClose);
    m_menu->addAction(QStringLiteral("打开文件(*.wave)"), this, &CWaveView::openTrace);
    m_menu->addAction(QStringLiteral("保存文件(*.wave|*.bmp)"), this, &CWaveView::saveTrace);
    m_menu->addAction(QStringLiteral("启动(&Run)"), this, &CWaveView::run);
    m_menu->addAction(QStringLiteral("停止(&Stop)"), this, &CWaveView::stop);
    m_menu->addSeparator();
    for (int k = 1; k <= 4; ++k)
        m_menu->addAction(QStringLiteral("显示/隐藏通道%1").arg(k), this, [this, k] { toggleChannel(k); });
    // Not exec(): a menu that waits in its own loop would hold up the hand-over.
    m_menu->popup(m_wave->mapToGlobal(at));
}

// --- layout ----------------------------------------------------------------------

void CWaveView::requestFullScreen()
{
    emit fullScreenRequested();
}

void CWaveView::setPanelShown(bool shown)
{
    m_panel->setVisible(shown);
    layoutChildren();
}

void CWaveView::resizeEvent(QResizeEvent *)
{
    layoutChildren();
}

void CWaveView::layoutChildren()
{
    if (m_panel->isHidden()) {
        m_wave->setGeometry(rect());
        return;
    }
    const int panelTop = std::max(0, height() - kPanelHeight);
    m_wave->setGeometry(0, 0, std::max(0, width() - 8), std::max(0, panelTop - 2));
    m_panel->setGeometry(0, panelTop, std::max(width(), kPanelBaseWidth), kPanelHeight);
    // Wider than designed: the groups spread by quarters of the extra width.
    // Narrower: they keep their places rather than overlap.
    const int quarter = std::max(0, width() - kPanelBaseWidth) / 4;
    for (int i = 0; i < 5; ++i) {
        QGroupBox *group = i < 4 ? m_channels[size_t(i)].group : m_sampling.group;
        group->setGeometry(8 + i * (kGroupWidth + kGroupGap + quarter), 2, i < 4 ? kGroupWidth : kSamplingWidth,
                           kPanelHeight - 6);
    }
}

} // namespace dr420
