// A file the writers produce must load again, whatever the lists hold and
// whatever encoding they were read in: the working files are written at every
// save and read at the next start, and a file that does not load there takes
// the user's list with it.

#include "zapit_test_support.h"

#include "core/util/messages.h"
#include "core/util/str_utils.h"
#include "core/zapit/dialects.h"
#include "core/zapit/writer.h"
#include "core/zapit/xml_file_handler.h"
#include "core/zapit/zapit_load.h"
#include "platform/text_codec.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <array>
#include <memory>
#include <ostream>

using namespace zapit_test;

namespace {

// Characters XML 1.0 cannot hold, not even as a character reference.
struct BadText {
    const char *label;
    QString value;
    QString clean; // what must come back
};

QString withUnit(char16_t unit)
{
    return QStringLiteral("ctl") + QChar(unit) + QStringLiteral("x");
}

const BadText kBadTexts[] = {
    {"nul", withUnit(0x0000), "ctlx"},
    {"start_of_heading", withUnit(0x0001), "ctlx"},
    {"backspace", withUnit(0x0008), "ctlx"},
    {"vertical_tab", withUnit(0x000B), "ctlx"},
    {"form_feed", withUnit(0x000C), "ctlx"},
    {"escape", withUnit(0x001B), "ctlx"},
    {"unit_separator", withUnit(0x001F), "ctlx"},
    {"u_fffe", withUnit(0xFFFE), "ctlx"},
    {"u_ffff", withUnit(0xFFFF), "ctlx"},
    {"lone_high_surrogate", withUnit(0xD800), "ctlx"},
    {"lone_low_surrogate", withUnit(0xDFFF), "ctlx"},
    {"high_surrogate_at_the_end", QStringLiteral("ctlx") + QChar(0xDBFF), "ctlx"},
    {"swapped_pair", QStringLiteral("ctl") + QChar(0xDC00) + QChar(0xD83D) + u'x', "ctlx"},
    {"every_kind_at_once",
     QString(QChar(0x0001)) + QStringLiteral("a&") + QChar(0x0000) + QChar(0xFFFF)
         + QStringLiteral("\tb") + QChar(0xD800) + QChar(0xD83D) + QChar(0xDE00) + u'c'
         + QChar(0x001F),
     QStringLiteral("a&\tb") + QChar(0xD83D) + QChar(0xDE00) + u'c'},
};

void PrintTo(const BadText &text, std::ostream *os)
{
    *os << text.label;
}

const char *const kEncodings[] = {"UTF-8", "ISO-8859-1", "windows-1252"};

QString kindName(ZapitKind kind)
{
    switch (kind) {
    case ZapitKind::Services: return QStringLiteral("services");
    case ZapitKind::MyServices: return QStringLiteral("myservices");
    case ZapitKind::Bouquets: return QStringLiteral("bouquets");
    }
    return {};
}

bool isFlag(ZapitField field)
{
    return field == ZapitField::BouquetHidden || field == ZapitField::BouquetLocked;
}

// A plain value for every field but `target`, which gets `value`.
template <typename Object>
void fill(Object &object, const LevelSpec &level, ZapitField target, const QString &value)
{
    for (const AttributeSpec &a : level.attributes) {
        if (isFlag(a.field))
            continue;
        const QString plain = QString::number(int(a.field)) + u'v';
        setZapitField(object, a.field, a.field == target ? value : plain);
    }
}

// One element on each of the upper `levels` levels of the dialect; an empty
// list for none.
std::unique_ptr<TServiceList> serviceTree(const DialectSpec &dialect, ZapitField target,
                                          const QString &value, int levels = 3)
{
    auto list = std::make_unique<TServiceList>();
    if (levels < 1)
        return list;
    auto satelite = std::make_unique<TSatelite>();
    fill(*satelite, dialect.levels[0], target, value);
    if (levels >= 2) {
        auto transponder = std::make_unique<TTransponder>();
        fill(*transponder, dialect.levels[1], target, value);
        if (levels >= 3) {
            auto service = std::make_unique<TService>();
            fill(*service, dialect.levels[2], target, value);
            transponder->AddService(std::move(service));
        }
        satelite->AddTransponder(std::move(transponder));
    }
    list->AddSatelite(std::move(satelite));
    return list;
}

std::unique_ptr<TBouquetList> bouquetTree(const DialectSpec &dialect, ZapitField target,
                                          const QString &value, int levels = 2)
{
    auto list = std::make_unique<TBouquetList>();
    if (levels < 1)
        return list;
    auto bouquet = std::make_unique<TBouquet>();
    fill(*bouquet, dialect.levels[0], target, value);
    bouquet->Hidden = true;
    if (levels >= 2) {
        auto entry = std::make_unique<TBouquetService>();
        fill(*entry, dialect.levels[1], target, value);
        bouquet->Add(std::move(entry));
    }
    list->Add(std::move(bouquet));
    return list;
}

// Writes a tree with `value` in `target`, reads it back; empty when the
// file read back holds what the tree with `clean` in `target` holds.
QString roundTrip(const QString &folder, const DialectSpec &dialect, ZapitField target,
                  const QString &encoding, const BadText &text)
{
    const QString path = folder + QStringLiteral("/list.xml");
    const FieldSet carried = carriedFields(kindName(dialect.kind), dialect.number);
    QString error;
    QStringList got;
    QStringList expected;
    const QString creator = QStringLiteral("Pelloran ") + text.value;
    if (dialect.kind == ZapitKind::Bouquets) {
        const auto written = bouquetTree(dialect, target, text.value);
        if (!writeZapitFile(dialect, path, encoding, error, *written, creator))
            return QStringLiteral("write: ") + error;
        TBouquetList back;
        if (!loadZapitFile(path, back, error))
            return QStringLiteral("load: ") + error;
        got = dump(back, carried);
        expected = dump(*bouquetTree(dialect, target, text.clean), carried);
    } else {
        const auto written = serviceTree(dialect, target, text.value);
        if (!writeZapitFile(dialect, path, encoding, error, *written, creator))
            return QStringLiteral("write: ") + error;
        TServiceList back;
        if (!loadZapitFile(dialect.kind, path, back, error))
            return QStringLiteral("load: ") + error;
        got = dump(back, carried);
        expected = dump(*serviceTree(dialect, target, text.clean), carried);
    }
    return got == expected ? QString()
                           : QStringLiteral("read back\n  ") + got.join(u"\n  ")
            + QStringLiteral("\nexpected\n  ") + expected.join(u"\n  ");
}

class CharactersXmlCannotHold : public testing::TestWithParam<BadText>
{
protected:
    QTemporaryDir m_dir;
};

TEST_P(CharactersXmlCannotHold, AreLeftOutOfEveryFieldOfEveryDialectAndTheFileLoadsAgain)
{
    int checked = 0;
    for (ZapitKind kind : {ZapitKind::Services, ZapitKind::MyServices, ZapitKind::Bouquets}) {
        for (const DialectSpec &dialect : zapitDialects(kind)) {
            for (int level = 0; level < dialect.depth; ++level) {
                for (const AttributeSpec &a : dialect.levels[std::size_t(level)].attributes) {
                    if (isFlag(a.field))
                        continue;
                    for (const char *encoding : kEncodings) {
                        const QString failure = roundTrip(m_dir.path(), dialect, a.field,
                                                          QLatin1String(encoding), GetParam());
                        EXPECT_TRUE(failure.isEmpty())
                            << kindName(kind).toStdString() << " dialect " << dialect.number
                            << ", attribute " << a.name << ", " << encoding << ": "
                            << failure.toStdString();
                        ++checked;
                    }
                }
            }
        }
    }
    EXPECT_GT(checked, 200);
}

INSTANTIATE_TEST_SUITE_P(Rows, CharactersXmlCannotHold, testing::ValuesIn(kBadTexts),
                         [](const testing::TestParamInfo<BadText> &info) {
                             return std::string(info.param.label);
                         });

// Lists without a service or a bouquet entry, down to the empty list: what
// every dialect writes of them the program reads again. Reopened into its
// list, a file keeps the list's dialect; at the next start a new list reads
// it as the dialect its names show, the first that fits them when several
// do, and that dialect writes the very same file, so nothing is lost.
struct HollowList {
    const char *label;
    ZapitKind kind;
    int levels; // the upper levels that hold an element
    std::array<int, 6> nextStart; // the dialect read, by the dialect written
};

void PrintTo(const HollowList &row, std::ostream *os)
{
    *os << row.label;
}

// As the program loads a file into one of its lists.
bool loadInto(TFrmXMLHandler &handler, ZapitKind kind, const QString &path, TServiceList &list,
              QString &error)
{
    return kind == ZapitKind::MyServices ? handler.LoadMyServices(path, error, list)
                                         : handler.LoadServices(path, error, false, list);
}

bool loadInto(TFrmXMLHandler &handler, ZapitKind, const QString &path, TBouquetList &list,
              QString &error)
{
    return handler.LoadBouquets(path, error, list);
}

class HollowLists : public testing::TestWithParam<HollowList>
{
protected:
    template <typename List>
    void check(const DialectSpec &dialect, const List &written, int nextStart)
    {
        const QString path = m_dir.filePath(QStringLiteral("list.xml"));
        const FieldSet carried = carriedFields(kindName(dialect.kind), dialect.number);
        const QString creator = defaultCreatorCaption();
        const QString encoding = QStringLiteral("UTF-8");
        QString error;
        ASSERT_TRUE(writeZapitFile(dialect, path, encoding, error, written, creator))
            << qPrintable(error);

        List reopened;
        reopened.Format = quint16(dialect.number);
        ASSERT_TRUE(loadInto(m_handler, dialect.kind, path, reopened, error)) << qPrintable(error);
        EXPECT_EQ(reopened.Format, dialect.number);
        EXPECT_EQ(dump(reopened, carried), dump(written, carried));

        List next;
        ASSERT_TRUE(loadInto(m_handler, dialect.kind, path, next, error)) << qPrintable(error);
        EXPECT_EQ(next.Format, nextStart);
        EXPECT_EQ(dump(next, carried), dump(written, carried));
        const DialectSpec *read = findZapitDialect(dialect.kind, next.Format);
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(zapitFileText(*read, encoding, next, creator),
                  zapitFileText(dialect, encoding, written, creator));
    }

    QTemporaryDir m_dir;
    TFrmXMLHandler m_handler{TFrmXMLHandler::Environment{}};
};

TEST_P(HollowLists, LoadAgainInTheirDialect)
{
    const HollowList &row = GetParam();
    const QString name = QStringLiteral("Astra 19.2E");
    for (const DialectSpec &dialect : zapitDialects(row.kind)) {
        SCOPED_TRACE(testing::Message() << "dialect " << dialect.number);
        const int nextStart = row.nextStart[std::size_t(dialect.number - 1)];
        if (row.kind == ZapitKind::Bouquets)
            check(dialect, *bouquetTree(dialect, ZapitField::BouquetName, name, row.levels),
                  nextStart);
        else
            check(dialect, *serviceTree(dialect, ZapitField::SateliteName, name, row.levels),
                  nextStart);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HollowLists,
    testing::Values(
        HollowList{"services_empty", ZapitKind::Services, 0, {1, 1, 1, 1, 1, 1}},
        HollowList{"services_empty_satellite", ZapitKind::Services, 1, {1, 2, 1, 4, 2, 4}},
        HollowList{"services_empty_transponder", ZapitKind::Services, 2, {1, 2, 1, 4, 5, 4}},
        HollowList{"myservices_empty", ZapitKind::MyServices, 0, {1, 1}},
        HollowList{"myservices_empty_satellite", ZapitKind::MyServices, 1, {1, 2}},
        HollowList{"myservices_empty_transponder", ZapitKind::MyServices, 2, {1, 2}},
        // A new bouquets list is of dialect 4.
        HollowList{"bouquets_empty", ZapitKind::Bouquets, 0, {4, 4, 4, 4}},
        HollowList{"bouquets_all_empty", ZapitKind::Bouquets, 1, {1, 4, 4, 4}}),
    [](const testing::TestParamInfo<HollowList> &info) { return std::string(info.param.label); });

// What a services file of one satellite, transponder and service is made of,
// in the encoding it declares.
struct EncodedFile {
    const char *label;
    const char *declared;
    QByteArray bytes;      // the whole file
    QString serviceName;   // as it must read
    const char *savedAs;   // the encoding a save declares and writes
};

void PrintTo(const EncodedFile &file, std::ostream *os)
{
    *os << file.label;
}

QByteArray servicesText(const char *encoding, const QByteArray &name)
{
    return QByteArray("<?xml version=\"1.0\" encoding=\"") + encoding
        + "\"?>\n<zapit>\n<sat name=\"Astra\" diseqc=\"0\">\n<transponder id=\"0001\" "
          "onid=\"0001\" frequency=\"11836000\" inversion=\"0\" symbol_rate=\"27500000\" "
          "fec_inner=\"3\" polarization=\"0\">\n<channel service_id=\"0001\" name=\""
        + name + "\" service_type=\"01\"/>\n</transponder>\n</sat>\n</zapit>\n";
}

// The file as a program writing in that encoding would have made it.
QByteArray encoded(const char *encoding, const QString &name)
{
    const QString text = QString::fromUtf8(
        servicesText(encoding, QString(name).replace(u'&', QStringLiteral("&amp;")).toUtf8()));
    return encodeXmlText(text, QLatin1String(encoding)).value_or(QByteArray());
}

const QString kMixedName = QString::fromUtf8("Z\xC3\xBCrich & \xD0\xA2\xD0\xB5\xD1\x81\xD1\x82");
const QString kLatinName = QString::fromUtf8("Z\xC3\xBCrich & Co");
// The second byte of a Shift_JIS pair may be any of "@[\\]^_`{|}~" and letters.
const QString kJapaneseName = QString::fromUtf8("\xE6\x97\xA5\xE6\x9C\xAC & Z\xC3\xBC");

class DeclaredEncodings : public testing::TestWithParam<EncodedFile>
{
protected:
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }
    QTemporaryDir m_dir;
    TFrmXMLHandler m_handler{TFrmXMLHandler::Environment{}};
};

TEST_P(DeclaredEncodings, ASavedListLoadsAgainInAnEncodingWhoseMarkupIsAscii)
{
    const EncodedFile &row = GetParam();
    ASSERT_FALSE(row.bytes.isEmpty());
    ASSERT_TRUE(writeBytes(path("in.xml"), row.bytes));
    TServiceList loaded;
    QString error;
    ASSERT_TRUE(m_handler.LoadServices(path("in.xml"), error, false, loaded)) << qPrintable(error);
    EXPECT_EQ(loaded.Encoding.toUpper(), QString::fromLatin1(row.declared).toUpper());
    ASSERT_EQ(loaded.GetItem(0)->GetItem(0)->GetItem(0)->Name, row.serviceName);

    ASSERT_TRUE(m_handler.WriteServices(path("saved.xml"), loaded.Format, loaded, error,
                                        loaded.Encoding))
        << qPrintable(error);
    const QByteArray saved = readBytes(path("saved.xml"));
    EXPECT_TRUE(saved.startsWith(QByteArray("<?xml version=\"1.0\" encoding=\"") + row.savedAs
                                 + "\" ?>\n<zapit>\n"))
        << saved.left(80).toStdString();

    // The next start.
    TServiceList again;
    ASSERT_TRUE(m_handler.LoadServices(path("saved.xml"), error, false, again))
        << qPrintable(error);
    EXPECT_EQ(again.Encoding, QString::fromLatin1(row.savedAs));
    EXPECT_EQ(dump(again, carriedFields(QStringLiteral("services"), 1)),
              dump(loaded, carriedFields(QStringLiteral("services"), 1)));

    // And the next save writes the same bytes.
    ASSERT_TRUE(m_handler.WriteServices(path("twice.xml"), again.Format, again, error,
                                        again.Encoding));
    EXPECT_EQ(readBytes(path("twice.xml")), saved);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DeclaredEncodings,
    testing::Values(
        // "<" and "&" are direct characters in UTF-7 only when the writer
        // chooses so; a save in UTF-7 writes "+ADw-?xml".
        EncodedFile{"utf7", "UTF-7", servicesText("UTF-7", "Z+APw-rich &amp; +BCIENQRBBEI-"),
                    kMixedName, "UTF-8"},
        EncodedFile{"utf7_lower_case", "utf-7", servicesText("utf-7", "Z+APw-rich &amp; Co"),
                    kLatinName, "UTF-8"},
        EncodedFile{"ebcdic_ibm037", "IBM037", encoded("IBM037", kLatinName), kLatinName, "UTF-8"},
        EncodedFile{"ebcdic_cp1047", "CP1047", encoded("CP1047", kMixedName), kMixedName, "UTF-8"},
        EncodedFile{"utf16_with_bom", "UTF-16", encoded("UTF-16", kMixedName), kMixedName, "UTF-8"},
        EncodedFile{"utf16be", "UTF-16BE", encoded("UTF-16BE", kMixedName), kMixedName, "UTF-8"},
        EncodedFile{"utf16le", "UTF-16LE", encoded("UTF-16LE", kMixedName), kMixedName, "UTF-8"},
        // Encodings that write ASCII as ASCII stay as they came.
        EncodedFile{"latin1", "ISO-8859-1", encoded("ISO-8859-1", kLatinName), kLatinName,
                    "ISO-8859-1"},
        EncodedFile{"cyrillic", "ISO-8859-5", encoded("ISO-8859-5", kMixedName), kMixedName,
                    "ISO-8859-5"},
        EncodedFile{"koi8r", "KOI8-R", encoded("KOI8-R", kMixedName), kMixedName, "KOI8-R"},
        EncodedFile{"shift_jis", "Shift_JIS", encoded("Shift_JIS", kJapaneseName), kJapaneseName,
                    "Shift_JIS"},
        EncodedFile{"utf8", "UTF-8", encoded("UTF-8", kMixedName), kMixedName, "UTF-8"},
        // The parser reads this spelling of Latin-1; no encoder knows it.
        EncodedFile{"spelled_as_only_the_parser_knows", "latin-1",
                    servicesText("latin-1", "Z\xFCrich &amp; Co"), kLatinName, "UTF-8"}),
    [](const testing::TestParamInfo<EncodedFile> &info) { return std::string(info.param.label); });

TEST(EncodingsOfWrittenFiles, AreSortedByHowTheyWriteAscii)
{
    for (const char *name : {"UTF-8", "utf8", "ISO-8859-1", "windows-1252", "KOI8-R", "Shift_JIS",
                             "US-ASCII"})
        EXPECT_EQ(asciiInEncoding(QLatin1String(name)), AsciiInEncoding::Itself) << name;
    for (const char *name : {"UTF-7", "UTF-16", "UTF-16LE", "UTF-32", "UCS-2", "IBM037", "CP1047"})
        EXPECT_EQ(asciiInEncoding(QLatin1String(name)), AsciiInEncoding::Changed) << name;
    for (const char *name : {"x-unknown-charset", "", "ASCII//TRANSLIT"})
        EXPECT_EQ(asciiInEncoding(QLatin1String(name)), AsciiInEncoding::Unknown) << name;
}

} // namespace
