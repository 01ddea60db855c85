#include "core/model/bouquet_list.h"
#include "core/model/service_list.h"
#include "core/util/prompts.h"
#include "core/util/sys_utils.h"
#include "core/zapit/xml_file_handler.h"

#include "script_server.h"
#include "zapit_test_support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using zapit_test::fixturesDir;
using zapit_test::readBytes;
using zapit_test::writeBytes;

namespace {

const QString kZapit = QStringLiteral("/var/tuxbox/config/zapit");

QString fixture(const char *name)
{
    return fixturesDir(QStringLiteral("zapit")) + u'/' + QLatin1String(name);
}

// Scripted answers to the file dialogs, and a record of the questions.
class ScriptedPrompts : public TPrompts
{
public:
    int messageBox(TMsgKind, const QString &text, int buttons) override
    {
        asked << QStringList{QStringLiteral("message"), text};
        return buttons & mbOK ? mbOK : mbCancel;
    }
    QString openFileName(const QString &title, const QString &filter, const QString &folder,
                         const QString &fileName) override
    {
        asked << QStringList{QStringLiteral("open"), title, filter, folder, fileName};
        return answer;
    }
    QString saveFileName(const QString &title, const QString &filter, const QString &folder,
                         const QString &fileName) override
    {
        asked << QStringList{QStringLiteral("save"), title, filter, folder, fileName};
        if (onSave)
            onSave();
        return answer;
    }

    QString answer;
    std::function<void()> onSave;
    QList<QStringList> asked;
};

class StatusLine : public TStatusSink
{
public:
    void ShowStatus(const QString &text) override { lines << text; }
    QStringList lines;
};

class XmlFileHandler : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(program.isValid() && work.isValid());
        TFrmXMLHandler::Environment env;
        env.status = &status;
        env.prompts = &prompts;
        env.receiver = [this] { return access; };
        env.newsFolder = program.path();
        env.lastImportDir = &lastImportDir;
        env.connectTimeoutSeconds = 5;
        env.stallSeconds = 5;
        handler = std::make_unique<TFrmXMLHandler>(env);
    }

    QString path(const QString &name) const { return work.filePath(name); }

    QTemporaryDir program;
    QTemporaryDir work;
    StatusLine status;
    ScriptedPrompts prompts;
    TReceiverAccess access{QStringLiteral("127.000.000.001"), QStringLiteral("root"),
                           QStringLiteral("dbox2"), 1};
    QString lastImportDir;
    std::unique_ptr<TFrmXMLHandler> handler;
};

TEST_F(XmlFileHandler, LoadsEveryKindAndReportsTheSteps)
{
    TServiceList services;
    QString error = QStringLiteral("stale");
    ASSERT_TRUE(handler->LoadServices(fixture("services.1.astra-canonical.xml"), error, false,
                                      services))
        << error.toStdString();
    EXPECT_TRUE(error.isEmpty());
    EXPECT_GT(services.Count(), 0);
    EXPECT_EQ(services.Format, 1);
    EXPECT_EQ(status.lines,
              QStringList({"Detecting XML format...", "Loading XML file...", "Done."}));
    // Without compare no news are written.
    EXPECT_FALSE(QFile::exists(program.filePath("NewServices.dat")));

    TServiceList my;
    ASSERT_TRUE(handler->LoadMyServices(fixture("myservices.2.cable-canonical.xml"), error, my));
    EXPECT_EQ(my.Format, 2);
    TBouquetList bouquets;
    ASSERT_TRUE(handler->LoadBouquets(fixture("bouquets.3.sat-canonical.xml"), error, bouquets));
    EXPECT_EQ(bouquets.Format, 3);
    EXPECT_GT(bouquets.Count(), 0);
}

TEST_F(XmlFileHandler, FailedLoadsLeaveThePreviousListsAlone)
{
    TServiceList services;
    TServiceList my;
    TBouquetList bouquets;
    QString error;
    ASSERT_TRUE(handler->LoadServices(fixture("services.6.numbered-canonical.xml"), error, false,
                                      services));
    ASSERT_TRUE(handler->LoadMyServices(fixture("myservices.1.sat-canonical.xml"), error, my));
    ASSERT_TRUE(handler->LoadBouquets(fixture("bouquets.1.sat-canonical.xml"), error, bouquets));
    const int satelites = services.Count();
    const int mySatelites = my.Count();
    const int bouquetCount = bouquets.Count();

    const struct {
        const char *file;
        const char *firstLine;
    } failures[] = {
        {"no-such-file.xml", "XML file not found!"},
        {"services.0.corrupt-mismatched-tags.xml", "XML file is corrupt!"},
        {"services.0.unknown-names.xml", "XML format unknown!"},
        {"services.0.unknown-attribute.xml", "XML format unknown!"},
    };
    for (const auto &f : failures) {
        const QString file = fixture(f.file);
        EXPECT_FALSE(handler->LoadServices(file, error, true, services)) << f.file;
        EXPECT_EQ(error.section(u'\r', 0, 0), QLatin1String(f.firstLine)) << f.file;
        EXPECT_FALSE(handler->LoadMyServices(file, error, my)) << f.file;
        EXPECT_FALSE(handler->LoadBouquets(file, error, bouquets)) << f.file;
        EXPECT_EQ(services.Count(), satelites) << f.file;
        EXPECT_EQ(services.Format, 6) << f.file;
        EXPECT_EQ(my.Count(), mySatelites) << f.file;
        EXPECT_EQ(bouquets.Count(), bouquetCount) << f.file;
    }
    EXPECT_FALSE(QFile::exists(program.filePath("NewServices.dat")));
}

TEST(XmlFileHandlerNews, UnwritableNewsKeepThePreviousList)
{
    QTemporaryDir work;
    TFrmXMLHandler::Environment env;
    env.newsFolder = work.filePath("no/such/folder");
    TFrmXMLHandler handler(env);
    TServiceList services;
    QString error;
    ASSERT_TRUE(handler.LoadServices(fixture("services.1.astra-canonical.xml"), error, false,
                                     services));
    int before = 0;
    services.forEachService([&](TService *, TTransponder *, TSatelite *) { ++before; });
    EXPECT_FALSE(handler.LoadServices(fixture("services.6.numbered-canonical.xml"), error, true,
                                      services));
    EXPECT_TRUE(error.startsWith(u"The import news file ")) << error.toStdString();
    int after = 0;
    services.forEachService([&](TService *, TTransponder *, TSatelite *) { ++after; });
    EXPECT_EQ(after, before);
    EXPECT_EQ(services.Format, 1);
}

TEST_F(XmlFileHandler, CorruptFileNamesTheParserMessageLast)
{
    TServiceList services;
    QString error;
    EXPECT_FALSE(handler->LoadServices(fixture("services.0.corrupt-truncated.xml"), error, false,
                                       services));
    const QStringList lines = error.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[0], "XML file is corrupt!");
    EXPECT_EQ(lines[3], "XML Parser Message:");
    EXPECT_FALSE(lines.last().isEmpty());
}

TEST_F(XmlFileHandler, WritesOnlyKnownDialects)
{
    TServiceList services;
    QString error;
    for (int dialect : {0, 7}) {
        const QString file = path(QStringLiteral("out%1.xml").arg(dialect));
        EXPECT_FALSE(handler->WriteServices(file, dialect, services, error, "UTF-8"));
        EXPECT_EQ(error, "XML format unknown!");
        EXPECT_FALSE(QFile::exists(file));
    }
    TBouquetList bouquets;
    EXPECT_FALSE(handler->WriteBouquets(path("b.xml"), 5, bouquets, error, "UTF-8"));
    EXPECT_FALSE(handler->WriteMyServices(path("m.xml"), 3, services, error, "UTF-8"));
    EXPECT_TRUE(handler->WriteBouquets(path("b.xml"), 4, bouquets, error, "UTF-8"));
}

TEST_F(XmlFileHandler, LocalSourcesGoThroughTheOpenDialog)
{
    QString name = work.filePath("lists/services.xml");
    QString error = QStringLiteral("stale");
    EXPECT_FALSE(handler->GetFile(name, QStringLiteral("Open services"), error));
    EXPECT_TRUE(error.isEmpty());
    ASSERT_EQ(prompts.asked.size(), 1);
    EXPECT_EQ(prompts.asked[0],
              QStringList({"open", "Open services", "XML (*.xml)", work.filePath("lists"),
                           "services.xml"}));

    prompts.answer = fixture("services.4.position-canonical.xml");
    TServiceList services;
    ASSERT_TRUE(handler->OpenServices(name, QStringLiteral("Open services"), services, error));
    EXPECT_EQ(services.Format, 4);
    EXPECT_EQ(lastImportDir, fixturesDir("zapit"));
    // Every open compares: the news files are there.
    EXPECT_TRUE(QFile::exists(program.filePath("NewServices.dat")));
}

TEST_F(XmlFileHandler, SaveToLocalWritesTheFileBeforeAsking)
{
    TBouquetList bouquets;
    QString error;
    ASSERT_TRUE(handler->LoadBouquets(fixture("bouquets.2.cable-canonical.xml"), error, bouquets));
    const QString target = path("export/bouquets.xml");
    QDir().mkpath(path("export"));
    const QString temp = getTempDir() + "bouquets.xml";
    QFile::remove(temp);
    bool writtenBeforeAsking = false;
    prompts.onSave = [&] { writtenBeforeAsking = QFileInfo(temp).size() > 0; };
    prompts.answer = target;
    ASSERT_TRUE(handler->SaveBouquets(target, QStringLiteral("Save"), bouquets, error, "UTF-8", 2))
        << error.toStdString();
    EXPECT_TRUE(writtenBeforeAsking);
    EXPECT_EQ(readBytes(target), readBytes(fixture("bouquets.2.cable-canonical.xml")));
    EXPECT_EQ(lastImportDir, path("export"));

    prompts.answer = path("no-such-folder/bouquets.xml");
    EXPECT_FALSE(handler->SaveBouquets(target, QStringLiteral("Save"), bouquets, error, "UTF-8", 2));
    EXPECT_EQ(error, "Failed to copy file to selected location.");

    prompts.answer.clear();
    EXPECT_FALSE(handler->SaveBouquets(target, QStringLiteral("Save"), bouquets, error, "UTF-8", 2));
    EXPECT_TRUE(error.isEmpty());
}

// A receiver on loopback holding the three zapit files.
class ReceiverTransfer : public XmlFileHandler
{
protected:
    void SetUp() override
    {
        XmlFileHandler::SetUp();
        ASSERT_TRUE(home.isValid());
        QDir().mkpath(home.path() + kZapit);
        for (const auto &[from, to] : {std::pair{"services.1.astra-canonical.xml", "services.xml"},
                                       std::pair{"bouquets.4.position-canonical.xml", "bouquets.xml"}}) {
            ASSERT_TRUE(QFile::copy(fixture(from), home.path() + kZapit + u'/' + QLatin1String(to)));
        }
        server = std::make_unique<ScriptServer>(
            QStringLiteral("ftp_server.py"),
            QStringList{"--root", home.path(), "--user", access.user, "--password", access.password});
        ASSERT_NE(server->port(), 0);
        access.port = server->port();
    }

    QTemporaryDir home;
    std::unique_ptr<ScriptServer> server;
};

TEST_F(ReceiverTransfer, OpenFromTheReceiverLoadsAndWritesNews)
{
    TServiceList services;
    QString error;
    ASSERT_TRUE(handler->OpenServices("FTP:" + kZapit + "/services.xml", "", services, error))
        << error.toStdString();
    EXPECT_GT(services.Count(), 0);
    EXPECT_TRUE(QFile::exists(program.filePath("NewServices.dat")));
    EXPECT_TRUE(QFile::exists(program.filePath("DeletedServices.dat")));
    EXPECT_TRUE(QFile::exists(program.filePath("ChangedServices.dat")));
    EXPECT_EQ(status.lines.mid(0, 4),
              QStringList({"Connecting to box...", "Logging in...",
                           "Getting " + kZapit + "/services.xml...", "Disconnecting..."}));

    TBouquetList bouquets;
    ASSERT_TRUE(handler->OpenBouquets("ftp:" + kZapit + "/bouquets.xml", "", bouquets, error));
    EXPECT_EQ(bouquets.Format, 4);
}

TEST_F(ReceiverTransfer, SaveToTheReceiver)
{
    TServiceList services;
    QString error;
    ASSERT_TRUE(handler->LoadServices(fixture("services.6.numbered-canonical.xml"), error, false,
                                      services));
    ASSERT_TRUE(handler->SaveServices("ftp:" + kZapit + "/services.xml", "", services, error,
                                      services.Encoding, 6))
        << error.toStdString();
    EXPECT_EQ(readBytes(home.path() + kZapit + "/services.xml"),
              readBytes(fixture("services.6.numbered-canonical.xml")));
    EXPECT_EQ(status.lines.last(), "Done.");
}

TEST_F(ReceiverTransfer, FailuresNameTheirStep)
{
    TServiceList services;
    QString error;
    EXPECT_FALSE(handler->OpenServices("ftp:" + kZapit + "/missing.xml", "", services, error));
    EXPECT_EQ(error, "FTP: Getting " + kZapit + "/missing.xml failed.\r\n"
                     "The server has no such file or does not allow access to it.");
    EXPECT_FALSE(handler->OpenServices("ftp:" + kZapit + "/..", "", services, error));
    EXPECT_EQ(error, "FTP: Getting " + kZapit + "/.. failed.");

    access.password = QStringLiteral("wrong");
    EXPECT_FALSE(handler->OpenServices("ftp:" + kZapit + "/services.xml", "", services, error));
    EXPECT_EQ(error, "FTP: Login failed.\r\nLogin refused.");
    EXPECT_FALSE(handler->SaveServices("ftp:" + kZapit + "/x.xml", "", services, error, "UTF-8", 1));
    EXPECT_EQ(error, "FTP: Login failed.\r\nLogin refused.");

    server.reset();
    EXPECT_FALSE(handler->OpenServices("ftp:" + kZapit + "/services.xml", "", services, error));
    EXPECT_EQ(error, "FTP: Connection to 127.000.000.001 failed.\r\nConnection refused.");
    EXPECT_EQ(services.Count(), 0);
}

TEST_F(XmlFileHandler, OpenFromTheWeb)
{
    ScriptServer web(QStringLiteral("http_server.py"), {"--root", fixturesDir("zapit")});
    ASSERT_NE(web.port(), 0);
    TBouquetList bouquets;
    QString error;
    const QString base = QStringLiteral("HTTP://127.0.0.1:%1/").arg(web.port());
    ASSERT_TRUE(handler->OpenBouquets(base + "bouquets.1.sat-canonical.xml", "", bouquets, error))
        << error.toStdString();
    EXPECT_EQ(bouquets.Format, 1);
    EXPECT_FALSE(handler->OpenBouquets(base + "missing", "", bouquets, error));
    EXPECT_EQ(error, "Download failed!\r\nHTTP 404");
    EXPECT_EQ(bouquets.Format, 1);
}

} // namespace
