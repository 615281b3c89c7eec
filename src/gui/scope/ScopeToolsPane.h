#pragma once

#include "scope/ScopeTools.h"

#include <QTimer>
#include <QWidget>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QSpinBox;
class QTableWidget;

namespace dr420 {

class CWaveView;

// Trigger settings for the next Run, the trigger's state, and the recording's.
class CTriggerPane : public QWidget
{
    Q_OBJECT
public:
    explicit CTriggerPane(CWaveView *view, QWidget *parent = nullptr);

    QComboBox *mode() const { return m_mode; }
    QComboBox *source() const { return m_source; }
    QComboBox *edge() const { return m_edge; }
    QDoubleSpinBox *level() const { return m_level; }
    QSpinBox *pretrigger() const { return m_pre; }
    QLabel *state() const { return m_state; }
    QLabel *recording() const { return m_recording; }
    // The settings as the controls show them; they go to the view at once.
    TriggerSettings settings() const;

private:
    void apply();
    void showState();

    CWaveView *m_view;
    QComboBox *m_mode = nullptr;
    QComboBox *m_source = nullptr;
    QComboBox *m_edge = nullptr;
    QDoubleSpinBox *m_level = nullptr;
    QSpinBox *m_pre = nullptr;
    QLabel *m_state = nullptr;
    QLabel *m_recording = nullptr;
    QTimer m_refresh;
};

// Min, max, mean, RMS, peak to peak and frequency of each drawn channel over
// the visible window (or between the time cursors), and the cursors' Δt.
class CMeasurementsPane : public QWidget
{
    Q_OBJECT
public:
    explicit CMeasurementsPane(CWaveView *view, QWidget *parent = nullptr);
    QTableWidget *table() const { return m_table; }
    QLabel *cursors() const { return m_cursors; }
    void refresh();

private:
    CWaveView *m_view;
    QTableWidget *m_table = nullptr;
    QLabel *m_cursors = nullptr;
    QTimer m_refresh;
};

} // namespace dr420
