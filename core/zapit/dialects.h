#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <span>

class TSatelite;
class TServiceList;
class TTransponder;
class TService;
class TBouquet;
class TBouquetService;

// The three zapit files and their dialects, described once: the readers, the
// writers and the detection all work from these tables.
enum class ZapitKind { Services, MyServices, Bouquets };

// The model field an attribute fills.
enum class ZapitField {
    SateliteName, SateliteDiseqc, SatelitePosition,
    TransponderTsid, TransponderOnid, TransponderFrequency, TransponderInversion,
    TransponderSymbolRate, TransponderFec, TransponderPolarization, TransponderModulation,
    ServiceSid, ServiceName, ServiceType, ServiceAction, ServiceChannelNr,
    ServiceCountry, ServiceCategory, ServiceEncryption, ServiceProvider,
    BouquetName, BouquetHidden, BouquetLocked,
    EntrySid, EntryName, EntryTsid, EntryOnid, EntryPosition,
};

struct AttributeSpec {
    const char *name; // as written; the readers accept it in any case
    ZapitField field;
};

struct LevelSpec {
    const char *element;
    std::span<const AttributeSpec> attributes;
};

inline constexpr int kZapitMaxLevels = 3;

struct DialectSpec {
    ZapitKind kind;
    int number;
    int depth; // levels below the root: 3, or 2 for bouquets
    std::array<LevelSpec, kZapitMaxLevels> levels;
};

// The dialects of a kind, in ascending number.
std::span<const DialectSpec> zapitDialects(ZapitKind kind);
// The dialect of that number, or null when the kind has none.
const DialectSpec *findZapitDialect(ZapitKind kind, int number);
// What a reader of the dialect stores as the list's FormatName.
QString zapitDialectDisplayName(const DialectSpec &dialect);
// Whether the dialect places channels on satellites (it writes a DiSEqC
// value, an orbital position or a polarization) rather than in a cable network.
bool zapitDialectIsSatellite(const DialectSpec &dialect);
// The attributes `from` writes whose values `to` has no attribute for, by
// the names `from` gives them, level by level.
QStringList zapitAttributesLeftOut(const DialectSpec &from, const DialectSpec &to);

// Model fields by ZapitField; a field of another level is ignored or empty.
void setZapitField(TSatelite &satelite, ZapitField field, const QString &value);
void setZapitField(TTransponder &transponder, ZapitField field, const QString &value);
void setZapitField(TService &service, ZapitField field, const QString &value);
void setZapitField(TBouquet &bouquet, ZapitField field, const QString &value);
void setZapitField(TBouquetService &entry, ZapitField field, const QString &value);
QString zapitField(const TSatelite &satelite, ZapitField field);
QString zapitField(const TTransponder &transponder, ZapitField field);
QString zapitField(const TService &service, ZapitField field);
QString zapitField(const TBouquet &bouquet, ZapitField field);
QString zapitField(const TBouquetService &entry, ZapitField field);

// The dialect a list is written in: its kind and Format; null when its
// Format names no dialect of that kind.
const DialectSpec *writtenDialect(const TServiceList &list);
// Puts back what a new object holds in every field of its level that the
// dialect does not write, so the object holds what writing it and reading it
// back gives. No dialect leaves the object as it is.
void keepWrittenFields(const DialectSpec *dialect, TSatelite &satelite);
void keepWrittenFields(const DialectSpec *dialect, TTransponder &transponder);
void keepWrittenFields(const DialectSpec *dialect, TService &service);
// Of the texts that make a transponder the same one (TransponderText bits),
// those the dialect writes; every one for no dialect.
quint8 writtenTransponderTexts(const DialectSpec *dialect);
