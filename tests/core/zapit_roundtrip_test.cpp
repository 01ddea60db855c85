// Every zapit fixture, whatever its layout, is detected as the dialect its
// name gives (<kind>.<dialect>.<label>.xml), survives a write and read in its
// own dialect and a trip through every other dialect of its kind, and a file
// in the writers' own form ("-canonical") comes back byte for byte. A file
// without services or entries fits several dialects: its name gives the one
// a new list reads it as, and a conversion is read back into a list of the
// dialect it was written in, as the program reopens its own files. Dialect 0
// files must be refused with one of the designed texts. Further folders of
// such files can be named in PELLORAN_EXTRA_FIXTURES (colon-separated).

#include "zapit_test_support.h"

#include "core/util/messages.h"
#include "core/zapit/detect.h"
#include "core/zapit/dialects.h"
#include "core/zapit/writer.h"
#include "core/zapit/zapit_load.h"
#include "platform/xml_document.h"

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace zapit_test;

namespace {

struct FixtureFile {
    QString path;
    QString kind;
    int dialect = 0;
    QString label;
};

std::optional<FixtureFile> parseFixtureName(const QString &path)
{
    static const QRegularExpression pattern(
        QStringLiteral("^(services|myservices|bouquets)\\.(\\d)\\.(.+)\\.xml$"));
    const auto match = pattern.match(QFileInfo(path).fileName());
    if (!match.hasMatch())
        return std::nullopt;
    return FixtureFile{path, match.captured(1), match.captured(2).toInt(), match.captured(3)};
}

std::vector<FixtureFile> fixturesIn(const QString &folder)
{
    std::vector<FixtureFile> files;
    QStringList names = QDir(folder).entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name);
    for (const QString &name : names) {
        if (auto f = parseFixtureName(QDir(folder).filePath(name)))
            files.push_back(*f);
    }
    return files;
}

ZapitKind kindOf(const QString &kind)
{
    if (kind == u"services")
        return ZapitKind::Services;
    if (kind == u"myservices")
        return ZapitKind::MyServices;
    return ZapitKind::Bouquets;
}

int detect(ZapitKind kind, const QString &path, int preferred)
{
    XmlDocument doc;
    if (!doc.loadFile(path) || !doc.documentElement())
        return -1;
    return detectZapitFile(kind, doc.documentElement(), preferred).dialect;
}

// A loaded list of either family, so one check runs for all three kinds.
struct Loaded {
    std::unique_ptr<TServiceList> services;
    std::unique_ptr<TBouquetList> bouquets;
    bool ok = false;
    QString error;

    QStringList dump(const FieldSet &carried) const
    {
        return services ? zapit_test::dump(*services, carried) : zapit_test::dump(*bouquets, carried);
    }
    quint16 format() const { return services ? services->Format : bouquets->Format; }
    QString encoding() const { return services ? services->Encoding : bouquets->Encoding; }
};

// The dialect a list new to the program has.
int newListDialect(ZapitKind kind)
{
    return kind == ZapitKind::Bouquets ? TBouquetList().Format : TServiceList().Format;
}

// Into a new list, or into one of `dialect` when one is named.
Loaded load(ZapitKind kind, const QString &path, int dialect = 0)
{
    Loaded result;
    if (kind == ZapitKind::Bouquets) {
        result.bouquets = std::make_unique<TBouquetList>();
        if (dialect)
            result.bouquets->Format = quint16(dialect);
        result.ok = loadZapitFile(path, *result.bouquets, result.error);
    } else {
        result.services = std::make_unique<TServiceList>();
        if (dialect)
            result.services->Format = quint16(dialect);
        result.ok = loadZapitFile(kind, path, *result.services, result.error);
    }
    return result;
}

bool write(ZapitKind kind, int dialect, const Loaded &list, const QString &path, QString &error)
{
    if (list.bouquets)
        return writeZapitDialect(dialect, path, list.encoding(), error, *list.bouquets,
                                 defaultCreatorCaption());
    return writeZapitDialect(kind, dialect, path, list.encoding(), error, *list.services,
                             defaultCreatorCaption());
}

// The action of every my-services channel as the receiver takes it: one that
// names no action is an add, an empty one neither add nor remove.
QStringList receiverActions(const QString &path)
{
    XmlDocument doc;
    if (!doc.loadFile(path) || !doc.documentElement())
        return {QStringLiteral("unreadable")};
    QStringList actions;
    const auto elements = [](const XmlNode &parent, auto visit) {
        for (XmlNode node = parent.firstChild(); node; node = node.nextSibling()) {
            if (node.isElement())
                visit(node);
        }
    };
    elements(doc.documentElement(), [&](const XmlNode &sat) {
        elements(sat, [&](const XmlNode &tp) {
            elements(tp, [&](const XmlNode &channel) {
                QString action = QStringLiteral("add");
                for (XmlAttribute a = channel.firstAttribute(); a; a = a.next()) {
                    if (a.name().compare(u"action", Qt::CaseInsensitive) == 0)
                        action = a.value();
                }
                actions.append(action);
            });
        });
    });
    return actions;
}

// Whether the receiver does with a written file what it does with the file
// read, channel by channel: a channel it ignored (an empty action) stays one
// that it ignores.
void expectSameReceiverActions(const QString &written, const QString &read)
{
    const QStringList got = receiverActions(written);
    const QStringList wanted = receiverActions(read);
    ASSERT_EQ(got.size(), wanted.size());
    for (qsizetype i = 0; i < got.size(); ++i)
        EXPECT_EQ(got[i], wanted[i]) << "channel " << i;
}

void checkRefused(const FixtureFile &f)
{
    const Loaded loaded = load(kindOf(f.kind), f.path);
    EXPECT_FALSE(loaded.ok);
    const QString corruptHead = msg(MsgXmlCorrupt) + QStringLiteral("\r\n\r\n\r\n")
        + msg(MsgXmlParserMessage) + QStringLiteral("\r\n\r\n");
    if (f.label.startsWith(u"corrupt")) {
        EXPECT_TRUE(loaded.error.startsWith(corruptHead)) << loaded.error.toStdString();
        EXPECT_GT(loaded.error.size(), corruptHead.size()) << "the parser's message is missing";
    } else if (f.label.startsWith(u"empty-file")) {
        EXPECT_EQ(loaded.error, msg(MsgXmlEmpty));
    } else {
        EXPECT_EQ(loaded.error, msg(MsgXmlFormatUnknown));
    }
}

void checkAccepted(const FixtureFile &f)
{
    const ZapitKind kind = kindOf(f.kind);
    EXPECT_EQ(detect(kind, f.path, newListDialect(kind)), f.dialect) << "detection";
    const Loaded original = load(kind, f.path);
    ASSERT_TRUE(original.ok) << original.error.toStdString();
    EXPECT_EQ(original.format(), f.dialect);
    const FieldSet own = carriedFields(f.kind, f.dialect);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString ownFile = dir.filePath(QStringLiteral("own.xml"));
    QString error;
    ASSERT_TRUE(write(kind, f.dialect, original, ownFile, error)) << error.toStdString();
    const Loaded reread = load(kind, ownFile);
    ASSERT_TRUE(reread.ok) << reread.error.toStdString();
    EXPECT_EQ(reread.dump(own), original.dump(own)) << "own dialect round trip";
    if (kind == ZapitKind::MyServices)
        expectSameReceiverActions(ownFile, f.path);
    if (f.label.endsWith(u"-canonical")) {
        EXPECT_EQ(readBytes(ownFile), readBytes(f.path)) << "canonical bytes";
    }

    for (const DialectSpec &other : zapitDialects(kind)) {
        if (other.number == f.dialect)
            continue;
        SCOPED_TRACE(testing::Message() << "via dialect " << other.number);
        const FieldSet both = own & carriedFields(f.kind, other.number);
        const QString there = dir.filePath(QStringLiteral("there.xml"));
        const QString back = dir.filePath(QStringLiteral("back.xml"));
        ASSERT_TRUE(write(kind, other.number, original, there, error)) << error.toStdString();
        EXPECT_EQ(detect(kind, there, other.number), other.number);
        const Loaded converted = load(kind, there, other.number);
        ASSERT_TRUE(converted.ok) << converted.error.toStdString();
        EXPECT_EQ(converted.format(), other.number);
        EXPECT_EQ(converted.dump(both), original.dump(both));
        ASSERT_TRUE(write(kind, f.dialect, converted, back, error)) << error.toStdString();
        const Loaded returned = load(kind, back);
        ASSERT_TRUE(returned.ok) << returned.error.toStdString();
        EXPECT_EQ(returned.dump(both), original.dump(both));
        if (kind == ZapitKind::MyServices) {
            expectSameReceiverActions(there, f.path);
            expectSameReceiverActions(back, f.path);
        }
    }
}

void checkFixture(const FixtureFile &f)
{
    SCOPED_TRACE(f.path.toStdString());
    if (f.dialect == 0)
        checkRefused(f);
    else
        checkAccepted(f);
}

class ZapitFixture : public testing::TestWithParam<FixtureFile> {};

TEST_P(ZapitFixture, DetectsReadsWritesAndConverts)
{
    checkFixture(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Files, ZapitFixture,
                         testing::ValuesIn(fixturesIn(fixturesDir(QStringLiteral("zapit")))),
                         [](const testing::TestParamInfo<FixtureFile> &info) {
                             QString name = QFileInfo(info.param.path).completeBaseName();
                             name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]")),
                                          QStringLiteral("_"));
                             return name.toStdString();
                         });

TEST(ZapitFixtures, EveryKindAndDialectHasACanonicalFile)
{
    QSet<QString> canonical;
    for (const FixtureFile &f : fixturesIn(fixturesDir(QStringLiteral("zapit")))) {
        if (f.label.endsWith(u"-canonical"))
            canonical.insert(f.kind + u'.' + QString::number(f.dialect));
    }
    for (const auto &[kind, count] : {std::pair{"services", 6}, {"myservices", 2}, {"bouquets", 4}}) {
        for (int d = 1; d <= count; ++d) {
            EXPECT_TRUE(canonical.contains(QLatin1String(kind) + u'.' + QString::number(d)))
                << kind << " " << d;
        }
    }
}

// Folders named at run time, so files can be added without rebuilding.
TEST(ZapitFixtures, ExtraFolders)
{
    const QString folders = qEnvironmentVariable("PELLORAN_EXTRA_FIXTURES");
    int checked = 0;
    for (const QString &folder : folders.split(u':', Qt::SkipEmptyParts)) {
        EXPECT_TRUE(QDir(folder).exists()) << folder.toStdString();
        for (const FixtureFile &f : fixturesIn(folder)) {
            checkFixture(f);
            ++checked;
        }
    }
    if (checked == 0)
        GTEST_SKIP() << "no extra fixture folders named";
}

} // namespace
