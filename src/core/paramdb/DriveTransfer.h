#pragma once

#include "ParameterRecord.h"

#include <QString>
#include <QStringList>

// Reading parameters from the drive into ParameterTable and writing the
// table's values to the drive, one parameter at a time, with the result line
// the user sees for each. The progress dialogs and dr420-cli both run these.
namespace dr420 {

// Reads one parameter's register and stores its display text in the table.
// `why` gets the reason of a failure ("no answer", "refused by the drive
// (illegal data address)", ...).
bool ReadParameter(const QString &pno, QString *why = nullptr);

// Reads the register of `record` and gives its display text; stores nothing.
bool ReadParameterValue(const ParameterRecord &record, QString *text, QString *why = nullptr);

enum class WriteResult { Written, Refused, Failed };
// Writes one parameter's value from the table (read-only ones send nothing
// and count as written; read-only-while-running ones need a stopped drive).
WriteResult WriteParameter(const QString &pno, QString *why = nullptr);
// The same for the value in `record`, which need not be the table's. The
// caller has checked the value by the edit dialogs' rules.
WriteResult WriteParameterValue(const ParameterRecord &record, QString *why = nullptr);

// One run over a list of parameter numbers, a step per parameter.
class TransferRun
{
public:
    enum Kind { Read, Write };
    TransferRun(Kind kind, QStringList numbers);

    bool finished() const { return m_next >= m_numbers.size(); }
    // Handles the next parameter; returns its result line.
    QString step();

    int done() const { return int(m_next); }
    int total() const { return int(m_numbers.size()); }
    int failures() const { return m_failures; }
    // Writes refused because the drive runs: the dialog does not count them
    // as failures, but they were not done.
    int refusals() const { return m_refusals; }
    bool lastRefused() const { return m_lastRefused; }
    bool lastFailed() const { return m_lastFailed; }
    // Why the last parameter failed or was refused; empty when it was done.
    const QString &lastReason() const { return m_lastReason; }
    // A parameter failed because the serial device is gone: nothing more can be done.
    bool deviceGone() const { return m_deviceGone; }
    // Progress bar position for a 0..100 range: (done / total) x 100, cut.
    int progress() const;
    QString summary() const;
    Kind kind() const { return m_kind; }

private:
    Kind m_kind;
    QStringList m_numbers;
    qsizetype m_next = 0;
    int m_failures = 0;
    int m_refusals = 0;
    bool m_lastFailed = false;
    bool m_lastRefused = false;
    bool m_deviceGone = false;
    QString m_lastReason;
};

} // namespace dr420
