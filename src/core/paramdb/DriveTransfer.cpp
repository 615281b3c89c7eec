#include "DriveTransfer.h"

#include "EditDialogRules.h"
#include "ParameterRules.h"
#include "link/Link.h"

namespace dr420 {

namespace {
QString withoutDashes(QString s)
{
    return s.remove(QLatin1Char('-'));
}

// a with its dashes removed equals key (which has none), without copying a.
bool equalsWithoutDashes(const QString &a, const QString &key)
{
    qsizetype k = 0;
    for (QChar c : a) {
        if (c == QLatin1Char('-'))
            continue;
        if (k >= key.size() || key[k] != c)
            return false;
        ++k;
    }
    return k == key.size();
}
} // namespace

namespace {
bool readRegister(const QString &pno, uint16_t *raw)
{
    const uint16_t address = PnoToAddress(withoutDashes(pno));
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
    ParameterRecord record;
    if (!FindParameter(pno, record))
        return false;
    const QString key = withoutDashes(pno);
    if (!ReadParameterValue(record, &record.Value))
        return false;
    auto &table = ParameterTable();
    for (ParameterRecord &r : table) {
        if (equalsWithoutDashes(r.PNO, key)) {
            r = record;
            break;
        }
    }
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
    if (record.RW == kReadOnlyWhileRunning && !IsDriveStopped())
        return WriteResult::Refused;
    const uint16_t raw = ParseValueText(record.Value, record.Sign, record.ZPoint);
    const uint16_t address = PnoToAddress(withoutDashes(record.PNO.trimmed()));
    const LinkSettingsData &settings = LinkSettings();
    std::lock_guard<std::mutex> lock(linkLock());
    if (settings.rs485)
        return (LinkWriteRegister(uint8_t(settings.station), address, raw) & 0xFFFF) == 0 ? WriteResult::Written
                                                                                         : WriteResult::Failed;
    const uint8_t data[4] = {uint8_t(address & 0xFF), uint8_t(address >> 8), uint8_t(raw & 0xFF), uint8_t(raw >> 8)};
    uint8_t response[4] = {0, 0, 0, 0};
    return LinkCommand(kCmdWriteRegister, data, response) ? WriteResult::Written : WriteResult::Failed;
}

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
        // The value goes out only when its edit dialog would have taken it
        // (a parameter file may hold "abc", which the codec would send as 0).
        if (!FindParameter(p, record) || !CheckLimits(record) ||
            (record.RW != kReadOnly && !refusalForValue(record, record.Value).isEmpty())) {
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
