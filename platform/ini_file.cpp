#include "platform/ini_file.h"

#include "platform/atomic_file.h"
#include "platform/small_file.h"
#include "platform/text_codec.h"

#include <QFile>
#include <QStringDecoder>

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

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The key names are hashed under. The case-blind comparison above folds each
// character on its own, without letters that grow ("ß" stays one), and so
// does toCaseFolded: two names are the same exactly when their keys are.
QString nameKey(const QString &name)
{
    return name.toCaseFolded();
}

bool isBlankLine(QStringView text)
{
    return text.trimmed().isEmpty();
}

// Sections with more lines than this index their keys.
constexpr qsizetype kIndexedLines = 16;

} // namespace

bool IniFile::load(const QString &fileName)
{
    *this = IniFile();
    SmallFile file = readSmallFile(fileName);
    if (file.status != SmallFileStatus::Read)
        return false;
    *this = fromBytes(file.bytes);
    return true;
}

IniFile IniFile::fromBytes(QByteArrayView bytes)
{
    if (const std::optional<QStringConverter::Encoding> marked = QStringConverter::encodingForData(bytes);
        marked && *marked != QStringConverter::Utf8) {
        QStringDecoder wide(*marked);
        return fromText(wide(bytes));
    }
    bool windows1252 = false;
    const QString whole = decodeUtf8OrWindows1252(bytes, &windows1252);
    if (!windows1252)
        return fromText(whole);

    // One hand-edited line must not turn what this program wrote as UTF-8
    // into Windows-1252 (a scrambled password would be lost on the next save).
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    QString text;
    text.reserve(bytes.size());
    std::vector<bool> windows1252Lines;
    for (qsizetype from = 0; from <= bytes.size();) {
        const qsizetype lineEnd = bytes.indexOf('\n', from);
        const qsizetype length = (lineEnd < 0 ? bytes.size() : lineEnd) - from;
        bool lineIsWindows1252 = false;
        text += decodeUtf8OrWindows1252(bytes.sliced(from, length), &lineIsWindows1252);
        windows1252Lines.push_back(lineIsWindows1252);
        if (lineEnd < 0)
            break;
        text += u'\n';
        from = lineEnd + 1;
    }
    return parse(text, windows1252Lines);
}

IniFile IniFile::fromText(const QString &text)
{
    return parse(text, {});
}

IniFile IniFile::parse(const QString &text, const std::vector<bool> &windows1252Lines)
{
    IniFile ini;
    QList<Line> *lines = &ini.m_leading;
    QStringView rest(text);
    if (rest.endsWith(u'\n'))
        rest.chop(1);
    if (rest.isEmpty())
        return ini;
    std::size_t lineNumber = 0;
    for (qsizetype from = 0; from <= rest.size(); ++lineNumber) {
        const qsizetype lineEnd = rest.indexOf(u'\n', from);
        QStringView raw = rest.sliced(from, (lineEnd < 0 ? rest.size() : lineEnd) - from);
        from += raw.size() + 1;
        if (raw.endsWith(u'\r'))
            raw.chop(1);
        const QStringView line = trimBlanks(raw);
        // As the profile functions read a header: "[GUISettings] ; receiver"
        // names the section GUISettings.
        if (const qsizetype close = line.startsWith(u'[') ? line.indexOf(u']') : -1; close > 0) {
            const QString name = trimBlanks(line.sliced(1, close - 1)).toString();
            Section &section = ini.sectionNamed(name);
            // A section written twice continues the first one.
            if (section.header.isEmpty())
                section.header = raw.toString();
            lines = &section.lines;
            continue;
        }
        const bool windows1252 = lineNumber < windows1252Lines.size() && windows1252Lines[lineNumber];
        const qsizetype eq = line.indexOf(u'=');
        if (line.isEmpty() || line.startsWith(u';') || (eq < 0 && lines == &ini.m_leading)) {
            lines->append(Line{false, {}, raw.toString(), windows1252});
        } else if (eq < 0) {
            lines->append(Line{true, line.toString(), {}, windows1252});
        } else {
            lines->append(Line{true, trimBlanks(line.left(eq)).toString(),
                               trimBlanks(line.mid(eq + 1)).toString(), windows1252});
        }
    }
    for (Section &s : ini.m_sections)
        s.reindex();
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
        text += s.header.isEmpty() ? u'[' + s.name + u']' : s.header;
        text += u'\n';
        appendLines(s.lines);
    }
    return text;
}

bool IniFile::save(const QString &fileName, QString *error) const
{
    if (!mayReplaceFile(fileName)) {
        if (error)
            *error = QStringLiteral("not a regular file");
        return false;
    }
    AtomicFile file(fileName);
    const QByteArray bytes = toText().toUtf8();
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

IniFile::Section *IniFile::findSection(const QString &section)
{
    const auto found = m_sectionIndex.constFind(nameKey(section));
    return found == m_sectionIndex.cend() ? nullptr : &m_sections[*found];
}

const IniFile::Section *IniFile::findSection(const QString &section) const
{
    const auto found = m_sectionIndex.constFind(nameKey(section));
    return found == m_sectionIndex.cend() ? nullptr : &m_sections.at(*found);
}

IniFile::Section &IniFile::sectionNamed(const QString &section)
{
    QString key = nameKey(section);
    if (const auto found = m_sectionIndex.constFind(key); found != m_sectionIndex.cend())
        return m_sections[*found];
    m_sectionIndex.insert(std::move(key), m_sections.size());
    Section &added = m_sections.emplace_back();
    added.name = section;
    return added;
}

qsizetype IniFile::Section::entryOf(const QString &key) const
{
    if (indexed)
        return firstEntries.value(nameKey(key), -1);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines.at(i).isEntry && sameName(lines.at(i).key, key))
            return i;
    }
    return -1;
}

void IniFile::Section::addEntry(const QString &key, const QString &value)
{
    // After the section's last entry, before any trailing blank lines.
    if (newEntryAt < 0) {
        newEntryAt = lines.size();
        while (newEntryAt > 0 && !lines.at(newEntryAt - 1).isEntry
               && isBlankLine(lines.at(newEntryAt - 1).text))
            --newEntryAt;
    }
    lines.insert(newEntryAt, Line{true, key, value});
    if (indexed)
        firstEntries.insert(nameKey(key), newEntryAt);
    ++newEntryAt;
    if (!indexed && lines.size() > kIndexedLines)
        reindex();
}

void IniFile::Section::reindex()
{
    firstEntries.clear();
    indexed = lines.size() > kIndexedLines;
    if (!indexed)
        return;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!lines.at(i).isEntry)
            continue;
        // The first entry of a repeated key is the one read and written.
        const QString key = nameKey(lines.at(i).key);
        if (!firstEntries.contains(key))
            firstEntries.insert(key, i);
    }
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

bool IniFile::readAsWindows1252(const QString &section, const QString &key) const
{
    if (const Section *s = findSection(section)) {
        if (const qsizetype at = s->entryOf(key); at >= 0)
            return s->lines.at(at).windows1252;
    }
    return false;
}

std::optional<QString> IniFile::value(const QString &section, const QString &key) const
{
    if (const Section *s = findSection(section)) {
        if (const qsizetype at = s->entryOf(key); at >= 0)
            return s->lines.at(at).text;
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
    Section &s = sectionNamed(section);
    if (const qsizetype at = s.entryOf(key); at >= 0)
        s.lines[at] = Line{true, s.lines.at(at).key, value};
    else
        s.addEntry(key, value);
}

void IniFile::eraseKey(const QString &section, const QString &key)
{
    Section *s = findSection(section);
    if (!s || s->entryOf(key) < 0)
        return;
    s->lines.removeIf([&](const Line &l) { return l.isEntry && sameName(l.key, key); });
    s->newEntryAt = -1;
    s->reindex();
}

void IniFile::eraseSection(const QString &section)
{
    if (!findSection(section))
        return;
    m_sections.removeIf([&](const Section &s) { return sameName(s.name, section); });
    m_sectionIndex.clear();
    for (qsizetype i = 0; i < m_sections.size(); ++i)
        m_sectionIndex.insert(nameKey(m_sections.at(i).name), i);
}
