#include "platform/ini_file.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>
#include <array>

namespace {

// The bytes 0x80..0x9F of Windows-1252; the rest agree with Latin-1.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
constexpr unsigned char kCp1252HighFirst = 0x80;
constexpr unsigned char kCp1252HighLast = 0x9F;

} // namespace

QString windows1252CharsToBytes(const QString &text)
{
    QString bytes = text;
    for (QChar &c : bytes) {
        const auto *at = std::find(kCp1252High.begin(), kCp1252High.end(), c.unicode());
        if (at != kCp1252High.end())
            c = QChar(char16_t(kCp1252HighFirst + (at - kCp1252High.begin())));
    }
    return bytes;
}

namespace {

// Profile files trim blanks and tabs only: characters like U+00A0 or U+0085
// are part of a value (a scrambled password holds them).
QStringView trimBlanks(QStringView text)
{
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (!text.isEmpty() && blank(text.front()))
        text = text.mid(1);
    while (!text.isEmpty() && blank(text.back()))
        text.chop(1);
    return text;
}

QString decodeCp1252(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        if (u >= kCp1252HighFirst && u <= kCp1252HighLast)
            text += QChar(kCp1252High[u - kCp1252HighFirst]);
        else
            text += QChar(u);
    }
    return text;
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

QString decodeIniBytes(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError()) {
        if (text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
        return text;
    }
    return decodeCp1252(bytes);
}

bool IniFile::load(const QString &fileName)
{
    *this = IniFile();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *this = fromText(decodeIniBytes(file.readAll()));
    return true;
}

IniFile IniFile::fromText(const QString &text)
{
    IniFile ini;
    QList<Line> *lines = &ini.m_leading;
    QStringView rest(text);
    if (rest.endsWith(u'\n'))
        rest.chop(1);
    if (rest.isEmpty())
        return ini;
    for (QStringView raw : rest.split(u'\n')) {
        if (raw.endsWith(u'\r'))
            raw.chop(1);
        const QStringView line = trimBlanks(raw);
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            const QString name = trimBlanks(line.mid(1, line.size() - 2)).toString();
            // A section written twice continues the first one.
            Section *existing = ini.findSection(name);
            if (!existing) {
                ini.m_sections.append(Section{name, {}});
                existing = &ini.m_sections.last();
            }
            lines = &existing->lines;
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (line.isEmpty() || line.startsWith(u';') || (eq < 0 && lines == &ini.m_leading)) {
            lines->append(Line{false, {}, raw.toString()});
        } else if (eq < 0) {
            lines->append(Line{true, line.toString(), {}});
        } else {
            lines->append(Line{true, trimBlanks(line.left(eq)).toString(),
                               trimBlanks(line.mid(eq + 1)).toString()});
        }
    }
    return ini;
}

QString IniFile::toText() const
{
    QString text;
    const auto appendLines = [&](const QList<Line> &lines) {
        for (const Line &l : lines) {
            text += l.isEntry ? l.key + u'=' + l.text : l.text;
            text += u'\n';
        }
    };
    appendLines(m_leading);
    for (const Section &s : m_sections) {
        text += u'[' + s.name + QStringLiteral("]\n");
        appendLines(s.lines);
    }
    return text;
}

bool IniFile::save(const QString &fileName, QString *error) const
{
    QSaveFile file(fileName);
    const QByteArray bytes = toText().toUtf8();
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

IniFile::Section *IniFile::findSection(const QString &section)
{
    for (Section &s : m_sections) {
        if (sameName(s.name, section))
            return &s;
    }
    return nullptr;
}

const IniFile::Section *IniFile::findSection(const QString &section) const
{
    return const_cast<IniFile *>(this)->findSection(section);
}

QStringList IniFile::sectionNames() const
{
    QStringList names;
    for (const Section &s : m_sections)
        names.append(s.name);
    return names;
}

bool IniFile::sectionExists(const QString &section) const
{
    return findSection(section) != nullptr;
}

QList<IniFile::Entry> IniFile::section(const QString &section) const
{
    QList<Entry> entries;
    if (const Section *s = findSection(section)) {
        for (const Line &l : s->lines) {
            if (l.isEntry)
                entries.append(Entry{l.key, l.text});
        }
    }
    return entries;
}

QStringList IniFile::sectionKeys(const QString &section) const
{
    QStringList keys;
    for (const Entry &e : this->section(section))
        keys.append(e.key);
    return keys;
}

std::optional<QString> IniFile::value(const QString &section, const QString &key) const
{
    if (const Section *s = findSection(section)) {
        for (const Line &l : s->lines) {
            if (l.isEntry && sameName(l.key, key))
                return l.text;
        }
    }
    return std::nullopt;
}

QString IniFile::readString(const QString &section, const QString &key,
                            const QString &defaultValue) const
{
    return value(section, key).value_or(defaultValue);
}

void IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    Section *s = findSection(section);
    if (!s) {
        m_sections.append(Section{section, {}});
        s = &m_sections.last();
    }
    for (Line &l : s->lines) {
        if (l.isEntry && sameName(l.key, key)) {
            l.text = value;
            return;
        }
    }
    // After the section's last entry, before any trailing blank lines.
    qsizetype at = s->lines.size();
    while (at > 0 && !s->lines[at - 1].isEntry && s->lines[at - 1].text.trimmed().isEmpty())
        --at;
    s->lines.insert(at, Line{true, key, value});
}

void IniFile::eraseKey(const QString &section, const QString &key)
{
    if (Section *s = findSection(section)) {
        s->lines.removeIf([&](const Line &l) { return l.isEntry && sameName(l.key, key); });
    }
}

void IniFile::eraseSection(const QString &section)
{
    m_sections.removeIf([&](const Section &s) { return sameName(s.name, section); });
}
