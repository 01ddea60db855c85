#include "core/zapit/writer.h"

#include "core/model/bouquet_list.h"
#include "core/model/service_list.h"
#include "core/util/messages.h"
#include "core/util/str_utils.h"
#include "platform/atomic_file.h"
#include "platform/text_codec.h"

#include <algorithm>

namespace {

constexpr qsizetype kBytesPerLineGuess = 96;

bool needsEscaping(QChar c)
{
    switch (c.unicode()) {
    case u'&':
    case u'<':
    case u'>':
    case u'"':
    case u'\'':
        return true;
    default:
        // Controls (TAB, CR and LF among them) and every surrogate or
        // non-character go the slow way, where cleanXmlText decides.
        return c.unicode() < 0x20 || c.isSurrogate() || c.unicode() >= 0xFFFE;
    }
}

// Values are escaped whole: the five markup characters as entities, and TAB,
// CR and LF as character references, since a reader turns them into blanks.
// Characters no XML file can hold are left out, so a file written here always
// loads again.
void appendEscaped(QString &out, const QString &value)
{
    if (std::none_of(value.cbegin(), value.cend(), needsEscaping)) {
        out += value;
        return;
    }
    for (QChar c : convertCharactersToXmlEntities(cleanXmlText(value))) {
        switch (c.unicode()) {
        case u'\t': out += u"&#9;"; break;
        case u'\n': out += u"&#10;"; break;
        case u'\r': out += u"&#13;"; break;
        default: out += c;
        }
    }
}

// A caption holding "--" would end the comment early.
QString commentSafe(const QString &caption)
{
    QString text = cleanXmlText(caption);
    const QString dashes = QStringLiteral("--");
    while (text.contains(dashes))
        text.replace(dashes, QStringLiteral("- -"));
    return text;
}

// A list is written in the encoding of the file it was read from, when that
// encoding writes ASCII as ASCII. Otherwise (UTF-7, UTF-16, EBCDIC) a reader
// could not even read the declaration, and the saved file would never load
// again; and a name only the parser knows ("latin-1") cannot be written at
// all. Such lists, and lists that name no encoding, are written in UTF-8.
QString declaredEncoding(const QString &encoding)
{
    return asciiInEncoding(encoding) == AsciiInEncoding::Itself ? encoding
                                                                : QStringLiteral("UTF-8");
}

class LineBuilder
{
public:
    LineBuilder(const DialectSpec &dialect, const QString &encoding, const QString &creator,
                qsizetype expectedLines)
        : m_dialect(dialect)
    {
        m_text.reserve(expectedLines * kBytesPerLineGuess);
        m_text += u"<?xml version=\"1.0\" encoding=\"";
        m_text += declaredEncoding(encoding);
        m_text += u"\" ?>\n<zapit>\n<!--\n    Settings created by ";
        m_text += dialect.kind == ZapitKind::MyServices ? defaultCreatorCaption()
                                                        : commentSafe(creator);
        m_text += u"\n//-->\n";
    }

    template <typename Object>
    void open(int level, int indent, const Object &object, bool selfClosing)
    {
        const LevelSpec &spec = m_dialect.levels[std::size_t(level - 1)];
        m_text += QString(indent, u'\t');
        m_text += u'<';
        m_text += QLatin1String(spec.element);
        for (const AttributeSpec &a : spec.attributes) {
            // An empty action is written as such (action=""): the receiver
            // ignores that channel, whereas one without the attribute is an add.
            m_text += u' ';
            m_text += QLatin1String(a.name);
            m_text += u"=\"";
            appendEscaped(m_text, zapitField(object, a.field));
            m_text += u'"';
        }
        m_text += selfClosing ? QStringView(u" />\n") : QStringView(u">\n");
    }

    void close(int level, int indent)
    {
        m_text += QString(indent, u'\t');
        m_text += u"</";
        m_text += QLatin1String(m_dialect.levels[std::size_t(level - 1)].element);
        m_text += u">\n";
    }

    QString finish()
    {
        m_text += u"</zapit>\n";
        return std::move(m_text);
    }

private:
    const DialectSpec &m_dialect;
    QString m_text;
};

qsizetype serviceCount(const TServiceList &list)
{
    qsizetype count = 0;
    list.forEachService([&](TService *, TTransponder *, TSatelite *) { ++count; });
    return count;
}

bool saveEncoded(const QString &fileName, const QString &encoding, const QString &text,
                 QString &errorText)
{
    errorText.clear();
    const auto bytes = encodeXmlText(text, declaredEncoding(encoding));
    AtomicFile file(fileName);
    if (!bytes || !file.open(QIODevice::WriteOnly) || file.write(*bytes) != bytes->size()
        || !file.commit()) {
        errorText = msg(MsgXmlNotCreated);
        return false;
    }
    return true;
}

bool writeServices(ZapitKind kind, int number, const QString &fileName, const QString &encoding,
                   QString &errorText, const TServiceList &list, const QString &creator)
{
    return writeZapitFile(*findZapitDialect(kind, number), fileName, encoding, errorText, list,
                          creator);
}

bool writeBouquets(int number, const QString &fileName, const QString &encoding,
                   QString &errorText, const TBouquetList &list, const QString &creator)
{
    return writeZapitFile(*findZapitDialect(ZapitKind::Bouquets, number), fileName, encoding,
                          errorText, list, creator);
}

} // namespace

QString defaultCreatorCaption()
{
    return QStringLiteral("Pelloran");
}

QString zapitFileText(const DialectSpec &dialect, const QString &encoding,
                      const TServiceList &list, const QString &creator)
{
    LineBuilder lines(dialect, encoding, creator, serviceCount(list));
    for (int s = 0; s < list.Count(); ++s) {
        const TSatelite *sat = list.GetItem(s);
        lines.open(1, 1, *sat, false);
        for (int t = 0; t < sat->Count(); ++t) {
            const TTransponder *tp = sat->GetItem(t);
            lines.open(2, 2, *tp, false);
            for (int v = 0; v < tp->Count(); ++v)
                lines.open(3, 3, *tp->GetItem(v), true);
            lines.close(2, 2);
        }
        lines.close(1, 1);
    }
    return lines.finish();
}

QString zapitFileText(const DialectSpec &dialect, const QString &encoding,
                      const TBouquetList &list, const QString &creator)
{
    LineBuilder lines(dialect, encoding, creator, list.Count());
    for (int b = 0; b < list.Count(); ++b) {
        const TBouquet *bouquet = list.GetItem(b);
        lines.open(1, 1, *bouquet, false);
        // Entries stand three TABs deep, one more than their level.
        for (int e = 0; e < bouquet->Count(); ++e)
            lines.open(2, 3, *bouquet->GetItem(e), true);
        lines.close(1, 1);
    }
    return lines.finish();
}

bool writeZapitFile(const DialectSpec &dialect, const QString &fileName, const QString &encoding,
                    QString &errorText, const TServiceList &list, const QString &creator)
{
    return saveEncoded(fileName, encoding, zapitFileText(dialect, encoding, list, creator),
                       errorText);
}

bool writeZapitFile(const DialectSpec &dialect, const QString &fileName, const QString &encoding,
                    QString &errorText, const TBouquetList &list, const QString &creator)
{
    return saveEncoded(fileName, encoding, zapitFileText(dialect, encoding, list, creator),
                       errorText);
}

// clang-format off
bool WriteServicesType01(const QString &f, const QString &e, QString &err, const TServiceList &l, const QString &c) { return writeServices(ZapitKind::Services, 1, f, e, err, l, c); }
bool WriteServicesType02(const QString &f, const QString &e, QString &err, const TServiceList &l, const QString &c) { return writeServices(ZapitKind::Services, 2, f, e, err, l, c); }
bool WriteServicesType03(const QString &f, const QString &e, QString &err, const TServiceList &l, const QString &c) { return writeServices(ZapitKind::Services, 3, f, e, err, l, c); }
bool WriteServicesType04(const QString &f, const QString &e, QString &err, const TServiceList &l, const QString &c) { return writeServices(ZapitKind::Services, 4, f, e, err, l, c); }
bool WriteServicesType05(const QString &f, const QString &e, QString &err, const TServiceList &l, const QString &c) { return writeServices(ZapitKind::Services, 5, f, e, err, l, c); }
bool WriteServicesType06(const QString &f, const QString &e, QString &err, const TServiceList &l, const QString &c) { return writeServices(ZapitKind::Services, 6, f, e, err, l, c); }
bool WriteMyServicesType01(const QString &f, const QString &e, QString &err, const TServiceList &l) { return writeServices(ZapitKind::MyServices, 1, f, e, err, l, defaultCreatorCaption()); }
bool WriteMyServicesType02(const QString &f, const QString &e, QString &err, const TServiceList &l) { return writeServices(ZapitKind::MyServices, 2, f, e, err, l, defaultCreatorCaption()); }
bool WriteBouquetsType01(const QString &f, const QString &e, QString &err, const TBouquetList &l, const QString &c) { return writeBouquets(1, f, e, err, l, c); }
bool WriteBouquetsType02(const QString &f, const QString &e, QString &err, const TBouquetList &l, const QString &c) { return writeBouquets(2, f, e, err, l, c); }
bool WriteBouquetsType03(const QString &f, const QString &e, QString &err, const TBouquetList &l, const QString &c) { return writeBouquets(3, f, e, err, l, c); }
bool WriteBouquetsType04(const QString &f, const QString &e, QString &err, const TBouquetList &l, const QString &c) { return writeBouquets(4, f, e, err, l, c); }
// clang-format on
