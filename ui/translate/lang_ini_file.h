#pragma once

#include "platform/ini_file.h"

#include <QList>
#include <QString>
#include <QStringList>

// A language file held in memory: sections and keys in file order, found
// without regard to letter case. The program only ever reads language files,
// so this class has no way to write one; a file that cannot be read is an
// empty ini.
class TLangIniFile
{
public:
    using TEntry = IniFile::Entry; // the value is raw, still a literal

    explicit TLangIniFile(const QString &fileName);

    // The text as a language file; used by tests and by the file constructor.
    static TLangIniFile fromText(const QString &text, const QString &fileName = QString());

    const QString &FileName() const { return m_fileName; }

    bool SectionExists(const QString &section) const { return m_ini.sectionExists(section); }
    // Every entry of a section, in file order (a repeated key is listed twice).
    QList<TEntry> ReadSection(const QString &section) const { return m_ini.section(section); }
    QStringList ReadSectionKeys(const QString &section) const
    {
        return m_ini.sectionKeys(section);
    }
    // The first value of a key; defaultValue when the section or key is missing.
    QString ReadString(const QString &section, const QString &key,
                       const QString &defaultValue = QString()) const
    {
        return m_ini.readString(section, key, defaultValue);
    }

private:
    TLangIniFile() = default;

    QString m_fileName;
    IniFile m_ini;
};
