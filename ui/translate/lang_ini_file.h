#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// A language file held in memory: sections and keys in file order, found
// without regard to letter case. The program only ever reads language files,
// so this class has no way to write one; a file that cannot be read is an
// empty ini.
class TLangIniFile
{
public:
    struct TEntry {
        QString key;
        QString value; // raw, still a literal
    };

    explicit TLangIniFile(const QString &fileName);

    // The text as a language file; used by tests and by the file constructor.
    static TLangIniFile fromText(const QString &text, const QString &fileName = QString());

    const QString &FileName() const { return m_fileName; }

    bool SectionExists(const QString &section) const;
    // Every entry of a section, in file order (a repeated key is listed twice).
    QList<TEntry> ReadSection(const QString &section) const;
    QStringList ReadSectionKeys(const QString &section) const;
    // The first value of a key; defaultValue when the section or key is missing.
    QString ReadString(const QString &section, const QString &key,
                       const QString &defaultValue = QString()) const;

private:
    struct TSection {
        QString name;
        QList<TEntry> entries;
    };

    TLangIniFile() = default;
    void parse(const QString &text);
    const TSection *findSection(const QString &section) const;

    QString m_fileName;
    QList<TSection> m_sections;
};

// Bytes of an ini file as text: UTF-8 (with or without BOM), or Windows-1252
// when the bytes are not valid UTF-8 (files written by the Windows program).
QString decodeIniBytes(const QByteArray &bytes);
