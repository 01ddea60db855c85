// Which logo an HTML list shows for a service: the first mapping line whose
// mask "name|*" fits, ignoring case, whatever way the look-up is made.

#include "core/export/list_export.h"
#include "core/model/service_list.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QUrl>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(ListExportLogos, TheFirstFittingMappingLineGivesTheLogo)
{
    struct Case {
        const char *service;
        const char *logo; // nullptr: no logo
    };
    const QStringList mapping{
        QStringLiteral("no bar at all"),
        QStringLiteral("DAS ERSTE|5|ard.gif"),
        QStringLiteral("das erste|6|second.gif"),
        QString::fromUtf8("T\xC3\x9CRK|1|turk.gif"),
        QStringLiteral("a|b|ab.gif"),
        QStringLiteral("Shared|2|shared.gif"),
        QStringLiteral("Das|3|das.gif"),
    };
    const Case cases[] = {
        {"Das Erste", "ard.gif"},           // case ignored, the first of two lines
        {"das erste", "ard.gif"},
        {"Das", "das.gif"},                  // a name is not a prefix of a longer one
        {"Das Erst", nullptr},
        {"T\xC3\xBCrk", "turk.gif"},         // beyond ASCII
        {"A|B", "ab.gif"},                   // a "|" in the name
        {"Das*", "ard.gif"},                 // a wildcard in the name
        {"?hared", "shared.gif"},
        {"no bar at all", nullptr},
        {"Shared", "shared.gif"},
        {"Unknown", nullptr},
    };

    TServiceList list;
    auto satelite = std::make_unique<TSatelite>();
    satelite->Name = QStringLiteral("Astra");
    auto transponder = std::make_unique<TTransponder>();
    transponder->Tsid = QStringLiteral("0001");
    int sid = 0;
    for (const Case &c : cases) {
        auto service = std::make_unique<TService>();
        service->Name = QString::fromUtf8(c.service);
        service->Sid = QStringLiteral("%1").arg(++sid, 4, 16, QLatin1Char('0'));
        transponder->AddService(std::move(service));
    }
    satelite->AddTransponder(std::move(transponder));
    list.AddSatelite(std::move(satelite));

    QTemporaryDir program;
    ASSERT_TRUE(QDir(program.path()).mkpath(QStringLiteral("LogoTypes")));
    for (const char *file : {"ard.gif", "second.gif", "turk.gif", "ab.gif", "shared.gif", "das.gif"}) {
        QFile logo(program.filePath(QStringLiteral("LogoTypes/") + QLatin1String(file)));
        ASSERT_TRUE(logo.open(QIODevice::WriteOnly));
        logo.write(file);
    }
    // The image paths are relative URLs: whatever the page is called, they
    // lead a browser to the copied logo, and only there.
    const QRegularExpression imageSource(QStringLiteral("<IMG src=\"([^\"]*)\""));
    for (const char *pageName : {"p.html", "Sport #1 50% AB.html", "Caf\xC3\xA9 ?&+;=.html"}) {
        SCOPED_TRACE(pageName);
        QTemporaryDir out;
        const QString page = out.filePath(QString::fromUtf8(pageName));
        const QString logoFolder = page.chopped(5) + QStringLiteral(".html.Logos/");
        const ExportColumns columns{{QStringLiteral("Logo"), true}, {QStringLiteral("SID"), true}};
        ASSERT_TRUE(ExportHtml(list, page, columns, QColor(Qt::white), QColor(Qt::white), mapping,
                               program.path()));
        QFile file(page);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QStringList rows = QString::fromLatin1(file.readAll()).split(QStringLiteral("</tr>"));

        sid = 0;
        for (const Case &c : cases) {
            SCOPED_TRACE(c.service);
            const QString sidCell = QStringLiteral("\r\n%1\r\n").arg(++sid, 4, 16, QLatin1Char('0'));
            QString row;
            for (const QString &r : rows)
                if (r.contains(sidCell))
                    row = r;
            ASSERT_FALSE(row.isEmpty());
            if (c.logo) {
                const QRegularExpressionMatch source = imageSource.match(row);
                ASSERT_TRUE(source.hasMatch()) << row.toStdString();
                EXPECT_TRUE(source.captured(1).startsWith(QStringLiteral("./"))) << row.toStdString();
                const QUrl url = QUrl(source.captured(1), QUrl::StrictMode);
                ASSERT_TRUE(url.isValid()) << row.toStdString();
                EXPECT_FALSE(url.hasFragment()) << row.toStdString();
                EXPECT_FALSE(url.hasQuery()) << row.toStdString();
                EXPECT_EQ(QUrl::fromLocalFile(page).resolved(url).toLocalFile(),
                          logoFolder + QLatin1String(c.logo));
                EXPECT_TRUE(QFile::exists(logoFolder + QLatin1String(c.logo)));
            } else {
                EXPECT_FALSE(row.contains(QStringLiteral("<IMG"))) << row.toStdString();
                EXPECT_TRUE(row.contains(QStringLiteral("&nbsp;")));
            }
        }
        EXPECT_FALSE(QFile::exists(logoFolder + QStringLiteral("second.gif")));
    }
}

} // namespace
