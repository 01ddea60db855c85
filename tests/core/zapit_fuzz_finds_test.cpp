// Inputs the list fuzzer once stumbled on, kept in zapit/fuzz as
// <label>.<kind>.xml (kind: services, myservices, bouquets); the files of one
// label are the lists of one program. Each file is either refused with a
// reason or loads; what loads is linked, written in the dialect and encoding
// it was read in, reopened, linked and written again to the very same bytes,
// and converts to every other dialect of its kind.

#include "core/model/bouquet_list.h"
#include "core/model/service_list.h"
#include "core/zapit/dialects.h"
#include "core/zapit/xml_file_handler.h"

#include "memory_use.h"
#include "zapit_test_support.h"

#include <QDir>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <ostream>

using zapit_test::fixturesDir;
using zapit_test::readBytes;

namespace {

constexpr std::array kKinds = {ZapitKind::Services, ZapitKind::MyServices, ZapitKind::Bouquets};

QString kindName(ZapitKind kind)
{
    switch (kind) {
    case ZapitKind::Services: return QStringLiteral("services");
    case ZapitKind::MyServices: return QStringLiteral("myservices");
    case ZapitKind::Bouquets: return QStringLiteral("bouquets");
    }
    return {};
}

QString findsDir()
{
    return fixturesDir(QStringLiteral("zapit/fuzz"));
}

// The files of one label, by kind.
struct Find {
    QString label;
    QMap<ZapitKind, QString> files;
};

void PrintTo(const Find &find, std::ostream *os)
{
    *os << find.label.toStdString();
}

std::vector<Find> allFinds()
{
    static const QRegularExpression pattern(
        QStringLiteral("^(.+)\\.(services|myservices|bouquets)\\.xml$"));
    QMap<QString, Find> byLabel;
    const QDir dir(findsDir());
    for (const QString &name : dir.entryList(QDir::Files, QDir::Name)) {
        const auto match = pattern.match(name);
        if (!match.hasMatch())
            continue;
        Find &find = byLabel[match.captured(1)];
        find.label = match.captured(1);
        for (ZapitKind kind : kKinds) {
            if (kindName(kind) == match.captured(2))
                find.files.insert(kind, dir.filePath(name));
        }
    }
    return {byLabel.begin(), byLabel.end()};
}

// One program's lists, linked as at start-up.
struct Program {
    TServiceList services;
    TServiceList myServices;
    TBouquetList bouquets;

    void link()
    {
        services.LinkMyServices(myServices);
        bouquets.Link(services, myServices);
    }
    int format(ZapitKind kind) const
    {
        return kind == ZapitKind::Bouquets ? bouquets.Format : serviceList(kind).Format;
    }
    QString encoding(ZapitKind kind) const
    {
        return kind == ZapitKind::Bouquets ? bouquets.Encoding : serviceList(kind).Encoding;
    }
    // The dialect a list has before a file is loaded into it: the one kept
    // when the file cannot tell it from another.
    void setFormat(ZapitKind kind, int dialect)
    {
        if (kind == ZapitKind::Bouquets)
            bouquets.Format = quint16(dialect);
        else
            (kind == ZapitKind::MyServices ? myServices : services).Format = quint16(dialect);
    }
    int count(ZapitKind kind) const
    {
        return kind == ZapitKind::Bouquets ? bouquets.Count() : serviceList(kind).Count();
    }
    const TServiceList &serviceList(ZapitKind kind) const
    {
        return kind == ZapitKind::MyServices ? myServices : services;
    }
};

class Handler
{
public:
    bool load(ZapitKind kind, const QString &file, Program &program, QString &error)
    {
        switch (kind) {
        case ZapitKind::Services:
            return m_handler.LoadServices(file, error, false, program.services);
        case ZapitKind::MyServices: return m_handler.LoadMyServices(file, error, program.myServices);
        case ZapitKind::Bouquets: return m_handler.LoadBouquets(file, error, program.bouquets);
        }
        return false;
    }
    bool write(ZapitKind kind, const QString &file, int dialect, const Program &program,
               QString &error)
    {
        const QString encoding = program.encoding(kind);
        switch (kind) {
        case ZapitKind::Services:
            return m_handler.WriteServices(file, dialect, program.services, error, encoding);
        case ZapitKind::MyServices:
            return m_handler.WriteMyServices(file, dialect, program.myServices, error, encoding);
        case ZapitKind::Bouquets:
            return m_handler.WriteBouquets(file, dialect, program.bouquets, error, encoding);
        }
        return false;
    }

private:
    TFrmXMLHandler m_handler{TFrmXMLHandler::Environment{}};
};

class ZapitFuzzFinds : public testing::TestWithParam<Find> {};

TEST_P(ZapitFuzzFinds, RefusedWithAReasonOrLoadsWritesAndReloadsToTheSameText)
{
    const Find &find = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Handler handler;
    Program program;
    QList<ZapitKind> kept;
    for (auto it = find.files.cbegin(); it != find.files.cend(); ++it) {
        SCOPED_TRACE(kindName(it.key()).toStdString());
        QString error;
        if (!handler.load(it.key(), it.value(), program, error))
            EXPECT_FALSE(error.trimmed().isEmpty()) << "refused without a reason";
        else if (program.count(it.key()) > 0)
            kept.append(it.key());
    }
    program.link();

    QMap<ZapitKind, QByteArray> first;
    for (ZapitKind kind : kept) {
        SCOPED_TRACE(kindName(kind).toStdString());
        const QString file = dir.filePath(kindName(kind) + QStringLiteral(".first.xml"));
        QString error;
        ASSERT_TRUE(handler.write(kind, file, program.format(kind), program, error))
            << error.toStdString();
        first.insert(kind, readBytes(file));
        for (const DialectSpec &other : zapitDialects(kind)) {
            if (other.number == program.format(kind))
                continue;
            SCOPED_TRACE(testing::Message() << "as dialect " << other.number);
            const QString there = dir.filePath(QStringLiteral("converted.xml"));
            ASSERT_TRUE(handler.write(kind, there, other.number, program, error))
                << error.toStdString();
            Program converted;
            converted.setFormat(kind, other.number);
            EXPECT_TRUE(handler.load(kind, there, converted, error)) << error.toStdString();
            EXPECT_EQ(converted.format(kind), other.number);
        }
    }

    // Reopened into the same, linked lists, as the program reopens a file.
    for (ZapitKind kind : kept) {
        SCOPED_TRACE(kindName(kind).toStdString());
        const int format = program.format(kind);
        QString error;
        ASSERT_TRUE(handler.load(kind, dir.filePath(kindName(kind) + QStringLiteral(".first.xml")),
                                 program, error))
            << error.toStdString();
        EXPECT_EQ(program.format(kind), format);
    }
    program.link();
    for (ZapitKind kind : kept) {
        SCOPED_TRACE(kindName(kind).toStdString());
        const QString file = dir.filePath(kindName(kind) + QStringLiteral(".again.xml"));
        QString error;
        ASSERT_TRUE(handler.write(kind, file, program.format(kind), program, error))
            << error.toStdString();
        EXPECT_EQ(readBytes(file).toStdString(), first.value(kind).toStdString());
    }
}

INSTANTIATE_TEST_SUITE_P(Files, ZapitFuzzFinds, testing::ValuesIn(allFinds()),
                         [](const testing::TestParamInfo<Find> &info) {
                             QString name = info.param.label;
                             name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]")),
                                          QStringLiteral("_"));
                             return name.toStdString();
                         });

TEST(ZapitFuzzFindsFolder, HoldsOnlyNamedFinds)
{
    const QStringList names = QDir(findsDir()).entryList(QDir::Files);
    ASSERT_FALSE(names.isEmpty());
    static const QRegularExpression pattern(
        QStringLiteral("^.+\\.(services|myservices|bouquets)\\.xml$"));
    for (const QString &name : names)
        EXPECT_TRUE(pattern.match(name).hasMatch()) << name.toStdString();
}

// A file with an XML declaration the parser refuses, whose internal subset
// then breaks off inside an entity declaration, left libxml2 holding a
// document of its own (about 13 KB) that no one freed. Under the sanitizers
// the leak checker sees it; here the heap must not grow with every refusal.
TEST(ZapitFuzzFindsMemory, RefusedEntityDeclarationsKeepNoMemory)
{
    const QString file = QDir(findsDir()).filePath(
        QStringLiteral("unterminated-entity-after-bad-version.services.xml"));
    Handler handler;
    const auto refuse = [&] {
        Program program;
        QString error;
        EXPECT_FALSE(handler.load(ZapitKind::Services, file, program, error));
    };
    refuse();
    constexpr int kLoads = 200;
    const std::size_t before = heapInUse();
    for (int i = 0; i < kLoads; ++i)
        refuse();
    const std::size_t after = heapInUse();
    // One leaked document holds about 13 KB; allow a tenth of one per load.
    EXPECT_LT(after, before + std::size_t(kLoads) * 1300u)
        << "grew by " << qint64(after) - qint64(before) << " bytes";
}

} // namespace
