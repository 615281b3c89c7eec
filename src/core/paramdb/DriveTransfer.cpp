#include "DriveTransfer.h"

#include "EditDialogRules.h"
#include "ParameterRules.h"
#include "link/Link.h"

#include <algorithm>

namespace dr420 {

namespace {
void tell(QString *why, const QString &text)
{
    if (why)
        *why = text;
}

bool readRegister(const QString &pno, uint16_t *raw, QString *why)
{
    if (!PnoHasRegister(pno)) {
        tell(why, QStringLiteral("no register of its own on this drive"));
        return false; // it would read another parameter's register
    }
    const RegisterReply r = readDriveRegister(PnoToAddress(pno));
    if (!r.ok()) {
        tell(why, describeReply(r));
        return false;
    }
    *raw = r.value;
    return true;
}
} // namespace

bool ReadParameterValue(const ParameterRecord &record, QString *text, QString *why)
{
    uint16_t raw = 0;
    if (!readRegister(record.PNO, &raw, why))
        return false;
    *text = FormatRawValue(raw, record.Sign, record.ZPoint);
    return true;
}

bool ReadParameter(const QString &pno, QString *why)
{
    // The record found is the one that takes the value: one key (the trimmed
    // number) for the lookup and the store.
    const int at = FindParameterIndex(pno);
    if (at < 0) {
        tell(why, QStringLiteral("not in the parameter definitions"));
        return false;
    }
    ParameterRecord &record = ParameterTable()[size_t(at)];
    QString text;
    if (!ReadParameterValue(record, &text, why))
        return false;
    record.Value = text;
    return true;
}

WriteResult WriteParameter(const QString &pno, QString *why)
{
    ParameterRecord record;
    if (!FindParameter(pno, record)) {
        tell(why, QStringLiteral("not in the parameter definitions"));
        return WriteResult::Failed;
    }
    return WriteParameterValue(record, why);
}

WriteResult WriteParameterValue(const ParameterRecord &record, QString *why)
{
    if (record.RW == kReadOnly)
        return WriteResult::Written; // nothing is sent for a read-only parameter
    if (!PnoHasRegister(record.PNO)) {
        tell(why, QStringLiteral("no register of its own on this drive"));
        return WriteResult::Failed; // it would write another parameter's register
    }
    if (record.RW == kReadOnlyWhileRunning) {
        // A run state that cannot be read is a failed write, not a running drive.
        const RegisterReply state = readDriveRegister(kRunStateRegister);
        if (!state.ok()) {
            tell(why, QStringLiteral("the run state could not be read: %1").arg(describeReply(state)));
            return WriteResult::Failed;
        }
        if (state.value != kRunStateStopped) {
            tell(why, QStringLiteral("the drive runs"));
            return WriteResult::Refused;
        }
    }
    const uint16_t raw = ParseValueText(record.Value, record.Sign, record.ZPoint);
    const RegisterReply r = writeDriveRegister(PnoToAddress(record.PNO), raw);
    if (!r.ok()) {
        tell(why, describeReply(r));
        return WriteResult::Failed;
    }
    return WriteResult::Written;
}

namespace {
// A number goes out only when its edit dialog would have taken it (a file may
// hold "abc", which the codec would send as 0). A selection or multi-digit
// value that is a number but no option goes out as the run always sent it:
// the drive judges it, and its refusal is reported.
bool sendable(const ParameterRecord &record)
{
    if (refusalForValue(record, record.Value).isEmpty())
        return true;
    const QString text = record.Value.trimmed();
    return record.InputType && isLegalNumberText(text) &&
           std::any_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
}
} // namespace

TransferRun::TransferRun(Kind kind, QStringList numbers)
    : m_kind(kind)
    , m_numbers(std::move(numbers))
{
}

QString TransferRun::step()
{
    if (finished())
        return QString();
    const QString p = m_numbers[m_next++];
    m_lastFailed = false;
    m_lastRefused = false;
    m_lastReason.clear();
    QString line;
    if (m_kind == Read) {
        if (ReadParameter(p, &m_lastReason)) {
            line = QStringLiteral("Function Code %1 Read successful!").arg(p);
        } else {
            line = QStringLiteral("Function Code %1 Read Failure!").arg(p);
            m_lastFailed = true;
        }
    } else {
        ParameterRecord record;
        if (!FindParameter(p, record) || !CheckLimits(record) || (record.RW != kReadOnly && !sendable(record))) {
            m_lastReason = QStringLiteral("the value is refused by the edit dialogs' rules; nothing was sent");
            line = QStringLiteral("Function code %1 failed to write! Because the written value is out of range!").arg(p);
            m_lastFailed = true;
        } else {
            switch (WriteParameter(p, &m_lastReason)) {
            case WriteResult::Written:
                line = QStringLiteral("The function code %1 was written successfully!").arg(p);
                break;
            case WriteResult::Refused:
                line = QStringLiteral("Function code %1 cannot be modified during operation!").arg(p);
                m_lastRefused = true;
                ++m_refusals;
                break;
            case WriteResult::Failed:
                line = QStringLiteral("Function code %1 failed to write!").arg(p);
                m_lastFailed = true;
                break;
            }
        }
    }
    m_failures += m_lastFailed;
    m_deviceGone = m_deviceGone || (m_lastFailed && LinkDeviceGone());
    return line;
}

int TransferRun::progress() const
{
    return m_numbers.isEmpty() ? 0 : int(double(m_next) / double(m_numbers.size()) * 100.0);
}

QString TransferRun::summary() const
{
    return m_kind == Read ? QStringLiteral("%1 function code read failed!").arg(m_failures)
                          : QStringLiteral("%1Function code write failed!").arg(m_failures);
}

} // namespace dr420
