#include "ParameterCompare.h"

#include "DriveTransfer.h"
#include "EditDialogRules.h"
#include "ParameterRules.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

namespace dr420 {

namespace {
// Puts another list in ParameterTable's place for as long as it lives: the
// loader, the saver and the value rules all work on the table (the rules look
// up the parameters a limit names there). User-interface thread only, and
// never across an event loop.
class TableSwap
{
public:
    explicit TableSwap(ParameterList &other)
        : m_other(other)
    {
        ParameterTable().swap(m_other);
    }
    ~TableSwap() { ParameterTable().swap(m_other); }
    TableSwap(const TableSwap &) = delete;
    TableSwap &operator=(const TableSwap &) = delete;

private:
    ParameterList &m_other;
};

QString trimmedPno(const QString &pno)
{
    return pno.trimmed();
}

QByteArray csvField(const QString &text)
{
    QByteArray f = text.toUtf8();
    if (f.contains(',') || f.contains('"') || f.contains('\n') || f.contains('\r')) {
        f.replace('"', "\"\"");
        f = '"' + f + '"';
    }
    return f;
}
} // namespace

LoadResult LoadParameterList(const QString &path, ParameterList *out)
{
    ParameterList loaded;
    LoadResult result;
    {
        TableSwap swap(loaded);
        ParameterTable().clear();
        result = LoadParameterTable(path);
        SortParameterTable();
        SortOptionLists();
    }
    *out = std::move(loaded);
    return result;
}

bool SaveParameterList(const QString &path, const ParameterList &values)
{
    ParameterList copy = values;
    TableSwap swap(copy);
    return SaveParameterFile(path);
}

bool sameDriveValue(const ParameterRecord &definition, const QString &a, const QString &b)
{
    const QString x = a.trimmed(), y = b.trimmed();
    if (x == y)
        return true;
    // Only what the codec reads whole counts as a number: "abc" and "" are
    // not 0 here, though they would be sent as 0.
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)$"));
    if (!number.match(x).hasMatch() || !number.match(y).hasMatch())
        return false;
    return ParseValueText(x, definition.Sign, definition.ZPoint) == ParseValueText(y, definition.Sign, definition.ZPoint);
}

int Comparison::differences() const
{
    int n = 0;
    for (const CompareRow &r : rows)
        n += r.differs;
    return n;
}

QString Comparison::summary() const
{
    return QStringLiteral("%1 of %2 parameters differ").arg(differences()).arg(total());
}

Comparison CompareParameterLists(const ParameterList &first, const ParameterList &second)
{
    QHash<QString, int> inSecond;
    for (int i = 0; i < int(second.size()); ++i)
        inSecond.insert(trimmedPno(second[size_t(i)].PNO), i);
    Comparison c;
    c.rows.reserve(first.size() + 8);
    QSet<QString> seen;
    const auto rowFor = [](const ParameterRecord &r) {
        CompareRow row;
        row.pno = r.PNO;
        row.name = r.Name;
        row.unit = r.Unit;
        row.groupNo = r.GroupNO;
        return row;
    };
    for (const ParameterRecord &r : first) {
        const QString key = trimmedPno(r.PNO);
        if (seen.contains(key))
            continue; // a number twice in one file: the first counts, as FindParameter takes it
        seen.insert(key);
        CompareRow row = rowFor(r);
        row.first = r.Value;
        const auto it = inSecond.constFind(key);
        if (it == inSecond.constEnd()) {
            row.side = CompareRow::OnlyFirst;
            row.differs = true;
        } else {
            row.second = second[size_t(*it)].Value;
            row.differs = !sameDriveValue(r, row.first, row.second);
        }
        c.rows.push_back(row);
    }
    for (const ParameterRecord &r : second) {
        const QString key = trimmedPno(r.PNO);
        if (seen.contains(key))
            continue;
        seen.insert(key);
        CompareRow row = rowFor(r);
        row.second = r.Value;
        row.side = CompareRow::OnlySecond;
        row.differs = true;
        c.rows.push_back(row);
    }
    return c;
}

QByteArray comparisonCsv(const Comparison &comparison, const QString &firstLabel, const QString &secondLabel,
                         bool differencesOnly)
{
    QByteArray out = "PNO,Name," + csvField(firstLabel) + ',' + csvField(secondLabel) + ",Unit\n";
    for (const CompareRow &r : comparison.rows) {
        if (differencesOnly && !r.differs)
            continue;
        out += csvField(r.pno) + ',' + csvField(r.name) + ',' + csvField(r.first) + ',' + csvField(r.second) + ',' +
               csvField(r.unit) + '\n';
    }
    return out;
}

DriveSnapshot::DriveSnapshot(ParameterList definitions)
    : m_definitions(std::move(definitions))
{
    m_values.reserve(m_definitions.size());
}

QString DriveSnapshot::step()
{
    if (finished())
        return QString();
    ParameterRecord r = m_definitions[m_next++];
    m_lastReason.clear();
    m_lastFailed = !ReadParameterValue(r, &r.Value, &m_lastReason);
    if (m_lastFailed) {
        m_failures << r.PNO;
        return QStringLiteral("Function Code %1 Read Failure!").arg(r.PNO);
    }
    m_values.push_back(r);
    return QStringLiteral("Function Code %1 Read successful!").arg(r.PNO);
}

int DriveSnapshot::progress() const
{
    return m_definitions.empty() ? 0 : int(double(m_next) / double(m_definitions.size()) * 100.0);
}

RestoreRun::RestoreRun(const ParameterList &file, const ParameterList &drive)
{
    const Comparison c = CompareParameterLists(file, drive);
    QHash<QString, const ParameterRecord *> byPno;
    for (const ParameterRecord &r : file)
        if (!byPno.contains(trimmedPno(r.PNO)))
            byPno.insert(trimmedPno(r.PNO), &r);
    // The rules see the file's values: a limit may name another parameter.
    ParameterList context = file;
    TableSwap swap(context);
    for (const CompareRow &row : c.rows) {
        if (!row.differs)
            continue;
        if (row.side != CompareRow::Both) {
            m_skipped << QStringLiteral("%1: %2").arg(row.pno, row.side == CompareRow::OnlyFirst
                                                                   ? QStringLiteral("not read from the drive")
                                                                   : QStringLiteral("not in the file"));
            continue;
        }
        const ParameterRecord &wanted = *byPno.value(trimmedPno(row.pno));
        if (wanted.RW == kReadOnly) {
            m_skipped << QStringLiteral("%1: read-only").arg(row.pno);
            continue;
        }
        ParameterRecord record = wanted;
        QString stored;
        const QString reason = refusalForValue(wanted, wanted.Value, &stored);
        if (!reason.isEmpty()) {
            m_skipped << QStringLiteral("%1: \"%2\" refused: %3").arg(row.pno, wanted.Value, reason);
            continue;
        }
        record.Value = stored;
        m_plan.push_back(record);
    }
    if (m_plan.empty())
        m_phase = Done;
}

void RestoreRun::advancePhase()
{
    if (m_phase == Write && m_next >= m_plan.size()) {
        m_phase = m_written.empty() ? Done : Verify;
        m_next = 0;
    }
    if (m_phase == Verify && m_next >= m_written.size())
        m_phase = Done;
}

QString RestoreRun::step()
{
    QString line;
    m_lastReason.clear();
    if (m_phase == Write) {
        const ParameterRecord &r = m_plan[m_next++];
        switch (WriteParameterValue(r, &m_lastReason)) {
        case WriteResult::Written:
            m_written.push_back(r);
            line = QStringLiteral("The function code %1 was written successfully!").arg(r.PNO);
            break;
        case WriteResult::Refused:
            m_refused << r.PNO;
            line = QStringLiteral("Function code %1 cannot be modified during operation!").arg(r.PNO);
            break;
        case WriteResult::Failed:
            m_failed << r.PNO;
            line = QStringLiteral("Function code %1 failed to write!").arg(r.PNO);
            break;
        }
    } else if (m_phase == Verify) {
        const ParameterRecord &r = m_written[m_next++];
        QString now;
        if (!ReadParameterValue(r, &now, &m_lastReason)) {
            m_notTaken << r.PNO;
            line = QStringLiteral("Verify: function code %1 could not be read back.").arg(r.PNO);
        } else if (!sameDriveValue(r, now, r.Value)) {
            m_notTaken << r.PNO;
            line = QStringLiteral("Verify: function code %1 reads %2, %3 was written.").arg(r.PNO, now, r.Value);
        } else {
            line = QStringLiteral("Verify: function code %1 holds %2.").arg(r.PNO, now);
        }
    }
    advancePhase();
    return line;
}

int RestoreRun::progress() const
{
    if (m_phase == Done || m_plan.empty())
        return 100;
    const size_t at = m_phase == Write ? m_next : m_plan.size() + m_next;
    return int(double(at) / double(2 * m_plan.size()) * 100.0);
}

QString RestoreRun::summary() const
{
    return QStringLiteral("%1 of %2 function code(s) restored and verified; %3 refused while the drive runs, "
                          "%4 failed, %5 did not take the value, %6 left out.")
        .arg(written() - int(m_notTaken.size()))
        .arg(m_plan.size())
        .arg(m_refused.size())
        .arg(m_failed.size())
        .arg(m_notTaken.size())
        .arg(m_skipped.size());
}

} // namespace dr420
