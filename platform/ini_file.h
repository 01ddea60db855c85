#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// An ini file held in memory, in the manner of the classic profile functions:
// sections and keys are found without regard to letter case, everything keeps
// its place in the file (comments, blank lines and keys nobody asks for
// included), values are the raw text after "=" without surrounding blanks.
// Writing a key replaces its first occurrence or adds it at the end of its
// section, which is added at the end of the file when missing. Saving is
// atomic: a failed save leaves the old file.
class IniFile
{
public:
    struct Entry {
        QString key;
        QString value;
    };

    IniFile() = default;

    // False when the file cannot be read; the ini is then empty.
    bool load(const QString &fileName);
    static IniFile fromText(const QString &text);
    // The text to save: LF line ends.
    QString toText() const;
    bool save(const QString &fileName, QString *error = nullptr) const;

    QStringList sectionNames() const;
    bool sectionExists(const QString &section) const;
    // Every entry of a section in file order (a repeated key is listed twice).
    QList<Entry> section(const QString &section) const;
    QStringList sectionKeys(const QString &section) const;
    std::optional<QString> value(const QString &section, const QString &key) const;
    QString readString(const QString &section, const QString &key,
                       const QString &defaultValue = QString()) const;

    void writeString(const QString &section, const QString &key, const QString &value);
    void eraseKey(const QString &section, const QString &key);
    void eraseSection(const QString &section);

private:
    struct Line {
        bool isEntry = false;
        QString key;  // entries
        QString text; // the value of an entry, or the raw text of any other line
    };
    struct Section {
        QString name;
        QList<Line> lines;
    };

    Section *findSection(const QString &section);
    const Section *findSection(const QString &section) const;

    QList<Line> m_leading; // lines before the first section
    QList<Section> m_sections;
};

// Bytes of an ini file as text: UTF-8 (with or without a byte order mark), or
// Windows-1252 when the bytes are not valid UTF-8 (files written on Windows).
QString decodeIniBytes(const QByteArray &bytes);

// The reverse of the Windows-1252 fallback for one text: each character that
// stands for a byte 0x80..0x9F becomes the character of that byte's value
// again (for values that were raw bytes, like a scrambled password).
QString windows1252CharsToBytes(const QString &text);
