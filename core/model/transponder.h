#pragma once

#include "core/model/merge_table.h"
#include "core/model/owned_list.h"
#include "core/model/service.h"
#include "core/model/service_key.h"

#include <QSet>

#include <cstdint>
#include <memory>

// One transponder of a satellite (or cable network) and the services on it.
class TTransponder
{
public:
    TTransponder() = default;
    ~TTransponder() = default; // frees the services; no unsaved-changes report
    TTransponder(const TTransponder &) = delete;
    TTransponder &operator=(const TTransponder &) = delete;

    QString Tsid = QStringLiteral("0000");
    QString Onid = QStringLiteral("0000");
    QString Frequency = QStringLiteral("0");
    QString Inversion = QStringLiteral("0");
    QString SymbolRate = QStringLiteral("0");
    QString Fec = QStringLiteral("0");
    QString Polarization = QStringLiteral("0");
    QString Modulation = QStringLiteral("0");

    int Count() const { return m_services.count(); }
    TService *GetItem(int index) const;
    void Clear();

    // The eight texts, no services.
    std::unique_ptr<TTransponder> Clone() const;
    void SetWildcards();

    QString GetTsidDec() const;
    QString GetOnidDec() const;
    void SetTsidDec(const QString &decimal);
    void SetOnidDec(const QString &decimal);
    void SetFecText(const QString &text);

    int FindService(const TService &templ, bool useWildcards, bool compareName,
                    bool compareType, TService *&service) const;
    int FindServiceByNameSid(const TService &service, TService *&found) const;

    // Takes the service; when an equal one (name, id, type) is already here the
    // given one is freed and `*inList` refers to the existing one.
    int AddService(std::unique_ptr<TService> service, TService **inList = nullptr);
    // Appends a clone; the caller keeps its service.
    int AddService(const TService &service);
    bool DeleteService(TService *service);
    void MoveServicesTo(TTransponder &target);

    void UnmarkAll();
    void ResetMatched();
    void UpdateClassAll();
    void ClearBouquetNames();
    void MarkAll();

    int RemoveObsolete();
    int RemoveData();
    // Removes the services no bouquet holds and whose ids are not in `inUse`.
    int RemoveUnbouqueted(const QSet<TServiceKey> &inUse);
    void DeleteMarked();

    // Read-only access for walkers.
    template <typename Fn>
    void forEachService(Fn fn) const
    {
        m_services.forEach(fn);
    }

    // Frees the look-up table of the adding with merge, and the room its
    // list of services kept for more: for a transponder that is complete but
    // waits to be handed to its satellite, which frees them too. A later
    // merge into it makes the table again.
    void dropMergeIndex()
    {
        m_mergeTable.reset();
        m_services.trim();
    }

private:
    friend class TSatelite;

    template <typename Pred>
    int removeServices(Pred remove, bool markNeighbour);
    int findEqualService(const TService &service, std::uint32_t keyHash);
    void fileAppended(int index, std::uint32_t keyHash);
    void dropTables();

    OwnedList<TService, false> m_services;
    MergeTable m_mergeTable; // by name, id and type
};

// A hash of a service's name (exact) and id (upper-cased): services that are
// the same one to a merge or to the import news hash alike.
std::uint32_t serviceKeyHash(const TService &service);

// The seven texts that make a transponder the same one (all but inversion),
// as bits: a file holds some of them only, polarization on a satellite,
// modulation in a cable network.
enum TransponderText : quint8 {
    ttTsid = 1, ttOnid = 2, ttFrequency = 4, ttSymbolRate = 8, ttFec = 16,
    ttPolarization = 32, ttModulation = 64,
};
inline constexpr quint8 kEveryTransponderText = 0x7F;

// Whether a transponder matches a template on those of the seven texts that
// `texts` names, case-insensitively.
bool transponderMatches(const TTransponder &candidate, const TTransponder &templ,
                        bool useWildcards, quint8 texts = kEveryTransponderText);
// A hash of those texts, upper-cased: transponders that transponderMatches
// calls the same without wildcards, on the same texts, hash alike.
std::size_t transponderMatchHash(const TTransponder &transponder,
                                 quint8 texts = kEveryTransponderText);
