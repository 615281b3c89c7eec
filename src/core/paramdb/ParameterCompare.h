#pragma once

#include "ParameterRecord.h"
#include "ParameterStore.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

// Comparing sets of parameter values (two files, a file and the drive),
// taking a snapshot of the drive, and putting a file's values back onto it.
namespace dr420 {

using ParameterList = std::vector<ParameterRecord>;

// Loads a parameter file into `out`; ParameterTable is left as it was.
LoadResult LoadParameterList(const QString &path, ParameterList *out);
// Saves `values` as a parameter file (the copy of the default database with
// these values, atomically, as SaveParameterFile); ParameterTable is left as it was.
bool SaveParameterList(const QString &path, const ParameterList &values);

// Equal as the drive would see them: numeric, selection and multi-digit
// values by their register value ("00" and "0", "50.0" and "50.00"), other
// texts as texts, blanks trimmed.
bool sameDriveValue(const ParameterRecord &definition, const QString &a, const QString &b);

struct CompareRow
{
    enum Side { Both, OnlyFirst, OnlySecond };
    QString pno;
    QString name;
    QString unit;
    QString groupNo;
    QString first;  // empty when the first side lacks the parameter
    QString second; // empty when the second side lacks it
    Side side = Both;
    bool differs = false;
};

struct Comparison
{
    std::vector<CompareRow> rows; // the first side's order, then what only the second has
    int differences() const;
    int total() const { return int(rows.size()); }
    // "12 of 261 parameters differ"
    QString summary() const;
};

Comparison CompareParameterLists(const ParameterList &first, const ParameterList &second);

// The comparison as CSV (UTF-8, comma-separated, fields quoted where needed):
// PNO,Name,<first label>,<second label>,Unit; every row or only the differences.
QByteArray comparisonCsv(const Comparison &comparison, const QString &firstLabel, const QString &secondLabel,
                         bool differencesOnly);

// Reads every parameter of a list from the drive, one per step, into a list
// of its own (ParameterTable is not touched).
class DriveSnapshot
{
public:
    explicit DriveSnapshot(ParameterList definitions);

    bool finished() const { return m_next >= m_definitions.size(); }
    // Reads the next parameter; returns its result line.
    QString step();
    int done() const { return int(m_next); }
    int total() const { return int(m_definitions.size()); }
    int progress() const;
    bool lastFailed() const { return m_lastFailed; }
    // Why the last read failed ("no answer", ...); empty when it was done.
    const QString &lastReason() const { return m_lastReason; }
    // The parameters read, with the drive's values.
    const ParameterList &values() const { return m_values; }
    const QStringList &failures() const { return m_failures; }

private:
    ParameterList m_definitions;
    ParameterList m_values;
    QStringList m_failures;
    size_t m_next = 0;
    bool m_lastFailed = false;
    QString m_lastReason;
};

// Puts a file's values onto the drive: only the parameters whose value
// differs from a fresh read of the drive, only where the edit dialogs' rules
// and the attributes allow, then reads each written register back.
class RestoreRun
{
public:
    // `file`: the values wanted; `drive`: the drive's values, read just now.
    RestoreRun(const ParameterList &file, const ParameterList &drive);

    // What would be written, and what is left out before anything is sent
    // (read-only, or refused by the rules: "PNO: reason").
    const ParameterList &planned() const { return m_plan; }
    const QStringList &skipped() const { return m_skipped; }

    bool finished() const { return m_phase == Done; }
    // One write, or once all are written, one read-back; returns its line.
    QString step();
    // 0..100 over the writes and their read-backs.
    int progress() const;

    // Not written because the drive runs (read-only while running).
    const QStringList &refused() const { return m_refused; }
    const QStringList &failed() const { return m_failed; }
    // Written, but the read-back shows another value (or could not be read).
    const QStringList &notTaken() const { return m_notTaken; }
    int written() const { return int(m_written.size()); }
    bool allDone() const { return m_refused.isEmpty() && m_failed.isEmpty() && m_notTaken.isEmpty(); }
    // Why the last step's parameter failed or was refused; empty otherwise.
    const QString &lastReason() const { return m_lastReason; }
    QString summary() const;

private:
    enum Phase { Write, Verify, Done };
    void advancePhase();

    ParameterList m_plan;
    QString m_lastReason;
    ParameterList m_written;
    QStringList m_skipped;
    QStringList m_refused;
    QStringList m_failed;
    QStringList m_notTaken;
    Phase m_phase = Write;
    size_t m_next = 0;
};

} // namespace dr420
