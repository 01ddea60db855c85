#include "app/main/column_tables.h"

#include "ui/grid/list_grid.h"

#include <array>

namespace {

// Every column the services grid shows, in its order.
const TColumnSpec kServicesColumns[] = {
    {"ColSerLogo", "Logo", TColumnSpec::Logo, "Logo", "Logo", 80},
    {"ColSerSTypeIcon", "ST", TColumnSpec::TypeIcon, "STypeIcon", "Service Type Icon", 80},
    {"ColSerActionIcon", "A", TColumnSpec::ActionIcon, "ActionIcon", "Action Icon", 80},
    {"ColSerName", "Name", TColumnSpec::Text, "Name", "Name", 180},
    {"ColSerSIDHEX", "SID H", TColumnSpec::Text, "SIDHEX", "SID (hex)", 50},
    {"ColSerSIDDEC", "SID D", TColumnSpec::Number, "SIDDEC", "SID (decimal)", 80},
    {"ColSerSTypeHEX", "SType H", TColumnSpec::Text, "STypeHEX", "Service Type (hex)", 50},
    {"ColSerSTypeDEC", "SType D", TColumnSpec::Number, "STypeDEC", "Service Type (decimal)", 80},
    {"ColSerTSIDHEX", "TSID H", TColumnSpec::Text, "TSIDHEX", "TSID (hex)", 50},
    {"ColSerTSIDDEC", "TSID D", TColumnSpec::Number, "TSIDDEC", "TSID (decimal)", 80},
    {"ColSerONIDHEX", "ONID H", TColumnSpec::Text, "ONIDHEX", "ONID (hex)", 50},
    {"ColSerONIDDEC", "ONID D", TColumnSpec::Number, "ONIDDEC", "ONID (decimal)", 80},
    {"ColSerSR", "Symbol Rate", TColumnSpec::Number, "SR", "Symbol Rate", 80},
    {"ColSerFEC", "FEC", TColumnSpec::Text, "FEC", "FEC", 40},
    {"ColSerInversion", "Inversion", TColumnSpec::Text, "Inversion", "Inversion", 60},
    {"ColSerPolarization", "Polarization", TColumnSpec::Text, "Polarization", "Polarization", 70},
    {"ColSerModulation", "Modulation", TColumnSpec::Text, "Modulation", "Modulation", 70},
    {"ColSerFrequency", "Frequency", TColumnSpec::Number, "Frequency", "Frequency", 80},
    {"ColSerSat", "Satellite/Cable", TColumnSpec::Text, "Satelite", "Satellite/Cable", 150},
    {"ColSerDiSEqC", "DiSEqC", TColumnSpec::Text, "DiSEqC", "DiSEqC", 50},
    {"ColSerBouquet", "Bouquet", TColumnSpec::Text, "Bouquet", "Bouquet", 200},
};

// The my-services grid: the services set with its DiSEqC column before the
// satellite.
const TColumnSpec kMyServicesColumns[] = {
    {"ColMySerLogo", "Logo", TColumnSpec::Logo, "Logo", "Logo", 80},
    {"ColMySerSTypeIcon", "ST", TColumnSpec::TypeIcon, "STypeIcon", "Service Type Icon", 80},
    {"ColMySerActionIcon", "A", TColumnSpec::ActionIcon, "ActionIcon", "Action Icon", 80},
    {"ColMySerName", "Name", TColumnSpec::Text, "Name", "Name", 180},
    {"ColMySerSIDHEX", "SID H", TColumnSpec::Text, "SIDHEX", "SID (hex)", 50},
    {"ColMySerSIDDEC", "SID D", TColumnSpec::Number, "SIDDEC", "SID (decimal)", 80},
    {"ColMySerSTypeHEX", "SType H", TColumnSpec::Text, "STypeHEX", "Service Type (hex)", 50},
    {"ColMySerSTypeDEC", "SType D", TColumnSpec::Number, "STypeDEC", "Service Type (decimal)", 80},
    {"ColMySerTSIDHEX", "TSID H", TColumnSpec::Text, "TSIDHEX", "TSID (hex)", 50},
    {"ColMySerTSIDDEC", "TSID D", TColumnSpec::Number, "TSIDDEC", "TSID (decimal)", 80},
    {"ColMySerONIDHEX", "ONID H", TColumnSpec::Text, "ONIDHEX", "ONID (hex)", 50},
    {"ColMySerONIDDEC", "ONID D", TColumnSpec::Number, "ONIDDEC", "ONID (decimal)", 80},
    {"ColMySerSR", "Symbol Rate", TColumnSpec::Number, "SR", "Symbol Rate", 80},
    {"ColMySerFEC", "FEC", TColumnSpec::Text, "FEC", "FEC", 40},
    {"ColMySerInversion", "Inversion", TColumnSpec::Text, "Inversion", "Inversion", 60},
    {"ColMySerPolarization", "Polarization", TColumnSpec::Text, "Polarization", "Polarization", 70},
    {"ColMySerModulation", "Modulation", TColumnSpec::Text, "Modulation", "Modulation", 70},
    {"ColMySerFrequency", "Frequency", TColumnSpec::Number, "Frequency", "Frequency", 80},
    {"ColMySerDiSEqC", "DiSEqC", TColumnSpec::Text, "DiSEqC", "DiSEqC", 50},
    {"ColMySerSat", "Satellite/Cable", TColumnSpec::Text, "Satelite", "Satellite/Cable", 150},
    {"ColMySerBouquet", "Bouquet", TColumnSpec::Text, "Bouquet", "Bouquet", 200},
};

const TColumnSpec kKingOfSatColumns[] = {
    {"ColKofSerSTypeIcon", "ST", TColumnSpec::TypeIcon, "STypeIcon", "Service Type Icon", 80},
    {"ColKofSerName", "Name", TColumnSpec::Text, "Name", "Name", 180},
    {"ColKofSerSIDHex", "SID H", TColumnSpec::Text, "SIDHEX", "SID (hex)", 50},
    {"ColKofSerSIDDec", "SID D", TColumnSpec::Number, "SIDDEC", "SID (decimal)", 80},
    {"ColKofSerSTypeHex", "SType H", TColumnSpec::Text, "STypeHEX", "Service Type (hex)", 50},
    {"ColKofSerSTypeDec", "SType D", TColumnSpec::Number, "STypeDEC", "Service Type (decimal)", 80},
    {"ColKofSerTSIDHex", "TSID H", TColumnSpec::Text, "TSIDHEX", "TSID (hex)", 50},
    {"ColKofSerTSIDDec", "TSID D", TColumnSpec::Number, "TSIDDEC", "TSID (decimal)", 80},
    {"ColKofSerONIDHex", "ONID H", TColumnSpec::Text, "ONIDHEX", "ONID (hex)", 50},
    {"ColKofSerONIDDec", "ONID D", TColumnSpec::Number, "ONIDDEC", "ONID (decimal)", 80},
    {"ColKofSerSR", "Symbol Rate", TColumnSpec::Number, "SR", "Symbol Rate", 80},
    {"ColKofSerFEC", "FEC", TColumnSpec::Text, "FEC", "FEC", 40},
    {"ColKofSerPolarization", "Polarization", TColumnSpec::Text, "Polarization", "Polarization", 70},
    {"ColKofSerFrequency", "Frequency", TColumnSpec::Number, "Frequency", "Frequency", 80},
    {"ColKofSerDiSEqC", "DiSEqC", TColumnSpec::Text, "DiSEqC", "DiSEqC", 50},
    {"ColKofSerSat", "Satellite", TColumnSpec::Text, "Satellite", "Satellite", 150},
    {"ColKofSerProvider", "Provider", TColumnSpec::Text, "Provider", "Provider", 120},
    {"ColKofSerCategory", "Category", TColumnSpec::Text, "Category", "Category", 100},
    {"ColKofSerCountry", "Country", TColumnSpec::Text, "Country", "Country", 80},
    {"ColKofSerEncryption", "Encryption", TColumnSpec::Text, "Encryption", "Encryption", 100},
};

const TColumnSpec kBouquetColumns[] = {
    {"ColBouIdx", "#", TColumnSpec::Increment, nullptr, "#", 36},
    {"ColBouLogo", "Logo", TColumnSpec::Logo, "Logo", "Logo", 80},
    {"ColBouSTypeIcon", "ST", TColumnSpec::TypeIcon, "STypeIcon", "Service Type Icon", 80},
    {"ColBouName", "Name", TColumnSpec::Text, "Name", "Name", 200},
    {"ColBouFrequency", "Frequency", TColumnSpec::Number, "Frequency", "Frequency", 80},
    {"ColBouActionIcon", "A", TColumnSpec::ActionIcon, "ActionIcon", "Action Icon", 80},
};

const TColumnSpec kBouquetListColumns[] = {
    {"ColIdx", "#", TColumnSpec::Increment, nullptr, "#", 36},
    {"ColName", "Name", TColumnSpec::Text, nullptr, "Name", 200},
    {"ColCount", "Channels", TColumnSpec::Number, nullptr, "Channels", 80},
    {"ColLocked", "Locked", TColumnSpec::Check, nullptr, "Locked", 80},
    {"ColHidden", "Hidden", TColumnSpec::Check, nullptr, "Hidden", 80},
};

const TFilterSpec kServicesFilters[] = {
    {"ActionSerFilterTv", "TV"},
    {"ActionSerFilterRadio", "Radio"},
    {"ActionSerFilterData", "Data"},
};

const TFilterSpec kMyServicesFilters[] = {
    {"ActionMySerFilterTv", "TV"},
    {"ActionMySerFilterRadio", "Radio"},
    {"ActionMySerFilterOther", "Other"},
    {"ActionMySerFilterAnti", "Remove (Anti)"},
    {"ActionMySerFilterMy", "Add (My)"},
    {"ActionMySerFilterReplace", "Replace"},
    {"ActionMySerFilterObsolete", "Obsolete"},
};

const TFilterSpec kBouquetFilters[] = {
    {"ActionBouFilterTv", "TV"},
    {"ActionBouFilterRadio", "Radio"},
    {"ActionBouFilterData", "Data"},
    {"ActionBouFilterObsolete", "Obsolete"},
};

const TGridViewSpec kGridViews[] = {
    {"Ser", "ServicesGrid", "ToolBarServices", kServicesColumns, kServicesFilters, true},
    {"MySer", "MyServicesGrid", "ToolBarMyServices", kMyServicesColumns, kMyServicesFilters, true},
    {"Kof", "KingOfSatGrid", "ToolBarKingOfSat", kKingOfSatColumns, {}, true},
    {"Bou", "BouquetGrid", "ToolBarBouquet", kBouquetColumns, kBouquetFilters, false},
};

} // namespace

std::span<const TColumnSpec> servicesColumns() { return kServicesColumns; }
std::span<const TColumnSpec> myServicesColumns() { return kMyServicesColumns; }
std::span<const TColumnSpec> kingOfSatColumns() { return kKingOfSatColumns; }
std::span<const TColumnSpec> bouquetColumns() { return kBouquetColumns; }
std::span<const TColumnSpec> bouquetListColumns() { return kBouquetListColumns; }
std::span<const TGridViewSpec> gridViews() { return kGridViews; }

TServiceColumns serviceColumnsOf(const TListGrid &grid)
{
    // The three grids name the same values alike after their prefix
    // ("ColSerSIDHEX", "ColKofSerSIDHex"), so one table of words serves all.
    struct Word {
        const char *word;
        int TServiceColumns::*field;
    };
    static const Word words[] = {
        {"logo", &TServiceColumns::logo},           {"stypeicon", &TServiceColumns::typeIcon},
        {"actionicon", &TServiceColumns::actionIcon}, {"name", &TServiceColumns::name},
        {"sidhex", &TServiceColumns::sidHex},       {"siddec", &TServiceColumns::sidDec},
        {"stypehex", &TServiceColumns::typeHex},    {"stypedec", &TServiceColumns::typeDec},
        {"tsidhex", &TServiceColumns::tsidHex},     {"tsiddec", &TServiceColumns::tsidDec},
        {"onidhex", &TServiceColumns::onidHex},     {"oniddec", &TServiceColumns::onidDec},
        {"sr", &TServiceColumns::symbolRate},       {"fec", &TServiceColumns::fec},
        {"inversion", &TServiceColumns::inversion}, {"polarization", &TServiceColumns::polarization},
        {"modulation", &TServiceColumns::modulation}, {"frequency", &TServiceColumns::frequency},
        {"sat", &TServiceColumns::satelite},        {"diseqc", &TServiceColumns::diseqc},
        {"bouquet", &TServiceColumns::bouquet},     {"provider", &TServiceColumns::provider},
        {"category", &TServiceColumns::category},   {"country", &TServiceColumns::country},
        {"encryption", &TServiceColumns::encryption},
    };
    TServiceColumns columns;
    for (int i = 0; i < grid.Columns()->Count(); ++i) {
        QString name = grid.Columns()->Items(i)->objectName().toLower();
        for (const char *prefix : {"colmyser", "colkofser", "colser"}) {
            if (name.startsWith(QLatin1String(prefix))) {
                name.remove(0, qsizetype(qstrlen(prefix)));
                break;
            }
        }
        for (const Word &w : words) {
            if (name == QLatin1String(w.word))
                columns.*w.field = i;
        }
    }
    return columns;
}
