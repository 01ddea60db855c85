#pragma once

#include <QString>
#include <QStringList>

// A small text file that remembers values per satellite name, one line each:
// the name and its fields joined by "|" ("Astra 19.2E|1" with one field,
// "Astra (19.2E)|Astra 19.2|1" with two), CR LF line ends, in the order the
// names were first confirmed. Names are compared exactly: "*" and "?" in a
// name are plain characters, so one satellite never takes another's line.
// A name may itself hold "|": the fields are the last ones of the line.
class TMappingFile
{
public:
    explicit TMappingFile(int fieldCount = 1) : m_fieldCount(fieldCount < 1 ? 1 : fieldCount) {}

    // Reads the file (UTF-8, or Windows-1252 for a file an older version left
    // that is not valid UTF-8). A missing file is an empty mapping; so is one
    // that is no plain file of a sane size, with false and the reason.
    bool Load(const QString &fileName, QString *errorText = nullptr);
    // Replaces the file whole; false with the reason when it cannot be
    // written (the old file then stays as it was) or is not a regular file.
    bool Save(const QString &fileName, QString &errorText) const;

    // The line of `name`, or -1.
    int IndexOf(const QString &name) const;
    // The fields stored for `name`; none when it has no line.
    QStringList Values(const QString &name) const;
    // The first field stored for `name`; `fallback` when there is none.
    QString Value(const QString &name, const QString &fallback) const;
    // Replaces the name's line where it stands, or appends one. A line break
    // in the name or a field, or a "|" in a field, would break the line
    // apart and becomes a blank; missing fields are empty.
    void Set(const QString &name, const QStringList &values);
    void Set(const QString &name, const QString &value) { Set(name, QStringList{value}); }
    // The names of the lines whose first field is `value`, in file order.
    QStringList NamesWithFirstValue(const QString &value) const;

    const QStringList &Lines() const { return m_lines; }

private:
    int m_fieldCount;
    QStringList m_lines;
};

// The shared even-row tint of the exchange windows' lists: a faint ivory,
// written as 0xRRGGBB for QColor::fromRgb.
inline constexpr unsigned kEvenRowRgb = 0xFEFCF5;
