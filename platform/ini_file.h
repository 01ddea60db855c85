#pragma once

#include <QHash>
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
        // Long sections find a key's first entry through this hash, by the key
        // folded as the case-blind comparison folds it; short ones are
        // scanned, a hash being dearer than a few lines. Entries are only
        // ever added before the trailing blank lines, so no position moves.
        bool indexed = false;
        QHash<QString, qsizetype> firstEntries;
        // Where a new key goes (after the last line that is not blank); -1
        // until a key is added, then kept, so a long blank tail is walked once.
        qsizetype newEntryAt = -1;

        // The line of the key's first entry, -1 when it has none.
        qsizetype entryOf(const QString &key) const;
        void addEntry(const QString &key, const QString &value);
        // Indexes a section that has grown long; rebuilds the index of one
        // whose entries moved.
        void reindex();
    };

    Section *findSection(const QString &section);
    const Section *findSection(const QString &section) const;
    // The section, added at the end of the file when missing.
    Section &sectionNamed(const QString &section);

    QList<Line> m_leading; // lines before the first section
    QList<Section> m_sections;
    // Each section's place in m_sections, by its folded name: a file of tens
    // of thousands of sections must not be scanned once per header and key.
    QHash<QString, qsizetype> m_sectionIndex;
};

// Bytes of an ini file as text: UTF-8 (with or without a byte order mark), or
// Windows-1252 when the bytes are not valid UTF-8 (files written on Windows).
QString decodeIniBytes(const QByteArray &bytes);

