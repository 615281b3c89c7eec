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
    QByteArray bytes = file.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        m_bom = true;
        bytes.remove(0, 3);
    }
    m_encoding = detectEncoding(bytes);
    const QList<QByteArray> lines = bytes.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        QByteArray raw = lines[i];
        const bool last = i == lines.size() - 1;
        if (last && raw.isEmpty())
            break; // the final newline does not make a line of its own
        QByteArray ending = last ? QByteArray() : QByteArray("\n");
        if (raw.endsWith('\r')) {
            raw.chop(1);
            ending.prepend('\r');
        }
        const QString text = decodeText(raw, m_encoding);
        const QString t = text.trimmed();
        if (t.startsWith(QLatin1Char('['))) {
            const int close = t.indexOf(QLatin1Char(']'));
            Section s;
            s.name = (close < 0 ? t.mid(1) : t.mid(1, close - 1)).trimmed();
            s.header = Line{text, QString(), raw, ending, false};
            m_sections.push_back(std::move(s));
            continue;
        }
        Line line{text, QString(), raw, ending, false};
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
        s.header.text = QLatin1Char('[') + names[i] + QLatin1Char(']');
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
        Line &line = lines[size_t(at)];
        if (line.text != text) {
            line.text = text;
            line.changed = true;
        }
        return true;
    }
    // New keys go after the last key, before the blank lines that separate sections.
    auto pos = lines.end();
    while (pos != lines.begin() && (pos - 1)->text.trimmed().isEmpty())
        --pos;
    Line added;
    added.text = text;
    added.key = key;
    lines.insert(pos, added);
    return true;
}

bool PositionalIni::save() const
{
    QByteArray out;
    if (m_bom)
        out += "\xEF\xBB\xBF";
    const QByteArray defaultEnding = "\r\n";
    bool openLine = false; // the last line written has no ending yet
    const auto write = [&](const Line &l) {
        if (openLine)
            out += defaultEnding;
        out += l.changed ? encodeText(l.text, m_encoding) : l.raw;
        const QByteArray ending = l.changed ? defaultEnding : l.ending;
        out += ending;
        openLine = ending.isEmpty();
    };
    for (const Line &l : m_preamble)
        write(l);
    for (const Section &s : m_sections) {
        write(s.header);
        for (const Line &l : s.lines)
            write(l);
    }
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(out);
    return file.commit();
}

} // namespace dr420
