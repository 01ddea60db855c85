#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// An ini file held in memory, in the manner of the classic profile functions:
// sections and keys are found without regard to letter case, everything keeps
// its place in the file (comments, blank lines and keys nobody asks for
// included), values are the raw text after "=" without surrounding blanks.
// A line whose first non-blank is "[" and that holds a "]" starts a section
// named by what lies between them; whatever follows the "]" is ignored.
// Writing a key replaces its first occurrence or adds it at the end of its
// section, which is added at the end of the file when missing. Saving is
// atomic: a failed save leaves the old file, and a save never replaces what is
// not a regular file (mayReplaceFile).
class IniFile
{
public:
    struct Entry {
        QString key;
        QString value;
    };

    IniFile() = default;

    // False when the file cannot be read, or is no plain file of a sane size
    // (readSmallFile); the ini is then empty.
    bool load(const QString &fileName);
    // Bytes of a file as fromBytes reads them: UTF-16 or UTF-32 when a byte
    // order mark says so; otherwise each line on its own UTF-8 when it is
    // valid UTF-8, Windows-1252 when not (a line typed in a Latin-1 editor,
    // files written on Windows), so one such line changes no other.
    static IniFile fromBytes(QByteArrayView bytes);
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
    // Whether the key's value was read from a line that was not UTF-8 (and
    // has not been written since): its characters are Windows-1252 bytes.
    bool readAsWindows1252(const QString &section, const QString &key) const;

    void writeString(const QString &section, const QString &key, const QString &value);
    void eraseKey(const QString &section, const QString &key);
    void eraseSection(const QString &section);

private:
    struct Line {
        bool isEntry = false;
        QString key;  // entries
        QString text; // the value of an entry, or the raw text of any other line
        bool windows1252 = false;
    };
    struct Section {
        QString name;
        // The header line as read (a comment after it included); empty for a
        // section added since.
        QString header;
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

    // Lines are numbered from 0; windows1252Lines marks those read as
    // Windows-1252 (none when empty).
    static IniFile parse(const QString &text, const std::vector<bool> &windows1252Lines);
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

