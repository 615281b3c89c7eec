#pragma once

#include "TextCodec.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace dr420 {

// INI file whose sections are addressed by their position in the file, not by
// name: "settings.ini" and "wavesettings.ini" keep their lists in the first
// section and the current choices in the second, whatever those are called.
// Comments, blank lines and the order of everything are kept on rewrite;
// section and key names compare case-insensitively, as profile files always have.
class PositionalIni
{
public:
    // Reads the file now; a missing or unreadable file reads as empty.
    explicit PositionalIni(QString path);

    const QString &path() const { return m_path; }
    QStringList sectionNames() const;
    int sectionCount() const { return int(m_sections.size()); }

    // Missing section or key gives `fallback`; values are trimmed.
    QString value(int section, const QString &key, const QString &fallback = QString()) const;
    int intValue(int section, const QString &key, int fallback) const;

    // Appends sections named after `names` until the file has at least
    // names.size() sections; existing sections keep their names.
    void ensureSections(const QStringList &names);
    // False when the section does not exist (use ensureSections first).
    bool setValue(int section, const QString &key, const QString &value);

    // Writes the whole file atomically, creating it when missing. Lines the
    // program did not change keep their bytes; changed and new ones are
    // written in the file's encoding (UTF-8, or GBK for a file that is not
    // valid UTF-8).
    bool save() const;

private:
    struct Line {
        QString text;
        QString key;       // empty for comments and blank lines
        QByteArray raw;    // as read, without its line ending
        QByteArray ending; // "\r\n", "\n", or none for a last line without one
        bool changed = true;
    };
    struct Section {
        QString name;
        Line header;
        std::vector<Line> lines;
    };

    // Index of the key's line in the section, or -1.
    int findKey(int section, const QString &key) const;

    QString m_path;
    TextEncoding m_encoding = TextEncoding::Utf8;
    bool m_bom = false;
    std::vector<Line> m_preamble; // lines before the first section
    std::vector<Section> m_sections;
};

} // namespace dr420
