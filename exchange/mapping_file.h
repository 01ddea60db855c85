#pragma once

#include <QString>
#include <QStringList>

// A small text file that remembers one value per satellite name, one
// "name|value" line each ("Astra 19.2E|1"), CR LF line ends, in the order the
// names were first confirmed. Names are compared exactly: "*" and "?" in a
// name are plain characters, so one satellite never takes another's line.
// A name may itself hold "|": the value is what follows the last one.
class TMappingFile
{
public:
    // Reads the file (UTF-8, or Windows-1252 for a file an older version left
    // that is not valid UTF-8). A missing file is an empty mapping.
    void Load(const QString &fileName);
    // Replaces the file whole; false with the reason when it cannot be
    // written (the old file then stays as it was).
    bool Save(const QString &fileName, QString &errorText) const;

    // The line of `name`, or -1.
    int IndexOf(const QString &name) const;
    // The value stored for `name`; `fallback` when there is none.
    QString Value(const QString &name, const QString &fallback) const;
    // Replaces the name's line where it stands, or appends one.
    void Set(const QString &name, const QString &value);

    const QStringList &Lines() const { return m_lines; }

private:
    QStringList m_lines;
};

// The shared even-row tint of the exchange windows' lists (0xF5FCFE as the
// original stored it, blue-green-red).
inline constexpr unsigned kEvenRowRgb = 0xFEFCF5;
