#include "app/dialogs/list_generator.h"
#include "app/dialogs/please_wait.h"
#include "main_window_support.h"

#include "core/model/bouquet.h"
#include "core/model/bouquet_list.h"
#include "core/model/bouquet_service.h"
#include "core/model/service.h"
#include "core/model/service_list.h"
#include "qt_print.h"
#include "ui/editors/lg_color_picker.h"
#include "ui/grid/list_grid.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QPrinter>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

// The scripted answers, also keeping what the save dialog was asked.
struct PrintPrompts : TScriptedPrompts {
    struct Save {
        QString filter, folder, fileName;
    };
    QString saveFileName(const QString &title, const QString &filter, const QString &folder,
                         const QString &fileName) override
    {
        saves.append({filter, folder, fileName});
        return TScriptedPrompts::saveFileName(title, filter, folder, fileName);
    }
    QList<Save> saves;
};

enum class Printer { Pdf, None, Cancelled, Unwritable };

struct PrintWorld : TProgramWorld {
    explicit PrintWorld(const char *extraSettings = nullptr)
    {
        if (extraSettings) {
            QFile ini(path(QStringLiteral("pelloran.ini")));
            ini.open(QIODevice::Append);
            ini.write(extraSettings);
        }
        start();
        program.Prompts = &prompts;
        program.LastImportDir = folder.path();
        dialog = program.FormAs<TFrmListGenerator>(QStringLiteral("FrmListGenerator"));
        dialog->SetProgram(&program);
        dialog->OpenList = [this](const QString &file, const TOpenFailed &failed) {
            opened.append(file);
            if (!openError.isEmpty())
                failed(openError);
        };
        dialog->ChoosePrinter = [this](bool &cancelled) -> std::unique_ptr<QPrinter> {
            cancelled = printer == Printer::Cancelled;
            if (printer == Printer::None || printer == Printer::Cancelled)
                return nullptr;
            auto pdf = std::make_unique<QPrinter>(QPrinter::HighResolution);
            pdf->setOutputFormat(QPrinter::PdfFormat);
            pdf->setOutputFileName(printer == Printer::Unwritable ? path(QStringLiteral("no/such/list.pdf"))
                                                                  : pdfFile());
            return pdf;
        };
        dialog->show();
        QCoreApplication::processEvents();
    }

    template <typename T>
    T *control(const char *name) const
    {
        auto *found = dialog->findChild<T *>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QListWidget *columns() const { return control<QListWidget>("Columns"); }
    QPushButton *generate() const { return control<QPushButton>("BtnGenerate"); }
    void choose(const char *radio) const { control<QRadioButton>(radio)->setChecked(true); }
    void clickGenerate() const { QTest::mouseClick(generate(), Qt::LeftButton); }
    QString pdfFile() const { return path(QStringLiteral("printed.pdf")); }

    void selectBouquet(const QString &name)
    {
        TFrmMain &m = main();
        if (m.ComboBouquets->findText(name) < 0) {
            TBouquet *bouquet = nullptr;
            program.BouquetList->AddNewBouquet(name, bouquet);
            m.FillBouquetCombo(0);
        }
        m.ComboBouquets->setCurrentIndex(m.ComboBouquets->findText(name));
        ASSERT_EQ(m.ComboBouquets->currentText(), name);
    }
    QStringList columnOrder() const
    {
        QStringList names;
        for (const ExportColumn &c : dialog->ListColumns())
            names.append(c.name);
        return names;
    }

    PrintPrompts prompts;
    TFrmListGenerator *dialog = nullptr;
    QStringList opened;
    QString openError;
    Printer printer = Printer::Pdf;
};

QString fileText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The text of a PDF; a null string when pdftotext is not installed.
QString pdfText(const QString &pdf)
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        return QString();
    QProcess process;
    process.start(pdftotext, {pdf, QStringLiteral("-")});
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput()) + QStringLiteral(" ");
}

// The height in points of the first box pdftotext finds for `word`: -1
// when it is not there, nothing without pdftotext.
std::optional<double> pdfWordHeight(const QString &pdf, const QString &word)
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        return std::nullopt;
    QProcess process;
    process.start(pdftotext, {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    process.waitForFinished(60000);
    const QString boxes = QString::fromUtf8(process.readAllStandardOutput());
    static const QRegularExpression box(QString::fromLatin1(
        R"re(<word xMin="[^"]*" yMin="([^"]*)" xMax="[^"]*" yMax="([^"]*)">([^<]*)</word>)re"));
    for (auto it = box.globalMatch(boxes); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        if (match.captured(3) == word)
            return match.captured(2).toDouble() - match.captured(1).toDouble();
    }
    return -1.0;
}

} // namespace

TEST(PrintManager, ControlsFollowTheTargetTheIncludesAndTheColumns)
{
    struct Case {
        const char *target;
        bool tv, radio, data, anyColumn;
        bool pickers;
        const char *caption;
        bool lists;
        bool generate;
    };
    const Case cases[] = {
        {"BtnCsvFile", true, false, false, true, false, "Genera&te", true, true},
        {"BtnCsvFile", false, false, true, true, false, "Genera&te", true, true},
        {"BtnCsvFile", false, false, false, true, false, "Genera&te", true, false},
        {"BtnHtmlFile", true, true, true, false, true, "Genera&te", true, false},
        {"BtnHtmlFile", false, true, false, true, true, "Genera&te", true, true},
        {"BtnHtmlPrint", true, false, false, true, true, "Prin&t", true, true},
        {"BtnHtmlPrint", false, false, false, true, true, "Prin&t", true, false},
        {"BtnSeePrint", false, false, false, false, false, "Prin&t", false, true},
        {"BtnSeePrint", true, true, true, true, false, "Prin&t", false, true},
    };
    PrintWorld world;
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.target) + (c.anyColumn ? " columns" : " no columns"));
        // Start from another target, so the change itself must update.
        world.choose(c.target == std::string("BtnCsvFile") ? "BtnSeePrint" : "BtnCsvFile");
        auto *target = world.control<QRadioButton>(c.target);
        QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(6, target->height() / 2));
        ASSERT_TRUE(target->isChecked());
        world.control<QCheckBox>("CbxTv")->setChecked(c.tv);
        world.control<QCheckBox>("CbxRadio")->setChecked(c.radio);
        world.control<QCheckBox>("CbxData")->setChecked(c.data);
        for (int i = 0; i < world.columns()->count(); ++i)
            world.columns()->item(i)->setCheckState(c.anyColumn && i == 3 ? Qt::Checked : Qt::Unchecked);
        EXPECT_EQ(world.control<QWidget>("ColorPickerHeader")->isEnabled(), c.pickers);
        EXPECT_EQ(world.control<QWidget>("ColorPickerBody")->isEnabled(), c.pickers);
        EXPECT_EQ(world.generate()->text(), QLatin1String(c.caption));
        for (const char *name : {"Columns", "BtnUp", "BtnDown", "CbxTv", "CbxRadio", "CbxData"})
            EXPECT_EQ(world.control<QWidget>(name)->isEnabled(), c.lists) << name;
        EXPECT_EQ(world.generate()->isEnabled(), c.generate);
    }
    world.choose("BtnServiceList");
    world.choose("BtnHtmlFile");
    for (int i : {0, 1, 2, 3, 6, 8})
        world.columns()->item(i)->setCheckState(Qt::Checked);
    world.columns()->item(3)->setSelected(true);
    ASSERT_TRUE(saveShot(*world.dialog, QStringLiteral("print_manager.png")));
}

TEST(PrintManager, SettingsWithNothingIncludedLeaveGenerateDisabled)
{
    PrintWorld world("[GUIPrintManager]\nincludeTv=0\nincludeRadio=0\nincludeData=0\n"
                     "csvFile=1\nSID=0\nLogo=1\n");
    EXPECT_FALSE(world.generate()->isEnabled());
    EXPECT_EQ(world.columns()->count(), 12);
    // The rebuilt list still tells the window about its check marks.
    world.control<QCheckBox>("CbxData")->setChecked(true);
    EXPECT_TRUE(world.generate()->isEnabled());
    for (int i = 0; i < world.columns()->count(); ++i)
        world.columns()->item(i)->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(world.generate()->isEnabled());
}

TEST(PrintManager, SelectedColumnsMoveOnePlace)
{
    struct Case {
        const char *name;
        QList<int> selected;
        bool up;
        QStringList firstFour;
        QStringList lastTwo;
    };
    const QStringList start4{"Logo", "Service Name", "Service Type", "SID"};
    const QStringList end2{"Modulation", "Satellite/Cable"};
    const Case cases[] = {
        {"the first item up stays", {0}, true, start4, end2},
        {"the last item down stays", {11}, false, start4, end2},
        {"one item up", {3}, true, {"Logo", "Service Name", "SID", "Service Type"}, end2},
        {"two apart up", {1, 3}, true, {"Service Name", "Logo", "SID", "Service Type"}, end2},
        {"a block at the top keeps its order", {0, 1, 3}, true,
         {"Logo", "Service Name", "SID", "Service Type"}, end2},
        {"a block at the bottom keeps its order", {10, 11}, false, start4, end2},
        {"two apart down", {0, 2}, false, {"Service Name", "Logo", "SID", "Service Type"}, end2},
        {"the one before last down", {10}, false, start4, {"Satellite/Cable", "Modulation"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PrintWorld world;
        QListWidget *list = world.columns();
        const Qt::CheckState secondCheck = list->item(2)->checkState();
        list->clearSelection();
        QStringList names;
        for (int i : c.selected) {
            list->item(i)->setSelected(true);
            names.append(list->item(i)->text());
        }
        QTest::mouseClick(world.control<QPushButton>(c.up ? "BtnUp" : "BtnDown"), Qt::LeftButton);
        const QStringList order = world.columnOrder();
        ASSERT_EQ(order.size(), 12);
        EXPECT_EQ(order.mid(0, 4), c.firstFour);
        EXPECT_EQ(order.mid(10, 2), c.lastTwo);
        // The moved items stay selected, with their check marks.
        QStringList selected;
        for (QListWidgetItem *item : list->selectedItems())
            selected.append(item->text());
        selected.sort();
        names.sort();
        EXPECT_EQ(selected, names);
        const QString secondName = QStringLiteral("Service Type");
        EXPECT_EQ(list->findItems(secondName, Qt::MatchExactly).first()->checkState(), secondCheck);
    }
}

TEST(PrintManager, FileNamesFiltersAndTheStartFolder)
{
    struct Case {
        const char *source;
        const char *target;
        const char *bouquet; // current bouquet, or none
        const char *fileName;
        const char *filter;
    };
    const Case cases[] = {
        {"BtnServiceList", "BtnCsvFile", nullptr, "Services.csv", "CSV (*.csv)"},
        {"BtnBouquetList", "BtnHtmlFile", nullptr, "Bouquets.html", "HTML (*.htm*)"},
        {"BtnCurrentBouquet", "BtnCsvFile", "A/B", "AB.csv", "CSV (*.csv)"},
        {"BtnCurrentBouquet", "BtnHtmlFile", "Sport: *Live* <HD> \"1|2\"?\\", "Sport Live HD 12.html",
         "HTML (*.htm*)"},
        {"BtnCurrentBouquet", "BtnCsvFile", "???", "Bouquet.csv", "CSV (*.csv)"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.fileName);
        PrintWorld world;
        if (c.bouquet)
            world.selectBouquet(QString::fromUtf8(c.bouquet));
        world.choose(c.source);
        world.choose(c.target);
        // No file chosen: the command ends without a word.
        world.clickGenerate();
        ASSERT_EQ(world.prompts.saves.size(), 1);
        EXPECT_EQ(world.prompts.saves[0].fileName, QLatin1String(c.fileName));
        EXPECT_EQ(world.prompts.saves[0].filter, QLatin1String(c.filter));
        EXPECT_EQ(world.prompts.saves[0].folder, world.folder.path());
        EXPECT_TRUE(world.prompts.asked.isEmpty());
        EXPECT_FALSE(world.program.FormAs<TFrmPleaseWait>(QStringLiteral("FrmPleaseWait"))->Waiting());
    }
}

TEST(PrintManager, WithoutACurrentBouquetNothingIsAskedButWhyItFailed)
{
    PrintWorld world;
    world.selectBouquet(QStringLiteral("A/B"));
    world.choose("BtnCurrentBouquet");
    EXPECT_EQ(world.dialog->ProposedFileName(QStringLiteral(".csv")), QStringLiteral("AB.csv"));
    world.main().ComboBouquets->setCurrentIndex(-1);
    world.clickGenerate();
    EXPECT_TRUE(world.prompts.saves.isEmpty());
    ASSERT_EQ(world.prompts.asked.size(), 2);
    EXPECT_EQ(world.prompts.asked[0].text, QStringLiteral("No bouquet available!"));
    EXPECT_EQ(world.prompts.asked[0].kind, TPrompts::TMsgKind::Information);
    EXPECT_EQ(world.prompts.asked[1].text, QStringLiteral("List generation failed."));
    EXPECT_EQ(world.prompts.asked[1].kind, TPrompts::TMsgKind::Error);
    // The last bouquet's name is still what a list of it would be called.
    EXPECT_EQ(world.dialog->ProposedFileName(QStringLiteral(".csv")), QStringLiteral("AB.csv"));
}

TEST(PrintManager, WritesTheListAndOpensItWhenTheUserWants)
{
    struct Case {
        const char *source;
        const char *target;
        bool open;
        const char *openError;
        const char *contains;
    };
    const Case cases[] = {
        {"BtnServiceList", "BtnCsvFile", true, "",
         "Service Name;Service Type;SID;Frequency;Polarization;\r\n"},
        {"BtnBouquetList", "BtnCsvFile", false, "", "\r\n\r\n\r\nFavoriten\r\n\r\n"},
        {"BtnCurrentBouquet", "BtnHtmlFile", true, "No application is associated.",
         "<html><body><table"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.source) + " " + c.target);
        PrintWorld world;
        world.choose(c.source);
        world.choose(c.target);
        const QString file = world.path(QStringLiteral("list.out"));
        world.prompts.files = {file};
        world.prompts.answers = {c.open ? TPrompts::mbYes : TPrompts::mbNo};
        world.openError = QLatin1String(c.openError);
        world.clickGenerate();
        EXPECT_TRUE(fileText(file).contains(QLatin1String(c.contains))) << fileText(file).left(300).toStdString();
        ASSERT_GE(world.prompts.asked.size(), 1);
        EXPECT_EQ(world.prompts.asked[0].text,
                  QStringLiteral("List generation successful.\nDo you want to open the list now?"));
        EXPECT_EQ(world.prompts.asked[0].buttons, TPrompts::mbYes | TPrompts::mbNo);
        EXPECT_EQ(world.opened, c.open ? QStringList{file} : QStringList{});
        if (c.open && *c.openError) {
            ASSERT_EQ(world.prompts.asked.size(), 2);
            EXPECT_EQ(world.prompts.asked[1].text,
                      QStringLiteral("The list could not be opened: No application is associated."));
        } else {
            EXPECT_EQ(world.prompts.asked.size(), 1);
        }
        EXPECT_FALSE(world.program.FormAs<TFrmPleaseWait>(QStringLiteral("FrmPleaseWait"))->Waiting());
    }
}

TEST(PrintManager, TheArrangedColumnOrderIsTheFilesOrder)
{
    PrintWorld world;
    QListWidget *list = world.columns();
    list->clearSelection();
    list->item(3)->setSelected(true); // SID
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(world.control<QPushButton>("BtnUp"), Qt::LeftButton);
    list->findItems(QStringLiteral("Frequency"), Qt::MatchExactly).first()->setCheckState(Qt::Unchecked);
    world.choose("BtnServiceList");
    world.choose("BtnCsvFile");
    const QString file = world.path(QStringLiteral("Services.csv"));
    world.prompts.files = {file};
    world.clickGenerate();
    EXPECT_TRUE(fileText(file).startsWith(
        QStringLiteral("SID;Service Name;Service Type;Polarization;\r\n")));
    EXPECT_TRUE(fileText(file).contains(QStringLiteral("6dca;Das Erste;01;")));
}

TEST(PrintManager, TheIncludeBoxesChooseTheServiceTypes)
{
    struct Case {
        const char *source;
        bool tv, radio, data;
        QStringList present, absent;
    };
    // "Das Erste" is TV, "Radio Alpenglühen" radio; the unlinked bouquet
    // entry has no type and is always listed.
    const QString tv = QStringLiteral("Das Erste");
    const QString radio = QString::fromUtf8("Radio Alpengl\xC3\xBChen");
    const QString unlinked = QStringLiteral("Lost Channel");
    const Case cases[] = {
        {"BtnServiceList", true, false, false, {tv}, {radio}},
        {"BtnServiceList", false, true, false, {radio}, {tv}},
        {"BtnServiceList", true, true, true, {tv, radio}, {}},
        {"BtnBouquetList", false, true, false, {radio, unlinked}, {tv}},
        {"BtnBouquetList", false, false, true, {unlinked}, {tv, radio}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.source) + (c.tv ? " tv" : "") + (c.radio ? " radio" : "")
                     + (c.data ? " data" : ""));
        PrintWorld world;
        TBouquet *favourites = world.program.BouquetList->GetItem(0);
        auto entry = std::make_unique<TBouquetService>();
        entry->Name = unlinked;
        entry->Sid = QStringLiteral("7777");
        favourites->Add(std::move(entry));
        world.choose(c.source);
        world.choose("BtnCsvFile");
        world.control<QCheckBox>("CbxTv")->setChecked(c.tv);
        world.control<QCheckBox>("CbxRadio")->setChecked(c.radio);
        world.control<QCheckBox>("CbxData")->setChecked(c.data);
        const QString file = world.path(QStringLiteral("list.csv"));
        world.prompts.files = {file};
        world.clickGenerate();
        const QString text = fileText(file);
        ASSERT_FALSE(text.isEmpty());
        for (const QString &name : c.present)
            EXPECT_TRUE(text.contains(u'\n' + name + u';')) << name.toStdString();
        for (const QString &name : c.absent)
            EXPECT_FALSE(text.contains(u'\n' + name + u';')) << name.toStdString();
    }
}

// A logo for "Das Erste" in the program's LogoTypes folder and its mapping.
void addLogo(PrintWorld &world, const QByteArray &mapping = "Das Erste|1|ard.png\r\nArte|2|arte.png\r\n")
{
    ASSERT_TRUE(QDir(world.folder.path()).mkpath(QStringLiteral("LogoTypes")));
    QImage logo(40, 30, QImage::Format_RGB32);
    logo.fill(QColor(200, 30, 30));
    ASSERT_TRUE(logo.save(world.path(QStringLiteral("LogoTypes/ard.png"))));
    QFile file(world.path(QStringLiteral("LogoMapping.dat")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(mapping);
}

TEST(PrintManager, HtmlListsTakeTheColoursAndTheLogos)
{
    struct Case {
        const char *name;
        bool mapping;
        std::optional<QColor> header, body;
        const char *headerText, *bodyText;
        // The mapping as older versions wrote it, in Windows-1252, naming
        // the "Das Erste" service renamed "€uro Kanal" ("\x80" is "€").
        bool singleByte = false;
    };
    const Case cases[] = {
        {"colours and logos", true, QColor(0x12, 0x34, 0x56), QColor(0xfe, 0xdc, 0xba), "#123456",
         "#FEDCBA"},
        {"no mapping file: no images", false, QColor(Qt::red), QColor(Qt::white), "#FF0000",
         "#FFFFFF"},
        {"no colour is white", true, std::nullopt, std::nullopt, "#FFFFFF", "#FFFFFF"},
        {"an older single-byte mapping", true, QColor(Qt::white), QColor(Qt::white), "#FFFFFF",
         "#FFFFFF", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PrintWorld world;
        if (c.singleByte) {
            world.program.ServiceList->forEachService([](TService *service, TTransponder *, TSatelite *) {
                if (service->Name == QLatin1String("Das Erste"))
                    service->Name = QStringLiteral("€uro Kanal");
            });
            addLogo(world, "\x80uro Kanal|1|ard.png\r\n");
        } else if (c.mapping) {
            addLogo(world);
        }
        world.choose("BtnServiceList");
        world.choose("BtnHtmlFile");
        world.control<TLgColorPicker>("ColorPickerHeader")->SetSelectedColor(c.header);
        world.control<TLgColorPicker>("ColorPickerBody")->SetSelectedColor(c.body);
        const QString file = world.path(QStringLiteral("Services.html"));
        world.prompts.files = {file};
        world.clickGenerate();
        const QString text = fileText(file);
        ASSERT_FALSE(text.isEmpty());
        EXPECT_TRUE(text.contains(QStringLiteral("bgcolor=\"%1\" width=\"25\">\r\n<font color=\"#000000\" "
                                                 "face=\"Verdana, Tahoma, Arial, Helvetica, "
                                                 "sans-serif\" style=\"font-size: 10px\">\r\n<b>\r\nLogo")
                                      .arg(QLatin1String(c.headerText))));
        EXPECT_TRUE(text.contains(QStringLiteral("bgcolor=\"%1\"").arg(QLatin1String(c.bodyText))));
        EXPECT_EQ(text.contains(QStringLiteral("<IMG src=\"./Services.html.Logos/ard.png\"")), c.mapping);
        EXPECT_EQ(QFile::exists(world.path(QStringLiteral("Services.html.Logos/ard.png"))), c.mapping);
        EXPECT_EQ(world.prompts.texts().value(0).section(u'\n', 0, 0),
                  QStringLiteral("List generation successful."));
    }
}

TEST(PrintManager, AFileThatCannotBeWrittenIsAFailure)
{
    PrintWorld world;
    world.choose("BtnServiceList");
    world.choose("BtnHtmlFile");
    // A file where the folder should be.
    world.prompts.files = {world.path(QStringLiteral("pelloran.ini/Services.html"))};
    world.clickGenerate();
    ASSERT_EQ(world.prompts.asked.size(), 1);
    EXPECT_EQ(world.prompts.asked[0].text, QStringLiteral("List generation failed."));
    EXPECT_EQ(world.prompts.asked[0].kind, TPrompts::TMsgKind::Error);
    EXPECT_TRUE(world.opened.isEmpty());
}

TEST(PrintManager, HtmlPrintGoesToThePrinterWithoutAFileDialog)
{
    struct Case {
        const char *source;
        const char *bouquet; // the first bouquet renamed and made current, or none
        std::vector<const char *> words;
        const char *shot;
    };
    const Case cases[] = {
        {"BtnBouquetList", nullptr,
         {"Service Name", "Favoriten", "Das Erste", "Nachrichten & Wetter", "Bayerisches Fernsehen Süd",
          "Nachrichten Plus", "Regionalfenster Süd"},
         "/print_manager_html"},
        // The page is named after the bouquet; its logos are found all the same.
        {"BtnCurrentBouquet", "Sport #1 50% ÄB [$@=|*]", {"Sport #1 50% ÄB [$@=|*]", "Das Erste", "Regionalfenster Süd"},
         "/print_manager_html_bouquet"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.source);
        PrintWorld world;
        addLogo(world);
        if (c.bouquet) {
            ASSERT_TRUE(world.program.BouquetList->RenameBouquet(world.program.BouquetList->GetItem(0),
                                                                 QString::fromUtf8(c.bouquet)));
            world.main().FillBouquetCombo(0);
            world.selectBouquet(QString::fromUtf8(c.bouquet));
        }
        world.choose(c.source);
        world.choose("BtnHtmlPrint");
        world.clickGenerate();
        EXPECT_TRUE(world.prompts.saves.isEmpty());
        ASSERT_EQ(world.prompts.texts(), QStringList{QStringLiteral("List generation successful.")});
        EXPECT_EQ(world.prompts.asked[0].kind, TPrompts::TMsgKind::Information);
        const QString text = pdfText(world.pdfFile());
        if (text.isNull())
            GTEST_SKIP() << "pdftotext not installed";
        // Names wrap between words at most, never inside one.
        for (const char *expected : c.words)
            EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;
        // The page's 10 px text is printed about as high as on screen (7.5 pt),
        // not as 10 dots of the printer.
        const std::optional<double> height = pdfWordHeight(world.pdfFile(), QStringLiteral("Erste"));
        ASSERT_TRUE(height.has_value());
        EXPECT_GT(*height, 5.0);
        EXPECT_LT(*height, 15.0);
        if (const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm")); !pdftoppm.isEmpty())
            QProcess::execute(pdftoppm, {QStringLiteral("-r"), QStringLiteral("110"), QStringLiteral("-singlefile"),
                                         QStringLiteral("-png"), world.pdfFile(),
                                         shotsDir() + QLatin1String(c.shot)});

        const QString pdfimages = QStandardPaths::findExecutable(QStringLiteral("pdfimages"));
        if (pdfimages.isEmpty())
            GTEST_SKIP() << "pdfimages not installed";
        QProcess process;
        process.start(pdfimages, {QStringLiteral("-list"), world.pdfFile()});
        ASSERT_TRUE(process.waitForFinished(60000));
        // One line per image: page, number, type, width, height, ... The logo
        // is there at its own size, not as a placeholder for a missing image.
        const QString list = QString::fromUtf8(process.readAllStandardOutput());
        bool logoFound = false;
        for (const QString &line : list.split(u'\n')) {
            const QStringList fields = line.simplified().split(u' ');
            logoFound = logoFound
                || (fields.size() > 4 && fields[2] == u"image" && fields[3] == u"40" && fields[4] == u"30");
        }
        EXPECT_TRUE(logoFound) << list.toStdString();
    }
}

TEST(PrintManager, WysiwygPrintsTheSourcesGridWithoutAWord)
{
    struct Case {
        const char *source;
        const char *expected;
    };
    const Case cases[] = {
        {"BtnServiceList", "Das Erste"},
        {"BtnBouquetList", "Favoriten"},
        {"BtnCurrentBouquet", "Wetter Live"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.source);
        PrintWorld world;
        world.choose(c.source);
        world.choose("BtnSeePrint");
        if (std::string(c.source) == "BtnCurrentBouquet") {
            TFrmMain &m = world.main();
            m.ComboBouquets->setCurrentIndex(m.ComboBouquets->findText(QStringLiteral("Nachrichten & Wetter")));
        }
        world.clickGenerate();
        EXPECT_TRUE(world.prompts.asked.isEmpty()) << world.prompts.texts().join(u'|').toStdString();
        EXPECT_TRUE(world.prompts.saves.isEmpty());
        EXPECT_FALSE(world.program.FormAs<TFrmPleaseWait>(QStringLiteral("FrmPleaseWait"))->Waiting());
        const QString text = pdfText(world.pdfFile());
        if (text.isNull())
            GTEST_SKIP() << "pdftotext not installed";
        EXPECT_TRUE(text.contains(QLatin1String(c.expected))) << text.left(400).toStdString();
        // A picture of the first page beside the window's screenshots.
        const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
        if (!pdftoppm.isEmpty() && std::string(c.source) != "BtnCurrentBouquet") {
            const QString shot = std::string(c.source) == "BtnServiceList" ? QStringLiteral("/print_manager_grid")
                                                                           : QStringLiteral("/print_manager_bouquets");
            QProcess::execute(pdftoppm, {QStringLiteral("-r"), QStringLiteral("110"), QStringLiteral("-singlefile"),
                                         QStringLiteral("-png"), world.pdfFile(), shotsDir() + shot});
        }
    }
}

// Pixel rows of a picture dark over most of the printed width: grid lines.
int lineRows(const QImage &page)
{
    int rows = 0;
    for (int y = 0; y < page.height(); ++y) {
        int darkPixels = 0;
        for (int x = 0; x < page.width(); ++x)
            darkPixels += qGray(page.pixel(x, y)) < 160;
        rows += darkPixels > page.width() * 3 / 4;
    }
    return rows;
}

TEST(PrintManager, WysiwygRowsAreSeparatedWhenTheGridSeparatesThem)
{
    const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    if (pdftoppm.isEmpty())
        GTEST_SKIP() << "pdftoppm not installed";
    for (bool gridLines : {true, false}) {
        SCOPED_TRACE(gridLines);
        PrintWorld world;
        TListGrid *grid = world.main().ServicesGrid;
        grid->SetOptions(gridLines ? grid->Options() + goGrid : grid->Options() - goGrid);
        world.choose("BtnServiceList");
        world.choose("BtnSeePrint");
        world.clickGenerate();
        ASSERT_TRUE(world.prompts.asked.isEmpty());
        // The first page as a viewer shows it, small.
        const QString picture = world.path(QStringLiteral("page"));
        ASSERT_EQ(QProcess::execute(pdftoppm, {QStringLiteral("-r"), QStringLiteral("110"),
                                               QStringLiteral("-singlefile"), QStringLiteral("-png"),
                                               world.pdfFile(), picture}),
                  0);
        const QImage page(picture + QStringLiteral(".png"));
        ASSERT_FALSE(page.isNull());
        const int services = grid->RowCount();
        ASSERT_GE(services, 30);
        // The double line under the header, and one under every row when
        // the grid draws lines between its rows.
        if (gridLines)
            EXPECT_GE(lineRows(page), services);
        else
            EXPECT_LE(lineRows(page), 2);
    }
}

TEST(PrintManager, PrintsThatCannotHappenSaySo)
{
    struct Case {
        const char *target;
        Printer printer;
        QStringList messages;
    };
    const QString noPrinter = QStringLiteral("No printer is available.");
    const QString notStarted = QStringLiteral("The print job could not be started or did not finish.");
    const Case cases[] = {
        {"BtnSeePrint", Printer::None, {noPrinter}},
        {"BtnHtmlPrint", Printer::None, {noPrinter}},
        {"BtnSeePrint", Printer::Cancelled, {}},
        {"BtnHtmlPrint", Printer::Cancelled, {}},
        {"BtnSeePrint", Printer::Unwritable, {notStarted}},
        {"BtnHtmlPrint", Printer::Unwritable, {notStarted}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.target) + " " + std::to_string(int(c.printer)));
        PrintWorld world;
        world.choose("BtnServiceList");
        world.choose(c.target);
        world.printer = c.printer;
        world.clickGenerate();
        EXPECT_EQ(world.prompts.texts(), c.messages);
        for (const auto &question : world.prompts.asked)
            EXPECT_EQ(question.kind, TPrompts::TMsgKind::Error);
        EXPECT_FALSE(world.program.FormAs<TFrmPleaseWait>(QStringLiteral("FrmPleaseWait"))->Waiting());
    }
}

TEST(PrintManager, AHundredThousandServicesGenerateWhileTheWindowKeepsRunning)
{
    PrintWorld world;
    TServiceList &list = *world.program.ServiceList;
    int made = 0;
    for (int s = 0; s < 20; ++s) {
        auto satelite = std::make_unique<TSatelite>();
        satelite->Name = QStringLiteral("Sat %1").arg(s);
        for (int t = 0; t < 50; ++t) {
            auto transponder = std::make_unique<TTransponder>();
            transponder->Tsid = QStringLiteral("%1").arg(s * 50 + t, 4, 16, QLatin1Char('0'));
            transponder->Onid = QStringLiteral("0001");
            transponder->Frequency = QStringLiteral("11000000");
            for (int v = 0; v < 100; ++v, ++made) {
                auto service = std::make_unique<TService>();
                service->Name = QStringLiteral("Channel %1").arg(made);
                service->Sid = QStringLiteral("%1").arg(v, 4, 16, QLatin1Char('0'));
                service->SetServiceType(QStringLiteral("01"));
                transponder->AddService(std::move(service));
            }
            satelite->AddTransponder(std::move(transponder));
        }
        list.AddSatelite(std::move(satelite));
    }
    ASSERT_EQ(made, 100000);
    // The demo's own services come along.
    qsizetype lines = 1;
    for (int s = 0; s < list.Count(); ++s) {
        lines += 5;
        for (int t = 0; t < list.GetItem(s)->Count(); ++t)
            lines += list.GetItem(s)->GetItem(t)->Count();
    }
    ASSERT_GE(lines, 1 + 20 * 5 + 100000);
    for (const char *box : {"CbxTv", "CbxRadio", "CbxData"})
        world.control<QCheckBox>(box)->setChecked(true);
    world.choose("BtnServiceList");
    world.choose("BtnCsvFile");
    const QString file = world.path(QStringLiteral("Services.csv"));
    world.prompts.files = {file};
    QList<int> positions;
    QObject::connect(world.main().ProgressBar, &QProgressBar::valueChanged,
                     [&positions](int value) { positions.append(value); });
    bool timerRan = false;
    QTimer::singleShot(0, [&timerRan] { timerRan = true; });
    world.clickGenerate();

    EXPECT_TRUE(timerRan);
    int between = 0;
    for (int p : positions)
        between += p > 0 && p < 100;
    EXPECT_GE(between, 10);
    EXPECT_EQ(world.main().ProgressBar->value(), 0);
    const QString text = fileText(file);
    // The header, five lines per satellite and one per service.
    EXPECT_EQ(text.count(QStringLiteral("\r\n")), lines);
    EXPECT_TRUE(text.contains(QStringLiteral("Channel 99999;")));
    EXPECT_EQ(world.prompts.texts().value(0).section(u'\n', 0, 0), QStringLiteral("List generation successful."));
}

// The words pdftotext finds on the first page with their left and right
// edges in points; empty without pdftotext.
std::optional<QList<std::pair<QString, std::pair<double, double>>>> pdfWordEdges(const QString &pdf)
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        return std::nullopt;
    QProcess process;
    process.start(pdftotext, {QStringLiteral("-bbox"), QStringLiteral("-l"), QStringLiteral("1"), pdf,
                              QStringLiteral("-")});
    process.waitForFinished(60000);
    static const QRegularExpression box(QString::fromLatin1(
        R"re(<word xMin="([^"]*)" yMin="[^"]*" xMax="([^"]*)" yMax="[^"]*">([^<]*)</word>)re"));
    QList<std::pair<QString, std::pair<double, double>>> words;
    const QString boxes = QString::fromUtf8(process.readAllStandardOutput());
    for (auto it = box.globalMatch(boxes); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        words.append({match.captured(3), {match.captured(1).toDouble(), match.captured(2).toDouble()}});
    }
    return words;
}

// Writes the page into the folder and prints it there as a PDF through the
// program's HTML printing; the PDF's path, or empty when printing failed.
QString printedHtml(const QTemporaryDir &dir, const QString &html,
                    const std::function<void(qsizetype, qsizetype)> &progress = {})
{
    const QString page = dir.filePath(QStringLiteral("list.html"));
    QFile file(page);
    if (!file.open(QIODevice::WriteOnly) || file.write(html.toUtf8()) < 0)
        return {};
    file.close();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = dir.filePath(QStringLiteral("list.pdf"));
    printer.setOutputFileName(pdf);
    return printHtmlFile(page, printer, progress) ? pdf : QString();
}

TEST(PrintManager, HtmlPrintKeepsTextOffTheCellBorders)
{
    appTestApp();
    QTemporaryDir dir;
    // The lists' own table start; the number is right-aligned, so it ends
    // where its cell's padding begins.
    const QString html = QStringLiteral(
        "<html><body><table cellspacing=\"0\" cellpading=\"1\" border=\"1\" "
        "style=\"border-collapse: collapse; border: 1px solid #666666\">"
        "<tr><td align=\"right\">11836000</td><td>Astra</td></tr></table></body></html>\r\n");
    const QString pdf = printedHtml(dir, html);
    ASSERT_FALSE(pdf.isEmpty());
    const auto words = pdfWordEdges(pdf);
    if (!words)
        GTEST_SKIP() << "pdftotext not installed";
    ASSERT_GE(words->size(), 2);
    EXPECT_EQ((*words)[0].first, QStringLiteral("11836000"));
    EXPECT_EQ((*words)[1].first, QStringLiteral("Astra"));
    // Two 96 dpi pixels of padding on either side of the border between
    // them: 3 points at least.
    EXPECT_GE((*words)[1].second.first - (*words)[0].second.second, 3.0);
}

TEST(PrintManager, HtmlPrintKeepsEveryTitleWithItsRows)
{
    appTestApp();
    for (int groups : {30, 400}) {
        SCOPED_TRACE(groups);
        QTemporaryDir dir;
        // As the lists are made: a spacer and a title across the table,
        // then the group's rows, a few more in every group.
        QString html = QStringLiteral("<html><body><table width=\"100%\" border=\"1\">\r\n");
        QStringList expected;
        int row = 0;
        for (int g = 0; g < groups; ++g) {
            const QString title = QStringLiteral("Group%1").arg(g, 4, 10, QLatin1Char('0'));
            html += QStringLiteral("<tr><td colspan=\"2\">&nbsp;</td></tr>\r\n<tr><td colspan=\"2\">%1</td></tr>\r\n")
                        .arg(title);
            expected << title;
            for (int k = 0; k < 1 + g % 9; ++k, ++row) {
                const QString name = QStringLiteral("Row%1").arg(row, 5, 10, QLatin1Char('0'));
                html += QStringLiteral("<tr><td>%1</td><td>x</td></tr>\r\n").arg(name);
                expected << name;
            }
        }
        html += QStringLiteral("</table></body></html>\r\n");
        const QString pdf = printedHtml(dir, html);
        ASSERT_FALSE(pdf.isEmpty());
        const QString text = pdfText(pdf);
        if (text.isNull())
            GTEST_SKIP() << "pdftotext not installed";
        static const QRegularExpression item(QStringLiteral("(Group|Row)\\d+"));
        QStringList printed;
        int pages = 0;
        for (const QString &pageText : text.split(u'\f')) {
            QString last;
            for (auto it = item.globalMatch(pageText); it.hasNext();)
                printed << (last = it.next().captured(0));
            if (last.isEmpty())
                continue;
            ++pages;
            EXPECT_TRUE(last.startsWith(QStringLiteral("Row"))) << "page " << pages << " ends with " << last.toStdString();
        }
        EXPECT_GE(pages, 2);
        EXPECT_EQ(printed, expected);
    }
}

TEST(PrintManager, LongHtmlListsPrintInPiecesWithFullPages)
{
    struct Case {
        const char *name;
        int rows;
    };
    const Case cases[] = {{"one piece", 40}, {"many pieces", 2500}, {"no table at all", 0}};
    appTestApp();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        QString html = QStringLiteral("<html><body>");
        if (c.rows > 0) {
            html += QStringLiteral("<table width=\"100%\" border=\"1\"><tr><td>Name</td><td>SID</td></tr>\r\n");
            for (int r = 0; r < c.rows; ++r)
                html += QStringLiteral("<tr><td>Row%1</td><td>%2</td></tr>\r\n").arg(r, 4, 10, QLatin1Char('0')).arg(r * 7);
            html += QStringLiteral("</table>");
        } else {
            html += QStringLiteral("<p>Just a line</p>");
        }
        html += QStringLiteral("</body></html>\r\n");
        QList<qsizetype> told;
        const qsizetype rowCount = c.rows > 0 ? c.rows + 1 : 0;
        const QString pdf = printedHtml(dir, html, [&told, rowCount](qsizetype done, qsizetype total) {
            EXPECT_EQ(total, rowCount);
            told << done;
        });
        ASSERT_FALSE(pdf.isEmpty());
        ASSERT_FALSE(told.isEmpty());
        EXPECT_EQ(told.last(), rowCount);
        EXPECT_TRUE(std::is_sorted(told.cbegin(), told.cend()));
        if (c.rows > 300) {
            EXPECT_GE(told.size(), 3);
        }

        const QString text = pdfText(pdf);
        if (text.isNull())
            GTEST_SKIP() << "pdftotext not installed";
        if (c.rows == 0) {
            EXPECT_TRUE(text.contains(QStringLiteral("Just a line")));
            continue;
        }
        // Every row once and in order; every page but the last as full as
        // the first whole page, so a piece never ends with a short page.
        QList<int> rowsPerPage;
        QStringList all;
        static const QRegularExpression row(QStringLiteral("Row(\\d{4})"));
        for (const QString &pageText : text.split(u'\f')) {
            int count = 0;
            for (auto it = row.globalMatch(pageText); it.hasNext(); it.next())
                ++count;
            for (auto it = row.globalMatch(pageText); it.hasNext();)
                all << it.next().captured(0);
            if (count > 0)
                rowsPerPage << count;
        }
        ASSERT_EQ(all.size(), c.rows);
        for (int r = 0; r < c.rows; ++r)
            ASSERT_EQ(all[r], QStringLiteral("Row%1").arg(r, 4, 10, QLatin1Char('0')));
        for (int p = 1; p + 1 < rowsPerPage.size(); ++p)
            EXPECT_NEAR(rowsPerPage[p], rowsPerPage[1], 1) << "page " << p + 1;
    }
}
