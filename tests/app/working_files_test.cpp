#include "app/main/working_files.h"
#include "core/model/bouquet_list.h"
#include "core/model/satelite.h"
#include "core/model/save_handler.h"
#include "core/model/service.h"
#include "core/model/service_list.h"
#include "core/model/transponder.h"
#include "core/zapit/xml_file_handler.h"
#include "platform/own_file.h"
#include "platform/text_codec.h"

#include "qt_print.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>

#include <gtest/gtest.h>

namespace {

QString fixture(const char *name)
{
    return QStringLiteral(PELLORAN_FIXTURES_DIR "/zapit/") + QLatin1String(name);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A program folder with the four lists and the files behind them.
class WorkingFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        QFile::copy(fixture("services.1.astra-canonical.xml"), path("Services.xml"));
        QFile::copy(fixture("myservices.1.sat-canonical.xml"), path("MyServices.xml"));
        QFile::copy(fixture("bouquets.4.position-canonical.xml"), path("Bouquets.xml"));
        QFile::copy(fixture("services.3.esi-canonical.xml"), path("KingOfSat.xml"));
        files.LoadFiles();
        // As at the program's start: the lists are what the files hold.
        SaveHandler().SetSaved();
    }

    QString path(const QString &name) const { return folder.filePath(name); }
    bool exists(const QString &name) const { return QFile::exists(path(name)); }

    QTemporaryDir folder;
    TFrmXMLHandler handler{TFrmXMLHandler::Environment{}};
    TServiceList kingOfSat, services, myServices;
    TBouquetList bouquets;
    TWorkingFiles files{folder.path(), handler, {kingOfSat, services, myServices, bouquets}};
};

TEST_F(WorkingFiles, LoadsAndLinksWhatExists)
{
    EXPECT_GT(services.Count(), 0);
    EXPECT_GT(myServices.Count(), 0);
    EXPECT_GT(kingOfSat.Count(), 0);
    ASSERT_GT(bouquets.Count(), 0);
    EXPECT_EQ(bouquets.Format, 4);
}

TEST_F(WorkingFiles, SavingKeepsAHistoryState)
{
    const QDateTime when(QDate(2007, 3, 14), QTime(21, 5, 9));
    files.SaveState(when);
    files.SaveState(when); // the same second: the same names
    EXPECT_EQ(files.HistoryStamps(), QStringList({"2007-03-14_21.05.09"}));
    for (const char *name : {"Services", "MyServices", "Bouquets"})
        EXPECT_TRUE(QFile::exists(QDir(files.HistoryFolder())
                                      .filePath(QLatin1String(name) + ".2007-03-14_21.05.09.xml")))
            << name;
    EXPECT_FALSE(QFile::exists(QDir(files.HistoryFolder()).filePath("KingOfSat.2007-03-14_21.05.09.xml")));
    // The record of the set stays with the state once the set is whole, as
    // the record of a set, no longer of one being copied.
    EXPECT_EQ(QDir(files.HistoryFolder()).entryList(QDir::Files | QDir::Hidden),
              QStringList({".2007-03-14_21.05.09.pelloran-set", "Bouquets.2007-03-14_21.05.09.xml",
                           "MyServices.2007-03-14_21.05.09.xml", "Services.2007-03-14_21.05.09.xml"}));

    files.SaveState(when.addSecs(3600));
    EXPECT_EQ(files.HistoryStamps(), QStringList({"2007-03-14_22.05.09", "2007-03-14_21.05.09"}));

    // Other files in the same second take the next free one: the state
    // already there is never overwritten.
    ASSERT_TRUE(QFile::remove(path("Bouquets.xml")));
    EXPECT_EQ(files.SaveState(when), "2007-03-14_21.05.10");
    EXPECT_TRUE(QFile::exists(QDir(files.HistoryFolder()).filePath("Bouquets.2007-03-14_21.05.09.xml")));
    EXPECT_FALSE(QFile::exists(QDir(files.HistoryFolder()).filePath("Bouquets.2007-03-14_21.05.10.xml")));
    EXPECT_EQ(files.SaveState(when), "2007-03-14_21.05.10");
    EXPECT_EQ(files.HistoryStamps().size(), 3);
    files.ClearHistory();
    EXPECT_TRUE(files.HistoryStamps().isEmpty());
}

TEST_F(WorkingFiles, EmptyListsLoseTheirFiles)
{
    myServices.Clear();
    SaveHandler().SetModified();
    QString error;
    EXPECT_TRUE(files.SaveFiles(error)) << qPrintable(error);
    EXPECT_FALSE(exists("MyServices.xml"));
    EXPECT_TRUE(exists("Services.xml"));
    EXPECT_TRUE(SaveHandler().Saved());
    EXPECT_EQ(files.HistoryStamps().size(), 1);
}

TEST_F(WorkingFiles, AFailedWriteKeepsTheChangesUnsaved)
{
    // A folder where the services file should be: the write cannot succeed.
    ASSERT_TRUE(QFile::remove(path("Services.xml")));
    ASSERT_TRUE(QDir(folder.path()).mkdir("Services.xml"));
    SaveHandler().SetModified();
    QString error;
    EXPECT_FALSE(files.SaveFiles(error));
    EXPECT_TRUE(error.startsWith("Services.xml: ")) << qPrintable(error);
    EXPECT_FALSE(SaveHandler().Saved());
    SaveHandler().SetSaved();
}

TEST_F(WorkingFiles, AnUnreadableWorkingFileIsReported)
{
    QFile broken(path("Bouquets.xml"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write("<zapit><Bouquet name=\"x\"");
    broken.close();
    TServiceList k, s, m;
    TBouquetList b;
    TWorkingFiles fresh(folder.path(), handler, {k, s, m, b});
    const QStringList failures = fresh.LoadFiles();
    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures.first().startsWith("Bouquets.xml: ")) << qPrintable(failures.first());
    EXPECT_GT(s.Count(), 0);
}

TEST_F(WorkingFiles, RestoreMovesTheStateBackAndKeepsTheFilesItReplaces)
{
    const QByteArray original = readFile(path("Services.xml"));
    QFile::remove(path("Bouquets.xml")); // a state saved without a bouquets file
    files.SaveState(QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5)));
    QFile::copy(fixture("bouquets.1.sat-canonical.xml"), path("Bouquets.xml"));
    QFile::remove(path("Services.xml"));
    QFile::copy(fixture("services.6.numbered-canonical.xml"), path("Services.xml"));
    const QByteArray replacedServices = readFile(path("Services.xml"));
    const QByteArray replacedBouquets = readFile(path("Bouquets.xml"));
    // No state holds the KingOfSat list: a restore leaves it and its
    // objects alone, whatever its file now holds.
    const TService *kingOfSatService = kingOfSat.GetItem(0)->GetItem(0)->GetItem(0);
    const auto kingOfSatNames = [&] {
        QStringList names;
        kingOfSat.forEachService([&](TService *service, TTransponder *, TSatelite *sat) {
            names.append(sat->Name + u'/' + service->Name);
        });
        return names;
    };
    const QStringList kingOfSatBefore = kingOfSatNames();
    QFile::remove(path("KingOfSat.xml"));
    QFile::copy(fixture("services.1.astra-canonical.xml"), path("KingOfSat.xml"));

    EXPECT_EQ(files.RestoreState("2020-01-02_03.04.05").failures, QStringList());
    EXPECT_EQ(readFile(path("Services.xml")), original);
    EXPECT_FALSE(exists("Bouquets.xml"));
    EXPECT_EQ(bouquets.Count(), 0);
    EXPECT_EQ(services.Format, 1);
    EXPECT_TRUE(SaveHandler().Saved());
    ASSERT_EQ(kingOfSatNames(), kingOfSatBefore);
    EXPECT_EQ(kingOfSat.GetItem(0)->GetItem(0)->GetItem(0), kingOfSatService);

    // The state moved back, and the files it replaced are a state now.
    const QStringList stamps = files.HistoryStamps();
    ASSERT_EQ(stamps.size(), 1);
    EXPECT_NE(stamps.first(), "2020-01-02_03.04.05");
    const QDir history(files.HistoryFolder());
    EXPECT_EQ(readFile(history.filePath("Services." + stamps.first() + ".xml")), replacedServices);
    EXPECT_EQ(readFile(history.filePath("Bouquets." + stamps.first() + ".xml")), replacedBouquets);
    // Going back from there goes further back, of which there is nothing.
    EXPECT_EQ(files.GoBackStamp(), QString());

    // Restoring the kept state keeps these files in turn, and once only.
    EXPECT_EQ(files.RestoreState(stamps.first()).failures, QStringList());
    EXPECT_EQ(readFile(path("Services.xml")), replacedServices);
    ASSERT_EQ(files.HistoryStamps().size(), 1);
    EXPECT_EQ(readFile(history.filePath("Services." + files.HistoryStamps().first() + ".xml")), original);
    // Keeping the same files twice makes one state.
    EXPECT_TRUE(files.KeepWorkingFiles());
    EXPECT_TRUE(files.KeepWorkingFiles());
    EXPECT_EQ(files.HistoryStamps().size(), 2);
}

// What the next start finds after the working files were being replaced:
// the files of a replacement that did not go through may come from two
// saves, and the state holding the last whole set is named.
TEST_F(WorkingFiles, AReplacementCutShortIsFoundAtTheNextStart)
{
    // The state the cut short save made of the files before it.
    QString whole;
    struct Row {
        const char *name;
        std::function<void(TWorkingFiles &, const QString &folder)> after; // what follows the cut short save
        bool noted;
        bool namesWhole; // or no state
    };
    // A save that cannot write the bouquets file, as the next one does
    // when the test puts a folder in its way.
    const auto cutShortSave = [this](TWorkingFiles &f, const QString &folder) {
        ASSERT_TRUE(QFile::remove(QDir(folder).filePath("Bouquets.xml")));
        ASSERT_TRUE(QDir(folder).mkdir("Bouquets.xml"));
        SaveHandler().SetModified();
        QString error;
        ASSERT_FALSE(f.SaveFiles(error));
        // What a kill leaves there is the file of the save before.
        ASSERT_TRUE(QDir(QDir(folder).filePath("Bouquets.xml")).removeRecursively());
        ASSERT_TRUE(QFile::copy(path("Bouquets.xml"), QDir(folder).filePath("Bouquets.xml")));
    };
    const Row rows[] = {
        {"nothing more", [](TWorkingFiles &, const QString &) {}, true, true},
        {"a save that goes through",
         [](TWorkingFiles &f, const QString &) {
             QString error;
             SaveHandler().SetModified();
             ASSERT_TRUE(f.SaveFiles(error)) << qPrintable(error);
         },
         false, false},
        {"a restore", [&](TWorkingFiles &f, const QString &) { EXPECT_EQ(f.RestoreState(whole).failures, QStringList()); },
         false, false},
        {"a reset",
         [](TWorkingFiles &f, const QString &) {
             QStringList failures;
             EXPECT_TRUE(f.Reset(failures));
             EXPECT_EQ(failures, QStringList());
         },
         false, false},
        {"a history cleared", [](TWorkingFiles &f, const QString &) { f.ClearHistory(); }, true, false},
        // The state that save keeps holds the mixed set: the whole one
        // stays the one named.
        {"another save cut short", cutShortSave, true, true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir run;
        TServiceList k, s, m;
        TBouquetList b;
        TWorkingFiles working(run.path(), handler, {k, s, m, b});
        for (const char *name : {"Services.xml", "MyServices.xml", "Bouquets.xml"})
            ASSERT_TRUE(QFile::copy(path(QLatin1String(name)), run.filePath(QLatin1String(name))));
        ASSERT_EQ(working.LoadFiles(), QStringList());
        EXPECT_FALSE(working.InterruptedSave());

        // Cut short after the services file.
        s.GetItem(0)->GetItem(0)->Clear();
        cutShortSave(working, run.path());
        ASSERT_EQ(working.HistoryStamps().size(), 1);
        whole = working.HistoryStamps().first();
        row.after(working, run.path());
        SaveHandler().SetSaved();

        TServiceList k2, s2, m2;
        TBouquetList b2;
        const TWorkingFiles next(run.path(), handler, {k2, s2, m2, b2});
        const auto found = next.InterruptedSave();
        ASSERT_EQ(found.has_value(), row.noted);
        if (found) {
            EXPECT_EQ(found->files, QStringList({"Services.xml", "MyServices.xml", "Bouquets.xml"}));
            EXPECT_EQ(found->stamp, row.namesWhole ? whole : QString());
        }
    }
}

TEST_F(WorkingFiles, ResetKeepsKingOfSat)
{
    QStringList failures;
    ASSERT_TRUE(files.Reset(failures));
    EXPECT_EQ(failures, QStringList());
    for (const char *name : {"Services.xml", "MyServices.xml", "Bouquets.xml"})
        EXPECT_FALSE(exists(QLatin1String(name))) << name;
    EXPECT_TRUE(exists("KingOfSat.xml"));
    EXPECT_EQ(services.Count(), 0);
    EXPECT_EQ(bouquets.Count(), 0);
    EXPECT_GT(kingOfSat.Count(), 0);
}

QByteArray fixtureBytes(const char *name)
{
    QFile file(fixture(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size();
}

// The note of a replacement is the program's own file: whatever else stands
// at its name is never written nor read through, a save that goes through
// leaves nothing there, and a note that cannot be a note is told at one
// start only, not at every one; a folder that holds anything is moved out
// of the way whole. Nor does the look whether the folder takes files follow
// what stands at its probe's name.
TEST_F(WorkingFiles, TheNoteIsNeverWrittenThroughWhatStandsAtItsName)
{
    QTemporaryDir outside;
    const QString outsideFile = outside.filePath("mine.txt");
    const struct {
        const char *name;
        std::function<bool(const QString &note)> make;
        bool replaceable; // else a cut short save leaves it as it is
        bool holdsFiles;  // a save that goes through leaves it too, whole
    } rows[] = {
        {"a link to a file elsewhere", [&](const QString &note) { return QFile::link(outsideFile, note); }, true,
         false},
        {"a link to nothing", [&](const QString &note) { return QFile::link(outside.filePath("none"), note); }, true,
         false},
        {"a link to a folder elsewhere", [&](const QString &note) { return QFile::link(outside.path(), note); }, true,
         false},
        {"a folder", [](const QString &note) { return QDir().mkdir(note); }, false, false},
        {"a folder holding the user's file",
         [](const QString &note) { return QDir().mkdir(note) && writeFile(note + "/kept.txt", "the user's own\n"); },
         false, true},
    };
    for (const auto &row : rows) {
        for (const bool cutShort : {false, true}) {
            SCOPED_TRACE(std::string(row.name) + (cutShort ? ", a save cut short" : ", a save"));
            ASSERT_TRUE(writeFile(outsideFile, "the user's own\n"));
            QTemporaryDir run;
            const QString note = run.filePath(".pelloran-lists-replacing");
            for (const char *name : {"Services.xml", "MyServices.xml", "Bouquets.xml"})
                ASSERT_TRUE(QFile::copy(path(QLatin1String(name)), run.filePath(QLatin1String(name))));
            ASSERT_TRUE(row.make(note));
            {
                TServiceList k, s, m;
                TBouquetList b;
                TWorkingFiles first(run.path(), handler, {k, s, m, b});
                ASSERT_EQ(first.LoadFiles(), QStringList());
                ASSERT_TRUE(first.InterruptedSave());
                const QString movedTo = first.ForgetInterruptedSave();
                EXPECT_EQ(movedTo, row.holdsFiles ? note + ".moved" : QString());
                if (row.holdsFiles) {
                    EXPECT_EQ(readFile(movedTo + "/kept.txt"), "the user's own\n");
                }
            }
            TServiceList k, s, m;
            TBouquetList b;
            TWorkingFiles working(run.path(), handler, {k, s, m, b});
            ASSERT_EQ(working.LoadFiles(), QStringList());
            EXPECT_FALSE(working.InterruptedSave()) << "told again";

            // Put there again while the program runs.
            QFile::remove(note);
            QDir().rmdir(note);
            ASSERT_TRUE(row.make(note));
            s.GetItem(0)->GetItem(0)->Clear();
            SaveHandler().SetModified();
            if (cutShort) {
                ASSERT_TRUE(QFile::remove(run.filePath("Bouquets.xml")));
                ASSERT_TRUE(QDir(run.path()).mkdir("Bouquets.xml"));
            }
            QString error;
            EXPECT_EQ(working.SaveFiles(error), !cutShort) << qPrintable(error);
            const QFileInfo left(note);
            if (row.holdsFiles) {
                EXPECT_EQ(readFile(note + "/kept.txt"), "the user's own\n");
            } else if (!cutShort) {
                EXPECT_FALSE(left.exists() || left.isSymLink());
            } else if (row.replaceable) {
                EXPECT_TRUE(left.isFile() && !left.isSymLink());
                EXPECT_TRUE(working.InterruptedSave());
            }
            const QString probe = run.filePath("folder-probe");
            ASSERT_TRUE(row.make(probe));
            const QString probeLeads = QFileInfo(probe).symLinkTarget();
            EXPECT_TRUE(canMakeOwnFiles(run.path()));
            EXPECT_EQ(QFileInfo(probe).symLinkTarget(), probeLeads);
            EXPECT_EQ(QDir(run.path()).entryList({".folder-probe*"}, QDir::AllEntries | QDir::Hidden | QDir::System),
                      QStringList());
            // Nor does a save's copy into History, at a state file's name.
            const QDateTime at(QDate(2030, 1, 2), QTime(3, 4, 5));
            const QString stamp = working.SaveState(at);
            QDir history(working.HistoryFolder());
            ASSERT_TRUE(history.removeRecursively() && history.mkpath("."));
            ASSERT_TRUE(row.make(history.filePath("Services." + stamp + ".xml")));
            EXPECT_FALSE(working.SaveState(at).isEmpty());
            EXPECT_EQ(readFile(outsideFile), "the user's own\n");
            EXPECT_EQ(QDir(outside.path())
                          .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                      QStringList{"mine.txt"});
            SaveHandler().SetSaved();
        }
    }
}

// Lists read in UTF-7 and UTF-16, and names holding characters no XML file
// can hold: the files a save writes are read again at the next start.
TEST_F(WorkingFiles, WhatASaveWritesLoadsAtTheNextStart)
{
    // UTF-7 writes "ü" as "+APw-" and may keep "<" and "&" as they are.
    QByteArray utf7 = fixtureBytes("services.1.astra-canonical.xml");
    utf7.replace("encoding=\"UTF-8\"", "encoding=\"UTF-7\"").replace("S\xC3\xBC" "d", "S+APw-d")
        .replace("Fran\xC3\xA7" "ais", "Fran+AOc-ais");
    ASSERT_TRUE(writeFile(path("Services.xml"), utf7));
    const QString utf16Text = QString::fromUtf8(fixtureBytes("bouquets.4.position-canonical.xml"))
                                  .replace("encoding=\"UTF-8\"", "encoding=\"UTF-16\"");
    ASSERT_TRUE(writeFile(path("Bouquets.xml"), encodeXmlText(utf16Text, "UTF-16").value()));

    TServiceList k, s, m;
    TBouquetList b;
    TWorkingFiles before(folder.path(), handler, {k, s, m, b});
    ASSERT_EQ(before.LoadFiles(), QStringList());
    ASSERT_EQ(s.Encoding, "UTF-7");
    ASSERT_EQ(b.Encoding, "UTF-16");
    TService *renamed = s.GetItem(0)->GetItem(0)->GetItem(0);
    renamed->Name = QStringLiteral("ctl") + QChar(0x0001) + QStringLiteral("x");
    b.GetItem(0)->Name = QStringLiteral("Alle") + QChar(0xFFFF) + QChar(0xD800);
    m.GetItem(0)->Name = QStringLiteral("nul") + QChar(0x0000);
    SaveHandler().SetModified();
    QString error;
    ASSERT_TRUE(before.SaveFiles(error)) << qPrintable(error);

    TServiceList k2, s2, m2;
    TBouquetList b2;
    TWorkingFiles after(folder.path(), handler, {k2, s2, m2, b2});
    EXPECT_EQ(after.LoadFiles(), QStringList());
    EXPECT_EQ(s2.Encoding, "UTF-8");
    EXPECT_EQ(b2.Encoding, "UTF-8");
    ASSERT_EQ(s2.Count(), s.Count());
    EXPECT_EQ(s2.GetItem(0)->GetItem(0)->GetItem(0)->Name, "ctlx");
    EXPECT_EQ(s2.GetItem(0)->GetItem(0)->GetItem(1)->Name,
              QString::fromUtf8("Bayerisches FS S\xC3\xBC" "d"));
    ASSERT_EQ(b2.Count(), b.Count());
    EXPECT_EQ(b2.GetItem(0)->Name, "Alle");
    ASSERT_EQ(m2.Count(), m.Count());
    EXPECT_EQ(m2.GetItem(0)->Name, "nul");
}

TEST(WorkingFilesNames, StampsSortInTimeOrder)
{
    EXPECT_EQ(TWorkingFiles::stampFor(QDateTime(QDate(2007, 3, 14), QTime(21, 5, 9))),
              "2007-03-14_21.05.09");
    EXPECT_EQ(TWorkingFiles::stampOf("Services.2007-03-14_21.05.09.xml"), "2007-03-14_21.05.09");
    EXPECT_EQ(TWorkingFiles::stampOf("odd.xml"), "");
    EXPECT_LT(TWorkingFiles::stampFor(QDateTime(QDate(2007, 3, 14), QTime(9, 0, 0))),
              TWorkingFiles::stampFor(QDateTime(QDate(2007, 3, 14), QTime(10, 0, 0))));
}

} // namespace
