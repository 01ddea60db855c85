#include "core/zapit/dialects.h"

#include "core/model/bouquet.h"
#include "core/model/bouquet_service.h"
#include "core/model/satelite.h"
#include "core/model/service_list.h"
#include "core/model/service.h"
#include "core/model/transponder.h"
#include "core/zapit/format_names.h"

#include <initializer_list>
#include <utility>

namespace {

using F = ZapitField;

constexpr AttributeSpec kSat[] = {{"name", F::SateliteName}, {"diseqc", F::SateliteDiseqc}};
constexpr AttributeSpec kSatPosition[] = {{"name", F::SateliteName},
                                          {"diseqc", F::SateliteDiseqc},
                                          {"position", F::SatelitePosition}};
constexpr AttributeSpec kCable[] = {{"name", F::SateliteName}};

constexpr AttributeSpec kSatTransponder[] = {
    {"id", F::TransponderTsid},
    {"onid", F::TransponderOnid},
    {"frequency", F::TransponderFrequency},
    {"inversion", F::TransponderInversion},
    {"symbol_rate", F::TransponderSymbolRate},
    {"fec_inner", F::TransponderFec},
    {"polarization", F::TransponderPolarization},
};
constexpr AttributeSpec kCableTransponder[] = {
    {"id", F::TransponderTsid},
    {"onid", F::TransponderOnid},
    {"frequency", F::TransponderFrequency},
    {"inversion", F::TransponderInversion},
    {"symbol_rate", F::TransponderSymbolRate},
    {"fec_inner", F::TransponderFec},
    {"modulation", F::TransponderModulation},
};
constexpr AttributeSpec kShortTransponder[] = {
    {"id", F::TransponderTsid},
    {"on", F::TransponderOnid},
    {"frq", F::TransponderFrequency},
    {"inv", F::TransponderInversion},
    {"sr", F::TransponderSymbolRate},
    {"fec", F::TransponderFec},
    {"modulation", F::TransponderModulation},
};

constexpr AttributeSpec kChannel[] = {{"service_id", F::ServiceSid},
                                      {"name", F::ServiceName},
                                      {"service_type", F::ServiceType}};
constexpr AttributeSpec kChannelEsi[] = {
    {"service_id", F::ServiceSid}, {"name", F::ServiceName},
    {"service_type", F::ServiceType}, {"country", F::ServiceCountry},
    {"category", F::ServiceCategory}, {"encryption", F::ServiceEncryption},
    {"provider", F::ServiceProvider},
};
constexpr AttributeSpec kShortChannel[] = {{"i", F::ServiceSid},
                                           {"n", F::ServiceName},
                                           {"t", F::ServiceType}};
constexpr AttributeSpec kChannelNumbered[] = {{"service_id", F::ServiceSid},
                                              {"name", F::ServiceName},
                                              {"service_type", F::ServiceType},
                                              {"channel_nr", F::ServiceChannelNr}};
constexpr AttributeSpec kMyChannel[] = {{"service_id", F::ServiceSid},
                                        {"action", F::ServiceAction},
                                        {"name", F::ServiceName},
                                        {"service_type", F::ServiceType}};

constexpr AttributeSpec kBouquet[] = {{"name", F::BouquetName},
                                      {"hidden", F::BouquetHidden},
                                      {"locked", F::BouquetLocked}};
constexpr AttributeSpec kEntryLower[] = {{"serviceid", F::EntrySid},
                                         {"name", F::EntryName},
                                         {"tsid", F::EntryTsid},
                                         {"onid", F::EntryOnid},
                                         {"sat_position", F::EntryPosition}};
constexpr AttributeSpec kEntryCable[] = {{"serviceID", F::EntrySid},
                                         {"name", F::EntryName},
                                         {"tsid", F::EntryTsid},
                                         {"onid", F::EntryOnid}};
constexpr AttributeSpec kEntrySat[] = {{"serviceID", F::EntrySid},
                                       {"name", F::EntryName},
                                       {"tsid", F::EntryTsid},
                                       {"onid", F::EntryOnid},
                                       {"sat", F::EntryPosition}};
constexpr AttributeSpec kEntryPosition[] = {{"serviceID", F::EntrySid},
                                            {"name", F::EntryName},
                                            {"tsid", F::EntryTsid},
                                            {"onid", F::EntryOnid},
                                            {"sat_position", F::EntryPosition}};

constexpr LevelSpec kNoLevel{nullptr, {}};

const DialectSpec kServicesDialects[] = {
    {ZapitKind::Services, 1, 3,
     {LevelSpec{"sat", kSat}, LevelSpec{"transponder", kSatTransponder}, LevelSpec{"channel", kChannel}}},
    {ZapitKind::Services, 2, 3,
     {LevelSpec{"cable", kCable}, LevelSpec{"transponder", kCableTransponder},
      LevelSpec{"channel", kChannel}}},
    {ZapitKind::Services, 3, 3,
     {LevelSpec{"sat", kSat}, LevelSpec{"transponder", kSatTransponder},
      LevelSpec{"channel", kChannelEsi}}},
    {ZapitKind::Services, 4, 3,
     {LevelSpec{"sat", kSatPosition}, LevelSpec{"transponder", kSatTransponder},
      LevelSpec{"channel", kChannel}}},
    {ZapitKind::Services, 5, 3,
     {LevelSpec{"cable", kCable}, LevelSpec{"TS", kShortTransponder}, LevelSpec{"S", kShortChannel}}},
    {ZapitKind::Services, 6, 3,
     {LevelSpec{"sat", kSatPosition}, LevelSpec{"transponder", kSatTransponder},
      LevelSpec{"channel", kChannelNumbered}}},
};

const DialectSpec kMyServicesDialects[] = {
    {ZapitKind::MyServices, 1, 3,
     {LevelSpec{"sat", kSat}, LevelSpec{"transponder", kSatTransponder},
      LevelSpec{"channel", kMyChannel}}},
    {ZapitKind::MyServices, 2, 3,
     {LevelSpec{"cable", kCable}, LevelSpec{"transponder", kCableTransponder},
      LevelSpec{"channel", kMyChannel}}},
};

const DialectSpec kBouquetDialects[] = {
    {ZapitKind::Bouquets, 1, 2, {LevelSpec{"bouquet", kBouquet}, LevelSpec{"channel", kEntryLower}, kNoLevel}},
    {ZapitKind::Bouquets, 2, 2, {LevelSpec{"Bouquet", kBouquet}, LevelSpec{"channel", kEntryCable}, kNoLevel}},
    {ZapitKind::Bouquets, 3, 2, {LevelSpec{"Bouquet", kBouquet}, LevelSpec{"channel", kEntrySat}, kNoLevel}},
    {ZapitKind::Bouquets, 4, 2,
     {LevelSpec{"Bouquet", kBouquet}, LevelSpec{"channel", kEntryPosition}, kNoLevel}},
};

QString flagText(bool flag)
{
    return flag ? QStringLiteral("1") : QStringLiteral("0");
}

bool writes(const LevelSpec &level, ZapitField field)
{
    for (const AttributeSpec &a : level.attributes) {
        if (a.field == field)
            return true;
    }
    return false;
}

template <typename Object>
void keepWritten(const DialectSpec *dialect, int level, Object &object,
                 std::initializer_list<ZapitField> fields)
{
    if (!dialect)
        return;
    const Object fresh;
    for (ZapitField field : fields) {
        if (!writes(dialect->levels[std::size_t(level - 1)], field)
            && zapitField(object, field) != zapitField(fresh, field))
            setZapitField(object, field, zapitField(fresh, field));
    }
}

} // namespace

std::span<const DialectSpec> zapitDialects(ZapitKind kind)
{
    switch (kind) {
    case ZapitKind::Services: return kServicesDialects;
    case ZapitKind::MyServices: return kMyServicesDialects;
    case ZapitKind::Bouquets: return kBouquetDialects;
    }
    return {};
}

const DialectSpec *findZapitDialect(ZapitKind kind, int number)
{
    const auto dialects = zapitDialects(kind);
    if (number < 1 || number > int(dialects.size()))
        return nullptr;
    return &dialects[std::size_t(number - 1)];
}

QString zapitDialectDisplayName(const DialectSpec &dialect)
{
    // The my-services readers take the services names of the same number;
    // the texts are the same as the my-services names.
    return dialect.kind == ZapitKind::Bouquets ? BouquetXMLFormatNames[dialect.number]
                                               : ServicesXMLFormatNames[dialect.number];
}

bool zapitDialectIsSatellite(const DialectSpec &dialect)
{
    for (const LevelSpec &level : dialect.levels) {
        for (ZapitField field : {F::SateliteDiseqc, F::SatelitePosition, F::TransponderPolarization,
                                 F::EntryPosition}) {
            if (writes(level, field))
                return true;
        }
    }
    return false;
}

QStringList zapitAttributesLeftOut(const DialectSpec &from, const DialectSpec &to)
{
    QStringList names;
    for (std::size_t level = 0; level < from.levels.size(); ++level) {
        for (const AttributeSpec &a : from.levels[level].attributes) {
            if (!writes(to.levels[level], a.field))
                names.append(QLatin1String(a.name));
        }
    }
    return names;
}

void setZapitField(TSatelite &s, ZapitField field, const QString &value)
{
    switch (field) {
    case F::SateliteName: s.Name = value; break;
    case F::SateliteDiseqc: s.Diseqc = value; break;
    case F::SatelitePosition: s.Position = value; break;
    default: break;
    }
}

void setZapitField(TTransponder &t, ZapitField field, const QString &value)
{
    switch (field) {
    case F::TransponderTsid: t.Tsid = value; break;
    case F::TransponderOnid: t.Onid = value; break;
    case F::TransponderFrequency: t.Frequency = value; break;
    case F::TransponderInversion: t.Inversion = value; break;
    case F::TransponderSymbolRate: t.SymbolRate = value; break;
    case F::TransponderFec: t.Fec = value; break;
    case F::TransponderPolarization: t.Polarization = value; break;
    case F::TransponderModulation: t.Modulation = value; break;
    default: break;
    }
}

void setZapitField(TService &s, ZapitField field, const QString &value)
{
    switch (field) {
    case F::ServiceSid: s.Sid = value; break;
    case F::ServiceName: s.Name = value; break;
    case F::ServiceType: s.SetServiceType(value); break;
    case F::ServiceAction: s.SetActionText(value); break;
    case F::ServiceChannelNr: s.ChannelNr = value; break;
    case F::ServiceCountry: s.SetCountry(value); break;
    case F::ServiceCategory: s.SetCategory(value); break;
    case F::ServiceEncryption: s.SetEncryption(value); break;
    case F::ServiceProvider: s.SetProvider(value); break;
    default: break;
    }
}

void setZapitField(TBouquet &b, ZapitField field, const QString &value)
{
    // Exactly "1" sets a flag; "true", "0" or an empty value clear it.
    switch (field) {
    case F::BouquetName: b.Name = value; break;
    case F::BouquetHidden: b.Hidden = value == u"1"; break;
    case F::BouquetLocked: b.Locked = value == u"1"; break;
    default: break;
    }
}

void setZapitField(TBouquetService &e, ZapitField field, const QString &value)
{
    switch (field) {
    case F::EntrySid: e.Sid = value; break;
    case F::EntryName: e.Name = value; break;
    case F::EntryTsid: e.Tsid = value; break;
    case F::EntryOnid: e.Onid = value; break;
    case F::EntryPosition: e.Position = value; break;
    default: break;
    }
}

QString zapitField(const TSatelite &s, ZapitField field)
{
    switch (field) {
    case F::SateliteName: return s.Name;
    case F::SateliteDiseqc: return s.Diseqc;
    case F::SatelitePosition: return s.Position;
    default: return QString();
    }
}

QString zapitField(const TTransponder &t, ZapitField field)
{
    switch (field) {
    case F::TransponderTsid: return t.Tsid;
    case F::TransponderOnid: return t.Onid;
    case F::TransponderFrequency: return t.Frequency;
    case F::TransponderInversion: return t.Inversion;
    case F::TransponderSymbolRate: return t.SymbolRate;
    case F::TransponderFec: return t.Fec;
    case F::TransponderPolarization: return t.Polarization;
    case F::TransponderModulation: return t.Modulation;
    default: return QString();
    }
}

QString zapitField(const TService &s, ZapitField field)
{
    switch (field) {
    case F::ServiceSid: return s.Sid;
    case F::ServiceName: return s.Name;
    case F::ServiceType: return s.GetServiceType();
    case F::ServiceAction: return s.Action();
    case F::ServiceChannelNr: return s.ChannelNr;
    case F::ServiceCountry: return s.Country();
    case F::ServiceCategory: return s.Category();
    case F::ServiceEncryption: return s.Encryption();
    case F::ServiceProvider: return s.Provider();
    default: return QString();
    }
}

QString zapitField(const TBouquet &b, ZapitField field)
{
    switch (field) {
    case F::BouquetName: return b.Name;
    case F::BouquetHidden: return flagText(b.Hidden);
    case F::BouquetLocked: return flagText(b.Locked);
    default: return QString();
    }
}

QString zapitField(const TBouquetService &e, ZapitField field)
{
    switch (field) {
    case F::EntrySid: return e.Sid;
    case F::EntryName: return e.Name;
    case F::EntryTsid: return e.Tsid;
    case F::EntryOnid: return e.Onid;
    case F::EntryPosition: return e.Position;
    default: return QString();
    }
}

const DialectSpec *writtenDialect(const TServiceList &list)
{
    return findZapitDialect(list.Kind, list.Format);
}

void keepWrittenFields(const DialectSpec *dialect, TSatelite &s)
{
    keepWritten(dialect, 1, s, {F::SateliteName, F::SateliteDiseqc, F::SatelitePosition});
}

void keepWrittenFields(const DialectSpec *dialect, TTransponder &t)
{
    keepWritten(dialect, 2, t,
                {F::TransponderTsid, F::TransponderOnid, F::TransponderFrequency,
                 F::TransponderInversion, F::TransponderSymbolRate, F::TransponderFec,
                 F::TransponderPolarization, F::TransponderModulation});
}

void keepWrittenFields(const DialectSpec *dialect, TService &s)
{
    keepWritten(dialect, 3, s,
                {F::ServiceSid, F::ServiceName, F::ServiceType, F::ServiceAction,
                 F::ServiceChannelNr, F::ServiceCountry, F::ServiceCategory,
                 F::ServiceEncryption, F::ServiceProvider});
}

quint8 writtenTransponderTexts(const DialectSpec *dialect)
{
    if (!dialect)
        return kEveryTransponderText;
    quint8 texts = 0;
    for (const auto &[field, text] :
         {std::pair{F::TransponderTsid, ttTsid}, std::pair{F::TransponderOnid, ttOnid},
          std::pair{F::TransponderFrequency, ttFrequency},
          std::pair{F::TransponderSymbolRate, ttSymbolRate}, std::pair{F::TransponderFec, ttFec},
          std::pair{F::TransponderPolarization, ttPolarization},
          std::pair{F::TransponderModulation, ttModulation}}) {
        if (writes(dialect->levels[1], field))
            texts |= text;
    }
    return texts;
}
