#include "core/model/linker.h"

#include "core/model/bouquet.h"
#include "core/model/service_key.h"
#include "core/model/service_list.h"

#include <QBitArray>

#include <vector>

namespace {

// One id triple the entries ask for, with the entries that ask for it
// chained through `Waiting::next`.
struct Slot {
    int firstWaiting = -1;
    bool linked = false;
};

struct Waiting {
    TBouquetService *entry;
    const QString *bouquetName;
    int slot;
    int next;
};

// The wanted ids. Packed keys get a map of their own with small nodes, and a
// bit per hash value in front of it: most services of a large list are in no
// bouquet, and the bits, unlike the map, stay in the cache.
class WantedIds
{
public:
    explicit WantedIds(qsizetype expectedKeys)
        : m_bitMask(bitsFor(expectedKeys) - 1), m_bits(bitsFor(expectedKeys))
    {
        m_packed.reserve(expectedKeys);
        m_slots.reserve(std::size_t(expectedKeys));
    }

    // The slot of a key, made when new. The maps hold indexes, not slots:
    // a QHash moves its entries as it grows, so a pointer into it would not
    // survive the next key.
    int slotFor(const TServiceKey &key)
    {
        if (key.isPacked()) {
            m_bits.setBit(bitOf(key.packed()));
            return indexIn(m_packed, key.packed());
        }
        return indexIn(m_texts, key);
    }

    Slot &slot(int index) { return m_slots[std::size_t(index)]; }

    Slot *find(const TServiceKey &key)
    {
        if (key.isPacked()) {
            if (!m_bits.testBit(bitOf(key.packed())))
                return nullptr;
            const auto it = m_packed.constFind(key.packed());
            return it == m_packed.cend() ? nullptr : &m_slots[std::size_t(*it)];
        }
        const auto it = m_texts.constFind(key);
        return it == m_texts.cend() ? nullptr : &m_slots[std::size_t(*it)];
    }

private:
    template <typename Map, typename Key>
    int indexIn(Map &map, const Key &key)
    {
        const auto it = map.constFind(key);
        if (it != map.cend())
            return *it;
        const int index = int(m_slots.size());
        m_slots.emplace_back();
        map.insert(key, index);
        return index;
    }

    // About 32 bits per key: few false hits, and still a small table.
    static qsizetype bitsFor(qsizetype keys)
    {
        qsizetype bits = 4096;
        while (bits < keys * 32)
            bits *= 2;
        return bits;
    }

    qsizetype bitOf(quint64 packed) const
    {
        return qsizetype(qHash(packed, size_t(0x9e3779b9))) & m_bitMask;
    }

    qsizetype m_bitMask;
    QBitArray m_bits;
    QHash<quint64, int> m_packed;
    QHash<TServiceKey, int> m_texts;
    std::vector<Slot> m_slots;
};

// A large list does not fit in the caches, and each service sits in its own
// allocation: ask for the service a few places ahead, and for its id text
// once the service itself has had time to arrive.
constexpr int kPrefetchDistance = 8;

// Links the entries waiting for a slot a little after their service was
// found: the entries were asked for from memory when the service turned up,
// and by the time they are linked they have arrived.
class DeferredLinks
{
public:
    DeferredLinks(std::vector<Waiting> &waiting, bool isMyServices)
        : m_waiting(waiting), m_isMyServices(isMyServices)
    {
    }
    ~DeferredLinks() { flush(); }

    void add(const Slot *slot, const TBouquetService::Target &target)
    {
        for (int w = slot->firstWaiting; w >= 0; w = m_waiting[std::size_t(w)].next)
            __builtin_prefetch(m_waiting[std::size_t(w)].entry);
        if (m_count == kDepth)
            linkOldest();
        m_ring[(m_first + m_count) % kDepth] = {slot, target};
        ++m_count;
    }

    void flush()
    {
        while (m_count > 0)
            linkOldest();
    }

private:
    static constexpr int kDepth = 8;

    void linkOldest()
    {
        const auto &[slot, target] = m_ring[m_first];
        for (int w = slot->firstWaiting; w >= 0; w = m_waiting[std::size_t(w)].next) {
            const Waiting &it = m_waiting[std::size_t(w)];
            if (m_isMyServices)
                it.entry->ResolveFound({}, target, *it.bouquetName);
            else
                it.entry->ResolveFound(target, {}, *it.bouquetName);
        }
        m_first = (m_first + 1) % kDepth;
        --m_count;
    }

    std::vector<Waiting> &m_waiting;
    const bool m_isMyServices;
    std::pair<const Slot *, TBouquetService::Target> m_ring[kDepth];
    int m_first = 0;
    int m_count = 0;
};

// Walks the list once in tree order. The first service with a wanted id
// takes every entry waiting for that id; later services with the same ids
// are passed over.
void linkWaitingEntries(const TServiceList &list, bool isMyServices, WantedIds &wanted,
                        std::vector<Waiting> &waiting, bool clearBouquetNames)
{
    DeferredLinks links(waiting, isMyServices);
    for (int a = 0; a < list.Count(); ++a) {
        TSatelite *sat = list.GetItem(a);
        for (int t = 0; t < sat->Count(); ++t) {
            TTransponder *tp = sat->GetItem(t);
            const int count = tp->Count();
            for (int s = 0; s < count; ++s) {
                if (s + 2 * kPrefetchDistance < count)
                    __builtin_prefetch(tp->GetItem(s + 2 * kPrefetchDistance));
                if (s + kPrefetchDistance < count)
                    __builtin_prefetch(tp->GetItem(s + kPrefetchDistance)->Sid.constData());
                TService *service = tp->GetItem(s);
                if (clearBouquetNames)
                    service->ClearBouquetNames();
                Slot *slot = wanted.find(TServiceKey(service->Sid, tp->Tsid, tp->Onid));
                if (!slot || slot->linked)
                    continue;
                slot->linked = true;
                links.add(slot, {service, tp, sat});
            }
        }
    }
}

bool linkWaiting(const std::vector<TEntryToLink> &entries, const TServiceList &serviceList,
                 const TServiceList &myServiceList, bool clearBouquetNames)
{
    WantedIds wanted(qsizetype(entries.size()));
    std::vector<Waiting> waiting;
    waiting.reserve(entries.size());
    for (const TEntryToLink &e : entries) {
        TBouquetService *entry = e.entry;
        const int index = wanted.slotFor(TServiceKey(entry->Sid, entry->Tsid, entry->Onid));
        Slot &slot = wanted.slot(index);
        waiting.push_back({entry, e.bouquetName, index, slot.firstWaiting});
        slot.firstWaiting = int(waiting.size()) - 1;
    }
    // No more slots are made from here on, so pointers to slots stay valid.

    // The user's own entries take precedence: their list goes first, and the
    // services list only gets the ids it left unlinked.
    linkWaitingEntries(myServiceList, true, wanted, waiting, clearBouquetNames);
    if (&serviceList != &myServiceList)
        linkWaitingEntries(serviceList, false, wanted, waiting, clearBouquetNames);

    bool allLinked = true;
    for (const Waiting &w : waiting) {
        if (!wanted.slot(w.slot).linked) {
            w.entry->ResolveFound({}, {}, *w.bouquetName);
            allLinked = false;
        }
    }
    return allLinked;
}

} // namespace

bool linkBouquets(const std::vector<TBouquet *> &bouquets, const TServiceList &serviceList,
                  const TServiceList &myServiceList, bool clearBouquetNames)
{
    std::vector<TEntryToLink> entries;
    std::size_t count = 0;
    for (const TBouquet *bouquet : bouquets)
        count += std::size_t(bouquet->Count());
    entries.reserve(count);
    for (const TBouquet *bouquet : bouquets) {
        for (int i = 0; i < bouquet->Count(); ++i)
            entries.push_back({bouquet->GetItem(i), &bouquet->Name});
    }
    return linkWaiting(entries, serviceList, myServiceList, clearBouquetNames);
}

bool linkEntries(const std::vector<TEntryToLink> &entries, const TServiceList &serviceList,
                 const TServiceList &myServiceList)
{
    return linkWaiting(entries, serviceList, myServiceList, false);
}
