#include "zapit_test_support.h"

#include "core/util/messages.h"
#include "core/zapit/writer.h"
#include "core/zapit/zapit_load.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

using namespace zapit_test;

namespace {

// One satellite, transponder and service with the given name.
std::unique_ptr<TServiceList> oneService(const QString &serviceName,
                                         const QString &frequency = QStringLiteral("11836000"))
{
    auto list = std::make_unique<TServiceList>();
    auto sat = std::make_unique<TSatelite>();
    sat->Name = QStringLiteral("Astra");
    auto tp = std::make_unique<TTransponder>();
    tp->Frequency = frequency;
    auto service = std::make_unique<TService>();
    service->Name = serviceName;
    service->SetServiceType(QStringLiteral("01"));
    tp->AddService(std::move(service));
    sat->AddTransponder(std::move(tp));
    list->AddSatelite(std::move(sat));
    return list;
}

class Writers : public testing::Test
{
protected:
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }
    QTemporaryDir m_dir;
};

TEST_F(Writers, EmptyListGivesTheSixLines)
{
    TServiceList list;
    QString error;
    ASSERT_TRUE(WriteServicesType04(path("e.xml"), QStringLiteral("UTF-8"), error, list,
                                    QStringLiteral("Pelloran 2.0")));
    EXPECT_EQ(readBytes(path("e.xml")),
              QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<zapit>\n<!--\n"
                         "    Settings created by Pelloran 2.0\n//-->\n</zapit>\n"));
}

TEST_F(Writers, MyServicesNameTheProgramAloneAndCaptionsCannotEndTheComment)
{
    TServiceList list;
    QString error;
    ASSERT_TRUE(WriteMyServicesType01(path("m.xml"), QStringLiteral("UTF-8"), error, list));
    EXPECT_TRUE(readBytes(path("m.xml")).contains("    Settings created by Pelloran\n"));
    ASSERT_TRUE(WriteBouquetsType02(path("b.xml"), QStringLiteral("UTF-8"), error, TBouquetList(),
                                    QStringLiteral("Pelloran -- beta")));
    EXPECT_TRUE(readBytes(path("b.xml")).contains("Settings created by Pelloran - - beta\n"));
}

struct EncodingCase {
    const char *label;
    const char *encoding;
    QByteArray declared;
    QByteArray name; // how "Zürich Тест" is written
};

class WriterEncodings : public Writers, public testing::WithParamInterface<EncodingCase> {};

TEST_P(WriterEncodings, EncodeIntoTheDeclaredEncodingAndReadBack)
{
    const QString name = QString::fromUtf8("Z\xC3\xBCrich \xD0\xA2\xD0\xB5\xD1\x81\xD1\x82");
    auto list = oneService(name);
    QString error;
    ASSERT_TRUE(WriteServicesType01(path("s.xml"), QString::fromLatin1(GetParam().encoding), error,
                                    *list));
    const QByteArray bytes = readBytes(path("s.xml"));
    EXPECT_TRUE(bytes.startsWith("<?xml version=\"1.0\" encoding=\"" + GetParam().declared
                                 + "\" ?>\n"))
        << bytes.left(60).toStdString();
    EXPECT_TRUE(bytes.contains("name=\"" + GetParam().name + "\"")) << bytes.toStdString();

    TServiceList back;
    ASSERT_TRUE(loadZapitFile(ZapitKind::Services, path("s.xml"), back, error))
        << error.toStdString();
    EXPECT_EQ(back.GetItem(0)->GetItem(0)->GetItem(0)->Name, name);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WriterEncodings,
    testing::Values(
        EncodingCase{"utf8", "UTF-8", "UTF-8",
                     "Z\xC3\xBCrich \xD0\xA2\xD0\xB5\xD1\x81\xD1\x82"},
        EncodingCase{"utf8_lower_case", "utf-8", "utf-8",
                     "Z\xC3\xBCrich \xD0\xA2\xD0\xB5\xD1\x81\xD1\x82"},
        EncodingCase{"empty_is_utf8", "", "UTF-8",
                     "Z\xC3\xBCrich \xD0\xA2\xD0\xB5\xD1\x81\xD1\x82"},
        EncodingCase{"latin1_with_references", "ISO-8859-1", "ISO-8859-1",
                     "Z\xFCrich &#1058;&#1077;&#1089;&#1090;"},
        EncodingCase{"latin1_lower_case", "iso-8859-1", "iso-8859-1",
                     "Z\xFCrich &#1058;&#1077;&#1089;&#1090;"},
        EncodingCase{"windows1252", "windows-1252", "windows-1252",
                     "Z\xFCrich &#1058;&#1077;&#1089;&#1090;"}),
    [](const testing::TestParamInfo<EncodingCase> &info) { return std::string(info.param.label); });

// A list keeps the encoding of its file only when the writer can write it and
// its markup stays ASCII; otherwise the saved file could not be read again.
TEST_F(Writers, EncodingsThatCannotBeWrittenOrReadBackGiveUtf8)
{
    const QString name = QString::fromUtf8("Z\xC3\xBCrich \xD0\xA2\xD0\xB5\xD1\x81\xD1\x82");
    for (const char *encoding : {"x-unknown-charset", "ASCII//TRANSLIT", "latin-1", "UTF-7",
                                 "UTF-16", "UTF-32", "UCS-2", "IBM037"}) {
        QString error;
        ASSERT_TRUE(WriteServicesType01(path("s.xml"), QLatin1String(encoding), error,
                                        *oneService(name)))
            << encoding;
        const QByteArray bytes = readBytes(path("s.xml"));
        EXPECT_TRUE(bytes.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<zapit>\n"))
            << encoding << ": " << bytes.left(60).toStdString();
        EXPECT_TRUE(bytes.contains("name=\"" + name.toUtf8() + "\"")) << encoding;
        TServiceList back;
        ASSERT_TRUE(loadZapitFile(ZapitKind::Services, path("s.xml"), back, error))
            << encoding << ": " << error.toStdString();
        EXPECT_EQ(back.GetItem(0)->GetItem(0)->GetItem(0)->Name, name) << encoding;
    }
}

TEST_F(Writers, UnwritableTargetsFailWithTheDesignedText)
{
    QString error;
    EXPECT_FALSE(WriteServicesType01(path("missing/s.xml"), QStringLiteral("UTF-8"), error,
                                     *oneService(QStringLiteral("A"))));
    EXPECT_EQ(error, msg(MsgXmlNotCreated));
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("folder")));
    error.clear();
    EXPECT_FALSE(WriteBouquetsType04(path("folder"), QStringLiteral("UTF-8"), error, TBouquetList()));
    EXPECT_EQ(error, msg(MsgXmlNotCreated));
}

TEST_F(Writers, EveryValueIsEscapedAndReadsBackUnchanged)
{
    const QString name = QStringLiteral("A&B <C> \"D\" 'E'\tF\nG\rH");
    auto list = oneService(name, QStringLiteral("1&2<3"));
    list->GetItem(0)->Diseqc = QStringLiteral("\"0\"");
    QString error;
    ASSERT_TRUE(WriteServicesType01(path("s.xml"), QStringLiteral("UTF-8"), error, *list));
    const QByteArray bytes = readBytes(path("s.xml"));
    EXPECT_TRUE(bytes.contains("frequency=\"1&amp;2&lt;3\""));
    EXPECT_TRUE(bytes.contains("name=\"A&amp;B &lt;C&gt; &quot;D&quot; &apos;E&apos;&#9;F&#10;G&#13;H\""));
    TServiceList back;
    ASSERT_TRUE(loadZapitFile(ZapitKind::Services, path("s.xml"), back, error))
        << error.toStdString();
    const FieldSet all = carriedFields(QStringLiteral("services"), 1);
    EXPECT_EQ(dump(back, all), dump(*list, all));
}

TEST_F(Writers, DialectNumbersOutsideTheKindAreRefused)
{
    QString error;
    for (int number : {0, 7, -1}) {
        EXPECT_FALSE(writeZapitDialect(ZapitKind::Services, number, path("x.xml"),
                                       QStringLiteral("UTF-8"), error, TServiceList(),
                                       defaultCreatorCaption()));
        EXPECT_EQ(error, msg(MsgXmlFormatUnknown));
    }
    EXPECT_FALSE(writeZapitDialect(ZapitKind::MyServices, 3, path("x.xml"), QString(), error,
                                   TServiceList(), defaultCreatorCaption()));
    EXPECT_FALSE(writeZapitDialect(5, path("x.xml"), QString(), error, TBouquetList(),
                                   defaultCreatorCaption()));
    EXPECT_FALSE(QFile::exists(path("x.xml")));
}

TEST_F(Writers, EveryServiceIsWrittenWhateverItsFlags)
{
    auto list = oneService(QStringLiteral("A"));
    TService *first = list->GetItem(0)->GetItem(0)->GetItem(0);
    first->Obsolete = true;
    first->Marked = true;
    auto data = std::make_unique<TService>();
    data->Name = QStringLiteral("Data");
    data->SetServiceType(QStringLiteral("0c"));
    list->GetItem(0)->GetItem(0)->AddService(std::move(data));
    QString error;
    ASSERT_TRUE(WriteServicesType02(path("s.xml"), QStringLiteral("UTF-8"), error, *list));
    EXPECT_EQ(readBytes(path("s.xml")).count("<channel "), 2);
}

} // namespace
