#include "services_generator.h"

#include <QByteArray>
#include <QFile>

#include <array>

namespace {

// The names are written as a file holds them: UTF-8, "&" and "'" escaped.
constexpr std::array kBrands = {
    "Sky Sport", "Sky Cinema", "RTL", "ProSieben", "SAT.1", "kabel eins", "BBC World News",
    "CNN International", "Eurosport", "Discovery Channel", "National Geographic", "MTV",
    "VH1 Classic", "Comedy Central", "Nickelodeon", "Cartoon Network", "Disney Channel",
    "Bloomberg", "CNBC Europe", "Euronews", "France 24", "TV5MONDE", "Rai", "Mediaset Italia",
    "Canal+", "Fox", "Animal Planet", "History", "QVC", "HSE24", "Deluxe Music", "Bibel TV",
    "Al Jazeera English", "Nautical Channel", "Extreme Sports", "Motorvision TV", "ZDF",
    "Das Erste", "3sat", "arte", "phoenix", "tagesschau24", "n-tv", "WELT", "Sport1",
    "DMAX", "TLC", "VOX", "Tele 5", "ServusTV", "Radio Paradiso", "Jazz Radio", "BFM TV",
};
constexpr std::array kSuffixes = {
    "", "", "", "", "", "", " HD", " HD", " HD", " 1", " 2", " 3", " +1", " Europe",
    " Austria", " Schweiz", " Premium", " Select 4", " UHD", " Classic", " Kids", " News",
};
constexpr std::array kAccented = {
    "Bayerisches Fernsehen Süd", "Bayerisches Fernsehen Nord", "MDR Sachsen-Anhalt",
    "WDR Köln", "WDR Düsseldorf", "SWR Fernsehen Baden-Württemberg", "SR Fernsehen Saarbrücken",
    "hr-fernsehen Südhessen", "NDR Fernsehen Lübeck", "ORF 2 Kärnten", "ORF III",
    "Ö1", "Ö3", "Radio Österreich 1 International", "Münchner Kirchenradio",
    "Schöne Musik für Sie", "Südtirol Heute", "Rundfunk Berlin-Brandenburg",
    "Deutschlandfunk Kultur", "Bergblick Fernsehen Zürich", "Télé Monte Carlo",
    "Cinéma Première", "Canal+ Décalé", "Ciné+ Émotion", "Télévision Suisse Romande",
    "France Ô", "Radio Clásica", "TVE Internacional España", "Rádio Renascença", "RTP Açores",
    "Çocuk TV", "Türkçe Müzik", "Şarkı TV", "Kanal Doğu", "TRT Haber İzmir",
};
constexpr std::array kCyrillic = {
    "Первый канал", "Россия 1", "Россия 24", "НТВ Мир", "Телеканал Звезда", "Музыка Первого",
    "Карусель", "Пятый канал", "Домашний", "Радио Маяк", "Русское радио", "Україна 24", "Інтер",
    "Беларусь 24", "Культура", "Матч! Футбол 1", "Детский мир", "Охотник и рыболов", "Кино ТВ",
    "Радио Шансон",
};
constexpr std::array kOtherScripts = {
    "ΕΡΤ1", "ΕΡΤ Ειδήσεις", "Σκάι", "Βουλή Τηλεόραση", "Άλφα Κύπρου",
    "الجزيرة", "العربية", "قناة الفجر", "روتانا سينما", "إم بي سي 2",
};
constexpr std::array kWithEntities = {
    "A&amp;E", "Crime &amp; Investigation", "Fashion &amp; Style TV", "M&amp;S Radio",
    "R&amp;B Hits", "Tom &amp; Jerry Kids", "News &amp; Weather Channel", "Jagd &amp; Hund",
    "Auto &amp; Motor TV", "Rock &amp; Pop Radio", "Haus &amp; Garten Fernsehen Süd",
    "Children&apos;s Cartoons", "Bob&apos;s Radio", "Film &amp; Arts", "Musik &amp; Gefühl",
};
constexpr std::array kLongStems = {
    "Sky Bundesliga Konferenz Einzelspiel Option", "Eurosport Player Event Channel",
    "Телеканал Москва Доверие Городские новости", "Regionalfernsehen Oberösterreich Linz Süd",
    "Formel 1 Boxengasse und Onboard-Kamera Kanal", "Pay-Per-View Kino auf Abruf Premieren",
    "Télévision Nationale de Radiodiffusion Canal", "Shopping &amp; Lifestyle Teleshopping Kanal",
};
constexpr std::array kLongDetails = {
    " - Live-Übertragung in Ultra HD", " (zeitversetzt, Pay-Per-View)",
    " - круглосуточное вещание", " - Wiederholungen &amp; Zusammenfassungen",
    " (Testausstrahlung, nur für Abonnenten)", " - Événements en direct",
};

// Real lists: names as receivers show them after a scan, often with the
// programme or region appended, and characters a file may escape in any way.
constexpr std::array kRealStems = {
    "Sky Sport Bundesliga Konferenz", "Sky Cinema Premieren +24", "BBC World News Europe",
    "Crime &amp; Investigation Network", "&quot;Das Vierte&quot; Unterhaltung",
    "Caf&#233; Cr&#232;me T&#233;l&#233;vision", "Radio Notre-Dame &#x2013; Paris Ile-de-France",
    "ZDFinfo &amp; ZDFneo Regional", "Bayerisches Fernsehen Süd Oberbayern",
    "Münchner Kirchenradio Ökumenisch", "ORF 2 Kärnten &amp; Steiermark",
    "Первый канал Европа", "Телеканал Звезда Плюс", "Матч! Футбол 1 &quot;Премьер&quot;",
    "ΕΡΤ Ειδήσεις Θεσσαλονίκη", "Βουλή Τηλεόραση Ελλάδα", "Σκάι &amp; Άλφα Κύπρου",
    "Rock &amp; Pop &#x2013; 24/7 Nonstop", "Tom &amp; Jerry&apos;s Kids Channel",
    "Télé Monte Carlo Côte d&apos;Azur", "Deutschlandfunk Kultur Hörspiel",
    "Canal+ Décalé Cinéma &amp; Séries", "Україна 24 Міжнародний", "Radio Paradiso &#8222;Schlager&#8220;",
    "Haus &amp; Garten Fernsehen Süd", "Şarkı TV Türkçe Müzik", "NHK World &#x2012; Japan Premium",
    "Al Jazeera English &#40;Europe&#41;", "Motorvision TV &amp; Rennsport Live",
};
constexpr std::array kRealDetails = {
    "", "", "", " HD", " HD", " UHD", " (Pay-TV)", " - Live &amp; Sport", " &quot;Premium&quot;",
    " - Österreich", " - Россия", " - Ελλάδα", " Test", " +1 HD", " (zeitversetzt)",
    " &#9733; Extra",
};

struct SateliteSpec {
    const char *name;
    const char *position;
};
constexpr std::array kSatelites = {
    SateliteSpec{"Astra 19.2E", "192"}, SateliteSpec{"Hotbird 13.0E", "130"},
    SateliteSpec{"Astra 23.5E", "235"}, SateliteSpec{"Astra 28.2E", "282"},
    SateliteSpec{"Eutelsat 36B (36.0E)", "360"}, SateliteSpec{"Eutelsat 9B (9.0E)", "90"},
    SateliteSpec{"Eutelsat 16A (16.0E)", "160"}, SateliteSpec{"Eutelsat 7B (7.0E)", "70"},
    SateliteSpec{"Hellas Sat 3 (39.0E)", "390"}, SateliteSpec{"Türksat 3A/4A (42.0E)", "420"},
    SateliteSpec{"Amos 4.0W", "-40"}, SateliteSpec{"Thor 5/6/7 (0.8W)", "-8"},
    SateliteSpec{"Nilesat 201 (7.0W)", "-70"}, SateliteSpec{"Hispasat 30.0W", "-300"},
};
constexpr std::array kOnids = {"0001", "0085", "0070", "013e", "0002", "0003", "00b0", "0022"};
constexpr std::array kSymbolRates = {"27500000", "27500000", "22000000", "29700000",
                                     "30000000", "23500000", "27000000", "5632000"};
constexpr std::array kFecs = {"3", "3", "2", "5", "9", "4"};
constexpr std::array kTvTypes = {"01", "01", "01", "01", "01", "01", "01", "01",
                                 "19", "19", "19", "16", "0c", "02", "0a", "1f"};

// xorshift64*: the same sequence on every machine and library.
class Random
{
public:
    quint32 next()
    {
        m_state ^= m_state >> 12;
        m_state ^= m_state << 25;
        m_state ^= m_state >> 27;
        return quint32((m_state * 0x2545F4914F6CDD1DULL) >> 32);
    }
    int below(int n) { return int(next() % quint32(n)); }
    bool percent(int p) { return below(100) < p; }
    template <typename T, std::size_t N>
    const T &pick(const std::array<T, N> &items)
    {
        return items[std::size_t(below(int(N)))];
    }
    QByteArray hex4() { return QByteArray::number(next() & 0xFFFF, 16).rightJustified(4, '0'); }

private:
    quint64 m_state = 0x9E3779B97F4A7C15ULL;
};

QByteArray serviceName(Random &random)
{
    const int kind = random.below(100);
    if (kind < 33)
        return QByteArray(random.pick(kBrands)) + random.pick(kSuffixes);
    if (kind < 55)
        return QByteArray(random.pick(kAccented)) + random.pick(kSuffixes);
    if (kind < 70)
        return QByteArray(random.pick(kCyrillic)) + random.pick(kSuffixes);
    if (kind < 74)
        return random.pick(kOtherScripts);
    if (kind < 86)
        return QByteArray(random.pick(kWithEntities)) + random.pick(kSuffixes);
    return QByteArray(random.pick(kLongStems)) + ' ' + QByteArray::number(random.below(40) + 1)
        + random.pick(kLongDetails);
}

const QByteArray kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<zapit>\n<!--\n"
                          "    Settings created by Pelloran\n//-->\n";

// The satellites go round the list; the second round and later are named
// with their round, so that no two are merged.
QByteArray sateliteTag(int sat)
{
    const SateliteSpec &spec = kSatelites[std::size_t(sat) % kSatelites.size()];
    QByteArray name = spec.name;
    if (sat >= int(kSatelites.size()))
        name += " (" + QByteArray::number(sat / int(kSatelites.size()) + 1) + ')';
    return "\t<sat name=\"" + name + "\" diseqc=\"" + QByteArray::number(sat % 4)
        + "\" position=\"" + spec.position + "\">\n";
}

QByteArray transponderTag(Random &random)
{
    return "\t\t<transponder id=\"" + random.hex4() + "\" onid=\"" + random.pick(kOnids)
        + "\" frequency=\"" + QByteArray::number(10700000 + random.below(8200) * 250)
        + "\" inversion=\"" + (random.percent(80) ? "2" : "0") + "\" symbol_rate=\""
        + random.pick(kSymbolRates) + "\" fec_inner=\"" + random.pick(kFecs)
        + "\" polarization=\"" + QByteArray::number(random.below(2)) + "\">\n";
}

QByteArray channelTag(Random &random, const QByteArray &label, bool radio, int channelNr)
{
    const char *type = radio ? (random.percent(90) ? "02" : "0a") : random.pick(kTvTypes);
    return "\t\t\t<channel service_id=\"" + random.hex4() + "\" name=\"" + label
        + "\" service_type=\"" + type + "\" channel_nr=\"" + QByteArray::number(channelNr)
        + "\" />\n";
}

bool writeText(const QString &fileName, const QByteArray &text)
{
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

} // namespace

bool writeGeneratedServices(const QString &fileName, int services, int renameEvery)
{
    Random random;
    QByteArray text;
    text.reserve(qsizetype(services) * 120);
    text += kHeader;
    int n = 0;
    for (int sat = 0; n < services; ++sat) {
        const bool numbered = sat % 2 == 0;
        int channelNr = 0;
        text += sateliteTag(sat);
        const int transponders = 80 + random.below(320);
        for (int tp = 0; tp < transponders && n < services; ++tp) {
            // One transponder in seven carries a radio bouquet of many services.
            const bool radio = random.below(7) == 0;
            const int count = radio ? 30 + random.below(80) : 6 + random.below(19);
            text += transponderTag(random);
            for (int s = 0; s < count && n < services; ++s, ++n) {
                QByteArray label = serviceName(random);
                if (radio && random.percent(50))
                    label += " Radio";
                if (renameEvery > 0 && n % renameEvery == 0)
                    label += " (neu)";
                text += channelTag(random, label, radio, numbered ? ++channelNr : 0);
            }
            text += "\t\t</transponder>\n";
        }
        text += "\t</sat>\n";
    }
    text += "</zapit>\n";
    return writeText(fileName, text);
}

bool writeRealTraitsServices(const QString &fileName, int services, int renameEvery)
{
    Random random;
    QByteArray text;
    text.reserve(qsizetype(services) * 140);
    text += kHeader;
    int n = 0;
    for (int sat = 0; n < services; ++sat) {
        int channelNr = 0;
        text += sateliteTag(sat);
        const int transponders = 80 + random.below(320);
        for (int tp = 0; tp < transponders && n < services; ++tp) {
            // Most transponders carry a few services; a quarter carry up to 110.
            const int count = random.percent(75) ? 6 + random.below(20) : 26 + random.below(85);
            text += "\t\t<transponder id=\"" + random.hex4() + "\" onid=\"" + random.hex4()
                + "\" frequency=\"" + QByteArray::number(10700000 + random.below(2050000))
                + "\" inversion=\"" + QByteArray::number(random.below(3)) + "\" symbol_rate=\""
                + QByteArray::number(1000000 + random.below(44000) * 1000) + "\" fec_inner=\""
                + random.pick(kFecs) + "\" polarization=\"" + QByteArray::number(random.below(2))
                + "\">\n";
            for (int s = 0; s < count && n < services; ++s, ++n) {
                // Beside the short names of the big networks, long ones.
                const int kind = random.below(100);
                QByteArray label = kind < 50 ? serviceName(random)
                                             : random.pick(kRealStems) + QByteArray(random.pick(kRealDetails));
                if (kind >= 85)
                    label = serviceName(random) + " &#x2013; " + label;
                if (renameEvery > 0 && n % renameEvery == 0)
                    label += " (neu)";
                text += channelTag(random, label, random.percent(30), ++channelNr);
            }
            text += "\t\t</transponder>\n";
        }
        text += "\t</sat>\n";
    }
    text += "</zapit>\n";
    return writeText(fileName, text);
}

bool writeOneSateliteServices(const QString &fileName, int transponders)
{
    Random random;
    QByteArray text;
    text.reserve(qsizetype(transponders) * 400);
    text += kHeader;
    text += "\t<sat name=\"Astra 19.2E\" diseqc=\"0\" position=\"192\">\n";
    int channelNr = 0;
    for (int tp = 0; tp < transponders; ++tp) {
        text += transponderTag(random);
        for (int s = 1 + random.below(4); s > 0; --s)
            text += channelTag(random, serviceName(random), false, ++channelNr);
        text += "\t\t</transponder>\n";
    }
    text += "\t</sat>\n</zapit>\n";
    return writeText(fileName, text);
}
