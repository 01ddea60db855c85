#pragma once

#include "app/dialogs/service_properties.h"
#include "app/dialogs/service_selection_list.h"
#include "ui/program/program.h"
#include "core/model/bouquet_list.h"
#include "core/model/save_handler.h"
#include "core/model/service_list.h"
#include "core/zapit/zapit_load.h"

#include "app_test_support.h"
#include "scripted_prompts.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <ostream>
#include <utility>
#include <vector>

// What the service dialogs' tests share: a player that answers modal dialogs
// step by step, and a program with a small channel list.
namespace service_dialogs {

// ------------------------------------------------------------ playing the user

// Plays the user at a modal dialog: each time the dialog shows, the next step
// runs as soon as the dialog's own event loop is up. A show with no step left
// is a dialog the test did not expect; it is cancelled and counted.
class DialogPlayer : public QObject
{
public:
    using Step = std::function<void(QDialog &)>;

    explicit DialogPlayer(QDialog &dialog) : m_dialog(dialog) { dialog.installEventFilter(this); }
    ~DialogPlayer() override { m_dialog.removeEventFilter(this); }

    DialogPlayer &then(Step step)
    {
        m_steps.push_back(std::move(step));
        return *this;
    }

    int shows = 0;
    int unexpectedShows = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == &m_dialog && event->type() == QEvent::Show) {
            ++shows;
            QTimer::singleShot(0, &m_dialog, [this] {
                if (m_steps.empty()) {
                    ++unexpectedShows;
                    m_dialog.reject();
                    return;
                }
                Step step = std::move(m_steps.front());
                m_steps.pop_front();
                step(m_dialog);
            });
        }
        return false;
    }

private:
    QDialog &m_dialog;
    std::deque<Step> m_steps;
};

inline QLineEdit *edit(QDialog &dialog, const char *name)
{
    return dialog.findChild<QLineEdit *>(QLatin1String(name));
}

inline QString text(QDialog &dialog, const char *name)
{
    return edit(dialog, name)->text();
}

// Replaces the edit's text as a user would: select all, then type (or
// delete). Control characters cannot be typed; they arrive by pasting.
inline void type(QDialog &dialog, const char *name, const QString &typed)
{
    QLineEdit *line = edit(dialog, name);
    line->setFocus();
    line->selectAll();
    const bool pasted = std::any_of(typed.begin(), typed.end(), [](QChar c) { return c < u' '; });
    if (typed.isEmpty())
        QTest::keyClick(line, Qt::Key_Delete);
    else if (pasted)
        line->insert(typed);
    else
        QTest::keyClicks(line, typed);
}

inline void click(QDialog &dialog, const char *name)
{
    QTest::mouseClick(dialog.findChild<QPushButton *>(QLatin1String(name)), Qt::LeftButton);
}

inline DialogPlayer::Step press(const char *button)
{
    return [button](QDialog &dialog) { click(dialog, button); };
}

// Types the fields, then presses the button.
inline DialogPlayer::Step fillAndPress(std::vector<std::pair<const char *, QString>> fields,
                                const char *button = "BtnOk")
{
    return [fields = std::move(fields), button](QDialog &dialog) {
        for (const auto &[name, typed] : fields)
            type(dialog, name, typed);
        click(dialog, button);
    };
}

inline const char *const kNineServiceOnlyEdits[] = {"EdtSType",        "EdtFrequency",  "EdtInversion",
                                             "EdtSR",           "EdtFEC",        "EdtPolarization",
                                             "EdtModulation",   "EdtSatName",    "EdtDiseqc"};

// ------------------------------------------------------------------ the world

struct TpSpec {
    const char *tsid, *onid, *frequency, *symbolRate, *fec, *polarization;
};

// A program with a small services list, a my-services list and a bouquet:
//   Sat A 19.2E: tp 0437/11953 (Channel One, Channel Two, Radio Three),
//                tp 0441/12110 (News 24)
//   Sat B 13.0E: tp 2EE0/10992 (Sports)
// The bouquet "Favourites" holds Channel One (linked) and an entry no
// service carries (unlinked).
class ServiceDialogs : public ::testing::Test
{
public:
    ServiceDialogs()
    {
        program.Prompts = &prompts;
        program.CreateLists();
        props.SetProgram(&program);
        props.SetSelectionList(&selection);

        TSatelite *a = addSatelite(*program.ServiceList, "Sat A 19.2E", "0");
        tp1 = addTransponder(*a, {"0437", "0001", "11953", "27500", "3", "0"});
        channelOne = addService(*tp1, "Channel One", "6D66", "01");
        channelOne->SetProvider(QStringLiteral("Provider One"));
        channelOne->SetCountry(QStringLiteral("Country One"));
        channelOne->ChannelNr = QStringLiteral("7");
        addService(*tp1, "Channel Two", "6D67", "01");
        addService(*tp1, "Radio Three", "6D70", "02");
        tp2 = addTransponder(*a, {"0441", "0001", "12110", "27500", "3", "1"});
        addService(*tp2, "News 24", "2EE3", "01");
        TSatelite *b = addSatelite(*program.ServiceList, "Sat B 13.0E", "1");
        tp3 = addTransponder(*b, {"2EE0", "013E", "10992", "27500", "2", "1"});
        addService(*tp3, "Sports", "0D49", "01");
        satA = a;

        TSatelite *my = addSatelite(*program.MyServiceList, "Sat A 19.2E", "0");
        myTp = addTransponder(*my, {"0437", "0001", "11953", "27500", "3", "0"});
        myEntry = addService(*myTp, "My Channel", "6D99", "01");
        myEntry->SetAction(saReplace);
        mySat = my;

        TBouquet *favourites = nullptr;
        program.BouquetList->AddNewBouquet(QStringLiteral("Favourites"), favourites);
        favourites->AddService(channelOne, tp1, a);
        auto lost = std::make_unique<TBouquetService>();
        lost->Name = QStringLiteral("Lost Channel");
        lost->Sid = QStringLiteral("1234");
        lost->Tsid = QStringLiteral("0001");
        lost->Onid = QStringLiteral("0085");
        favourites->Add(std::move(lost));
        link();
        linkedEntry = favourites->GetItem(0);
        unlinkedEntry = favourites->GetItem(1);
        SaveHandler().SetSaved();
    }

    static TSatelite *addSatelite(TServiceList &list, const char *name, const char *diseqc)
    {
        auto satelite = std::make_unique<TSatelite>();
        satelite->Name = QLatin1String(name);
        satelite->Diseqc = QLatin1String(diseqc);
        TSatelite *inList = nullptr;
        list.AddSatelite(std::move(satelite), &inList);
        return inList;
    }
    static TTransponder *addTransponder(TSatelite &satelite, const TpSpec &spec)
    {
        auto transponder = std::make_unique<TTransponder>();
        transponder->Tsid = QLatin1String(spec.tsid);
        transponder->Onid = QLatin1String(spec.onid);
        transponder->Frequency = QLatin1String(spec.frequency);
        transponder->SymbolRate = QLatin1String(spec.symbolRate);
        transponder->Fec = QLatin1String(spec.fec);
        transponder->Polarization = QLatin1String(spec.polarization);
        TTransponder *inList = nullptr;
        satelite.AddTransponder(std::move(transponder), &inList);
        return inList;
    }
    static TService *addService(TTransponder &transponder, const char *name, const char *sid,
                                const char *type)
    {
        auto service = std::make_unique<TService>();
        service->Name = QLatin1String(name);
        service->Sid = QLatin1String(sid);
        service->SetServiceType(QLatin1String(type));
        TService *inList = nullptr;
        transponder.AddService(std::move(service), &inList);
        return inList;
    }

    // Every text of the list's tree: a line per satellite, transponder and service.
    static QStringList tree(const TServiceList &list)
    {
        QStringList lines;
        for (int a = 0; a < list.Count(); ++a) {
            const TSatelite &sat = *list.GetItem(a);
            lines << QStringList{sat.Name, sat.Diseqc, sat.Position}.join(u'|');
            for (int t = 0; t < sat.Count(); ++t) {
                const TTransponder &tp = *sat.GetItem(t);
                lines << QStringLiteral("  ")
                        + QStringList{tp.Tsid, tp.Onid, tp.Frequency, tp.Inversion, tp.SymbolRate,
                                      tp.Fec, tp.Polarization, tp.Modulation}
                              .join(u'|');
                for (int v = 0; v < tp.Count(); ++v) {
                    const TService &s = *tp.GetItem(v);
                    lines << QStringLiteral("    ")
                            + QStringList{s.Name, s.Sid, s.GetServiceType(), s.Action(),
                                          s.ChannelNr, s.Country(), s.Category(), s.Encryption(),
                                          s.Provider()}
                                  .join(u'|');
                }
            }
        }
        return lines;
    }
    // The list as a save in its dialect and a load of that file give it.
    static std::unique_ptr<TServiceList> savedAndLoaded(const TServiceList &list)
    {
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("list.xml"));
        auto loaded = std::make_unique<TServiceList>(list.Kind);
        loaded->Format = list.Format;
        QString error;
        EXPECT_TRUE(writeZapitDialect(list.Kind, list.Format, file, list.Encoding, error, list,
                                      QStringLiteral("test")))
            << qPrintable(error);
        EXPECT_TRUE(loadZapitFile(list.Kind, file, *loaded, error)) << qPrintable(error);
        EXPECT_EQ(loaded->Format, list.Format);
        return loaded;
    }

    void link()
    {
        program.ServiceList->LinkMyServices(*program.MyServiceList);
        program.BouquetList->Link(*program.ServiceList, *program.MyServiceList);
    }

    static QStringList names(const TTransponder &transponder)
    {
        QStringList result;
        for (int i = 0; i < transponder.Count(); ++i)
            result.append(transponder.GetItem(i)->Name);
        return result;
    }
    static QStringList marked(const TServiceList &list)
    {
        QStringList result;
        list.forEachService([&](TService *service, TTransponder *, TSatelite *) {
            if (service->Marked)
                result.append(service->Name);
        });
        return result;
    }
    TSatelite *satelite(const QString &name) const
    {
        TSatelite templ;
        templ.Name = name;
        TSatelite *found = nullptr;
        program.ServiceList->FindSatelite(templ, false, found);
        return found;
    }
    // Where a service of that name is now: its transponder's frequency and
    // its satellite's name, or nothing.
    struct Place {
        TService *service = nullptr;
        TTransponder *transponder = nullptr;
        TSatelite *satelite = nullptr;
    };
    Place find(const QString &name) const
    {
        Place place;
        program.ServiceList->forEachService([&](TService *s, TTransponder *t, TSatelite *a) {
            if (!place.service && s->Name == name)
                place = {s, t, a};
        });
        return place;
    }

    bool editChannelOne(bool withAction = false)
    {
        return props.ShowServiceProperties(*program.ServiceList, channelOne, tp1, satA, false,
                                           withAction);
    }
    bool newFromChannelOne()
    {
        return props.ShowServiceProperties(*program.ServiceList, channelOne, tp1, satA, true,
                                           false);
    }

    QApplication &app = appTestApp();
    TProgram program;
    TScriptedPrompts prompts;
    TFrmServiceSelectionList selection;
    TFrmServiceProperties props;
    DialogPlayer player{props};
    DialogPlayer picker{selection};

    TSatelite *satA = nullptr;
    TTransponder *tp1 = nullptr;
    TTransponder *tp2 = nullptr;
    TTransponder *tp3 = nullptr;
    TService *channelOne = nullptr;
    TSatelite *mySat = nullptr;
    TTransponder *myTp = nullptr;
    TService *myEntry = nullptr;
    TBouquetService *linkedEntry = nullptr;
    TBouquetService *unlinkedEntry = nullptr;
};

inline const QString kNameEmpty = QStringLiteral("Satellite and/or service name field is empty!");
inline const QString kInvalid = QStringLiteral("At least one field contains an invalid parameter!");
inline const QString kIdentical = QStringLiteral("An identical service does already exist!");
inline const QString kNothingFound = QStringLiteral("Sorry, no fitting service found!");

// A field typed with what the dialog refuses, and what it says.
// `field` is the first one the check finds wrong and takes the focus;
// `alsoWrong` are typed after it, wrong too but checked later.
struct RefusalRow {
    const char *name;
    const char *field;
    QString typed;
    QString message;
    std::vector<std::pair<const char *, QString>> alsoWrong{};

    std::vector<std::pair<const char *, QString>> typedFields() const
    {
        std::vector<std::pair<const char *, QString>> fields{{field, typed}};
        fields.insert(fields.end(), alsoWrong.begin(), alsoWrong.end());
        return fields;
    }
};

inline void PrintTo(const RefusalRow &row, std::ostream *os)
{
    *os << row.name;
}

} // namespace service_dialogs
