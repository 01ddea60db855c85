#include "logos/logo_matcher.h"

#include "core/util/str_utils.h"

#include <QRandomGenerator>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

struct MatchCase {
    const char *label;
    QStringList files;
    QString service;
    TLogoKind kind;
    QString expected;
};

TEST(LogoMatcher, FindsTheLogoFileOfAServiceName)
{
    const auto tv = TLogoKind::Tv;
    const auto radio = TLogoKind::Radio;
    const MatchCase cases[] = {
        {"exact name", {"ZDF.tv.gif", "ARD.tv.gif"}, "ARD", tv, "ARD.tv.gif"},
        {"any case", {"ARD.tv.gif"}, "ard", tv, "ARD.tv.gif"},
        {"text from [ on is left out", {"ARD HD.tv.gif", "ARD.tv.gif"}, "ARD [HD]", tv,
         "ARD.tv.gif"},
        {"leading $ is left out", {"Test.tv.gif"}, "$Test", tv, "Test.tv.gif"},
        {"text from / on is left out", {"Sat.1.tv.gif"}, "Sat.1 / Austria", tv, "Sat.1.tv.gif"},
        {"a / turns the loose second phase off", {"SXat.1Z.tv.gif"}, "Sat.1 / Austria", tv, ""},
        {"without / the second phase runs", {"SXat.1Z.tv.gif"}, "Sat.1", tv, "SXat.1Z.tv.gif"},
        {"data services get no logo", {"Info.tv.gif"}, "Info", TLogoKind::Other, ""},
        {"radio looks at radio files", {"Bayern3.tv.gif", "Bayern3.radio.gif"}, "Bayern 3", radio,
         "Bayern3.radio.gif"},
        {"tv ignores radio files", {"Bayern3.radio.gif"}, "Bayern 3", tv, ""},
        {"lower-case hex is a bare id", {"1a2b.tv.gif"}, "1a2b", tv, ""},
        {"upper-case hex is a name", {"1A2B.tv.gif"}, "1A2B", tv, "1A2B.tv.gif"},
        {"one character is too short", {"X.tv.gif", "XY.tv.gif"}, "X", tv, ""},
        {"a name that folds to nothing", {"A.tv.gif"}, "[HD]", tv, ""},
        {"invalid characters only", {"AB.tv.gif"}, "?*:", tv, ""},
        {"the first file in list order wins", {"Eurosport2.tv.gif", "Eurosport1.tv.gif"},
         "Eurosport", tv, "Eurosport2.tv.gif"},
        {"accents fold", {"TeleMonteCarlo.tv.gif"}, "Télé Monte Carlo", tv,
         "TeleMonteCarlo.tv.gif"},
        {"umlauts are spelt out", {"OEsterreich1.tv.gif"}, "Österreich 1", tv,
         "OEsterreich1.tv.gif"},
        {"number words become digits", {"1Plus.tv.gif"}, "Eins Plus", tv, "1Plus.tv.gif"},
        {"dots and dashes dropped", {"NTV24.tv.gif"}, "N-TV.24", tv, "NTV24.tv.gif"},
        {"cut before the last word", {"Discovery.tv.gif"}, "Discovery Channel Europe", tv,
         "Discovery.tv.gif"},
        {"name ending a file name", {"TheHistoryChannel.tv.gif"}, "History Channel", tv,
         "TheHistoryChannel.tv.gif"},
        {"blanks as wildcards", {"MTVxxDance.tv.gif"}, "MTV Dance", tv, "MTVxxDance.tv.gif"},
        {"cut before the last capital", {"SuperRTX.tv.gif"}, "SuperRTL", tv, "SuperRTX.tv.gif"},
        {"shortened from the end", {"Eurosport.tv.gif"}, "Eurosportnews", tv, "Eurosport.tv.gif"},
        {"shortened and found inside", {"EuroSportNewsHD.tv.gif"}, "Sportnews", tv,
         "EuroSportNewsHD.tv.gif"},
        {"the first word and tv", {"SportAbc.tv.gif", "SportTVHD.tv.gif"}, "Sport Neu", tv,
         "SportTVHD.tv.gif"},
        {"cut at a dash", {"Kino.tv.gif"}, "Kino-Welt", tv, "Kino.tv.gif"},
        {"shortened past blanks", {"EuroSp.tv.gif"}, "Eu ro Sp ort", tv, "EuroSp.tv.gif"},
        {"nothing alike", {"ARD.tv.gif", "ZDF.tv.gif"}, "Kanal Neun", tv, ""},
        {"Cyrillic in any case", {"Первый.tv.gif"}, "ПЕРВЫЙ", tv, "Первый.tv.gif"},
        {"a letter whose capital is longer", {"SPASSTV.tv.gif"}, "Spaß TV", tv, "SPASSTV.tv.gif"},
        {"cut before a capital after Cyrillic", {"КаналWest.tv.gif"}, "КаналSüd", tv,
         "КаналWest.tv.gif"},
        {"letters beyond a-z turn into wildcards", {"Welt.tv.gif", "XYZTV24.tv.gif"}, "Мир TV 24", tv,
         "XYZTV24.tv.gif"},
        // Digits beside the wildcards say nothing of the name either: a loose
        // pattern keeps a letter of the name, or chooses no logo.
        {"digits of a Cyrillic name", {"Welt.tv.gif", "XYZ24.tv.gif"}, "Мир 24", tv, ""},
        {"Россия 1 is no Channel21", {"Channel21.tv.gif"}, "Россия 1", tv, ""},
        {"ΕΡΤ1 is no Channel21", {"Channel21.tv.gif"}, "ΕΡΤ1", tv, ""},
        {"ΑΝΤ1 is no Channel21", {"Channel21.tv.gif"}, "ΑΝΤ1", tv, ""},
        {"Россия 24 is no N24", {"N24.tv.gif", "Channel21.tv.gif"}, "Россия 24", tv, ""},
        {"Канал 8 is no Super8", {"Super8.tv.gif"}, "Канал 8", tv, ""},
        {"radio by digits alike", {"Radio21.radio.gif"}, "Радио 21", radio, ""},
        {"N24 keeps its own", {"Channel21.tv.gif", "Super8.tv.gif", "N24.tv.gif"}, "N24", tv,
         "N24.tv.gif"},
        {"N24 loosely", {"Channel21.tv.gif", "N24HD.tv.gif"}, "N 24", tv, "N24HD.tv.gif"},
        {"3sat keeps its own", {"Channel21.tv.gif", "3satHD.tv.gif"}, "3sat", tv, "3satHD.tv.gif"},
        {"ZDF keeps its own", {"N24.tv.gif", "ZDF.tv.gif"}, "ZDF", tv, "ZDF.tv.gif"},
        {"a Cyrillic logo of the name's digits", {"N24.tv.gif", "Россия24.tv.gif"}, "Россия 24", tv,
         "Россия24.tv.gif"},
        // A name of no letter a-z would become wildcards alone, which match
        // every file: such a name gets only a logo spelt in its own script.
        {"Cyrillic gets no Latin logo", {"3sat.tv.gif", "ARD.tv.gif"}, "Звезда Плюс", tv, ""},
        {"nor from a folder of one", {"3sat.tv.gif"}, "Кино Хит", tv, ""},
        {"Greek gets no Latin logo", {"3sat.tv.gif", "ZDF.tv.gif"}, "Ελληνικό Κανάλι", tv, ""},
        {"radio alike", {"3sat.radio.gif"}, "Радио Ночь", radio, ""},
        {"a logo in the name's own script", {"3sat.tv.gif", "КиноХит.tv.gif"}, "Кино Хит", tv,
         "КиноХит.tv.gif"},
        {"dots alone", {"3sat.tv.gif"}, "...", tv, ""},
        {"dots and dashes alone", {"3sat.tv.gif"}, ". - .", tv, ""},
        {"blanks before a dash", {"3sat.tv.gif"}, "    - Ж", tv, ""},
        {"a wildcard after each capital", {"ABCXX.tv.gif", "ABCDCXXFG.tv.gif"}, "abcdCfg", tv,
         "ABCDCXXFG.tv.gif"},
        {"ASCII number words in any case", {"Sat1.tv.gif"}, "Sat EINS", tv, "Sat1.tv.gif"},
    };
    for (const MatchCase &c : cases) {
        SCOPED_TRACE(c.label);
        const TLogoFileIndex index(c.files);
        TLogoMatcher matcher(index);
        EXPECT_EQ(matcher.MatchLogoFile(c.service, c.kind), c.expected);
        // The second look-up comes from what the matcher remembered.
        EXPECT_EQ(matcher.MatchLogoFile(c.service, c.kind), c.expected);
    }
}

TEST(LogoMatcher, FoldsAccentsAndDropsInvalidCharacters)
{
    const std::pair<QString, QString> cases[] = {
        {"Télé", "Tele"},     {"ÀÁ", "aa"},     {"ëè", "ee"},  {"Müller", "Mueller"},
        {"Ö3", "oe3"},        {"a/b:c", "abc"}, {"ùú", "uu"},  {"plain", "plain"},
    };
    for (const auto &[text, folded] : cases)
        EXPECT_EQ(foldAccents(text), folded) << text.toStdString();
}

// The index answers every pattern exactly as walking the whole list with a
// wildcard match would.
TEST(LogoFileIndex, AgreesWithAPlainWalkOverTheList)
{
    QRandomGenerator random(7);
    const QString letters = QStringLiteral("abcAB1.-");
    const auto word = [&](int minLength, int maxLength) {
        QString text;
        const int length = minLength + int(random.bounded(maxLength - minLength + 1));
        for (int i = 0; i < length; ++i)
            text.append(letters.at(int(random.bounded(int(letters.size())))));
        return text;
    };
    QStringList files;
    for (int i = 0; i < 400; ++i)
        files.append(word(1, 7) + (random.bounded(3) == 0 ? ".radio.gif" : ".tv.gif"));
    files.append("odd.gif");
    const TLogoFileIndex index(files);

    for (int i = 0; i < 3000; ++i) {
        QString pattern;
        const int parts = 1 + int(random.bounded(3));
        if (random.bounded(4) == 0)
            pattern.append(u'*');
        for (int p = 0; p < parts; ++p) {
            if (p > 0)
                pattern.append(u'*');
            pattern.append(word(0, 4));
        }
        if (random.bounded(3) == 0)
            pattern.append(u'*');
        for (TLogoKind kind : {TLogoKind::Tv, TLogoKind::Radio}) {
            int expected = -1;
            const QString mask = (pattern + logoSuffix(kind)).toUpper();
            // A pattern of wildcards, alone or with digits and dots, says
            // nothing of the name: no file.
            const bool literal = pattern.contains(u'*')
                ? pattern.contains(QRegularExpression(QStringLiteral("[a-zA-Z]")))
                : !pattern.isEmpty();
            for (int f = 0; literal && f < files.size() && expected < 0; ++f) {
                if (matchesWildcard(files.at(f).toUpper(), mask))
                    expected = f;
            }
            ASSERT_EQ(index.FirstMatch(kind, pattern), expected) << pattern.toStdString();
        }
    }
}

} // namespace
