#include "PositionalIni.h"

#include "TextNumbers.h"

#include <QFile>
#include <QSaveFile>

namespace dr420 {

PositionalIni::PositionalIni(QString path)
    : m_path(std::move(path))
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QString text = QString::fromUtf8(file.readAll());
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString &raw = lines[i];
        if (i == lines.size() - 1 && raw.isEmpty())
            break; // the final newline does not make a line of its own
        const QString t = raw.trimmed();
        if (t.startsWith(QLatin1Char('['))) {
            const int close = t.indexOf(QLatin1Char(']'));
            Section s;
            s.name = (close < 0 ? t.mid(1) : t.mid(1, close - 1)).trimmed();
            s.header = raw;
            m_sections.push_back(std::move(s));
            continue;
        }
        Line line{raw, QString()};
        const int eq = t.indexOf(QLatin1Char('='));
        if (!t.startsWith(QLatin1Char(';')) && !t.startsWith(QLatin1Char('#')) && eq > 0)
            line.key = t.left(eq).trimmed();
        (m_sections.empty() ? m_preamble : m_sections.back().lines).push_back(std::move(line));
    }
}

QStringList PositionalIni::sectionNames() const
{
    QStringList names;
    for (const Section &s : m_sections)
        names << s.name;
    return names;
}

int PositionalIni::findKey(int section, const QString &key) const
{
    if (section < 0 || section >= sectionCount())
        return -1;
    const auto &lines = m_sections[size_t(section)].lines;
    for (size_t i = 0; i < lines.size(); ++i)
        if (!lines[i].key.isEmpty() && lines[i].key.compare(key, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

QString PositionalIni::value(int section, const QString &key, const QString &fallback) const
{
    const int at = findKey(section, key);
    if (at < 0)
        return fallback;
    const QString t = m_sections[size_t(section)].lines[size_t(at)].text.trimmed();
    return t.mid(t.indexOf(QLatin1Char('=')) + 1).trimmed();
}

int PositionalIni::intValue(int section, const QString &key, int fallback) const
{
    if (findKey(section, key) < 0)
        return fallback;
    // Profile integers read the leading number and ignore the rest.
    return leadingInt(value(section, key));
}

void PositionalIni::ensureSections(const QStringList &names)
{
    for (int i = sectionCount(); i < names.size(); ++i) {
        Section s;
        s.name = names[i];
        s.header = QLatin1Char('[') + names[i] + QLatin1Char(']');
        m_sections.push_back(std::move(s));
    }
}

bool PositionalIni::setValue(int section, const QString &key, const QString &value)
{
    if (section < 0 || section >= sectionCount())
        return false;
    const QString text = key + QLatin1Char('=') + value;
    auto &lines = m_sections[size_t(section)].lines;
    if (const int at = findKey(section, key); at >= 0) {
        lines[size_t(at)].text = text;
        return true;
    }
    // New keys go after the last key, before the blank lines that separate sections.
    auto pos = lines.end();
    while (pos != lines.begin() && (pos - 1)->text.trimmed().isEmpty())
        --pos;
    lines.insert(pos, Line{text, key});
    return true;
}

bool PositionalIni::save() const
{
    QString out;
    const auto writeLines = [&out](const std::vector<Line> &lines) {
        for (const Line &l : lines)
            out += l.text + QLatin1String("\r\n");
    };
    writeLines(m_preamble);
    for (const Section &s : m_sections) {
        out += s.header + QLatin1String("\r\n");
        writeLines(s.lines);
    }
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(out.toUtf8());
    return file.commit();
}

} // namespace dr420
