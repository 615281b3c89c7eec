#include "DriveTransfer.h"

#include "EditDialogRules.h"
#include "ParameterRules.h"
#include "link/Link.h"

#include <algorithm>

namespace dr420 {

namespace {
bool readRegister(const QString &pno, uint16_t *raw)
{
    if (!PnoHasRegister(pno))
        return false; // it would read another parameter's register
    const uint16_t address = PnoToAddress(pno);
    const LinkSettingsData &settings = LinkSettings();
    std::lock_guard<std::mutex> lock(linkLock());
    if (settings.rs485) {
        uint32_t slot = 0;
        if ((LinkReadRegister(uint8_t(settings.station), address, &slot) & 0xFFFF) != 0)
            return false;
        *raw = uint16_t(slot & 0xFFFF);
        return true;
    }
    const uint8_t data[4] = {uint8_t(address & 0xFF), uint8_t(address >> 8), 0, 0};
    uint8_t response[4] = {0, 0, 0, 0};
    if (!LinkCommand(kCmdReadRegister, data, response))
        return false;
    *raw = uint16_t(response[0] | (response[1] << 8));
    return true;
}
} // namespace

bool ReadParameterValue(const ParameterRecord &record, QString *text)
{
    uint16_t raw = 0;
    if (!readRegister(record.PNO, &raw))
        return false;
    *text = FormatRawValue(raw, record.Sign, record.ZPoint);
    return true;
}

bool ReadParameter(const QString &pno)
{
    // The record found is the one that takes the value: one key (the trimmed
    // number) for the lookup and the store.
    const int at = FindParameterIndex(pno);
    if (at < 0)
        return false;
    ParameterRecord &record = ParameterTable()[size_t(at)];
    QString text;
    if (!ReadParameterValue(record, &text))
        return false;
    record.Value = text;
    return true;
}

WriteResult WriteParameter(const QString &pno)
{
    ParameterRecord record;
    if (!FindParameter(pno, record))
        return WriteResult::Failed;
    return WriteParameterValue(record);
}

WriteResult WriteParameterValue(const ParameterRecord &record)
{
    if (record.RW == kReadOnly)
        return WriteResult::Written; // nothing is sent for a read-only parameter
    if (!PnoHasRegister(record.PNO))
        return WriteResult::Failed; // it would write another parameter's register
    if (record.RW == kReadOnlyWhileRunning) {
        // A run state that cannot be read is a failed write, not a running drive.
        uint16_t state = 0;
        if (!readRunState(&state))
            return WriteResult::Failed;
        if (state != kRunStateStopped)
            return WriteResult::Refused;
    }
    const uint16_t raw = ParseValueText(record.Value, record.Sign, record.ZPoint);
    const uint16_t address = PnoToAddress(record.PNO);
    const LinkSettingsData &settings = LinkSettings();
    std::lock_guard<std::mutex> lock(linkLock());
    if (settings.rs485)
        return (LinkWriteRegister(uint8_t(settings.station), address, raw) & 0xFFFF) == 0 ? WriteResult::Written
                                                                                         : WriteResult::Failed;
    const uint8_t data[4] = {uint8_t(address & 0xFF), uint8_t(address >> 8), uint8_t(raw & 0xFF), uint8_t(raw >> 8)};
    uint8_t response[4] = {0, 0, 0, 0};
    return LinkCommand(kCmdWriteRegister, data, response) ? WriteResult::Written : WriteResult::Failed;
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
    QString line;
    if (m_kind == Read) {
        if (ReadParameter(p)) {
            line = QStringLiteral("Function Code %1 Read successful!").arg(p);
        } else {
            line = QStringLiteral("Function Code %1 Read Failure!").arg(p);
            m_lastFailed = true;
        }
    } else {
        ParameterRecord record;
        if (!FindParameter(p, record) || !CheckLimits(record) || (record.RW != kReadOnly && !sendable(record))) {
            line = QStringLiteral("Function code %1 failed to write! Because the written value is out of range!").arg(p);
            m_lastFailed = true;
        } else {
            switch (WriteParameter(p)) {
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
