#include "ui/translate/lang_ini_file.h"

#include "core/util/text_compare.h"

#include <QFile>
#include <QStringDecoder>

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

} // namespace

QString decodeIniBytes(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    return decodeCp1252(bytes);
}

TLangIniFile::TLangIniFile(const QString &fileName) : m_fileName(fileName)
{
    QFile file(fileName);
    if (file.open(QIODevice::ReadOnly))
        parse(decodeIniBytes(file.readAll()));
}

TLangIniFile TLangIniFile::fromText(const QString &text, const QString &fileName)
{
    TLangIniFile ini;
    ini.m_fileName = fileName;
    ini.parse(text);
    return ini;
}

void TLangIniFile::parse(const QString &text)
{
    TSection *current = nullptr;
    const auto lines = QStringView(text).split(u'\n');
    for (QStringView line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            const QString name = line.mid(1, line.size() - 2).trimmed().toString();
            // A section written twice continues the first one.
            current = const_cast<TSection *>(findSection(name));
            if (!current) {
                m_sections.append(TSection{name, {}});
                current = &m_sections.last();
            }
            continue;
        }
        if (!current)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0) {
            current->entries.append(TEntry{line.toString(), QString()});
            continue;
        }
        current->entries.append(
            TEntry{line.left(eq).trimmed().toString(), line.mid(eq + 1).trimmed().toString()});
    }
}

const TLangIniFile::TSection *TLangIniFile::findSection(const QString &section) const
{
    for (const TSection &s : m_sections) {
        if (sameText(s.name, section))
            return &s;
    }
    return nullptr;
}

bool TLangIniFile::SectionExists(const QString &section) const
{
    return findSection(section) != nullptr;
}

QList<TLangIniFile::TEntry> TLangIniFile::ReadSection(const QString &section) const
{
    const TSection *s = findSection(section);
    return s ? s->entries : QList<TEntry>();
}

QStringList TLangIniFile::ReadSectionKeys(const QString &section) const
{
    QStringList keys;
    if (const TSection *s = findSection(section)) {
        for (const TEntry &e : s->entries)
            keys.append(e.key);
    }
    return keys;
}

QString TLangIniFile::ReadString(const QString &section, const QString &key,
                                 const QString &defaultValue) const
{
    if (const TSection *s = findSection(section)) {
        for (const TEntry &e : s->entries) {
            if (sameText(e.key, key))
                return e.value;
        }
    }
    return defaultValue;
}
