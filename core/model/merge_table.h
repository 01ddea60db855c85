#pragma once

#include "core/model/first_match_index.h"
#include "core/model/save_handler.h"

#include <cstddef>
#include <memory>

// The look-up table of a container's adding with merge: each key to the
// first of the container's entries that has it, as a scan from the first
// entry would find it. Adds that append to the container file the new entry
// here; any other change to the model may have renamed or removed entries
// (the keys generation moves), and then, or when the count of entries no
// longer agrees with what was filed, the next use files every entry anew. So
// the table never answers from keys that have changed, and a merge costs a
// look-up instead of a scan of everything added before it.
class MergeTable
{
public:
    // Containers of fewer entries are scanned: their table would cost more
    // than it saves.
    static constexpr int kScanBelow = 16;

    // The first of the `count` entries with the key, or -1. hashOf(i) is the
    // hash of entry i's key, sameEntries(i, j) whether entries i and j have
    // the same key, sameKey(i) whether entry i has the key looked for.
    template <typename HashOf, typename SameEntries, typename SameKey>
    int find(int count, std::size_t hash, HashOf hashOf, SameEntries sameEntries,
             SameKey sameKey)
    {
        if (!isCurrent(count)) {
            m_index = std::make_unique<FirstMatchIndex>();
            m_index->reserve(std::size_t(count));
            for (int i = 0; i < count; ++i)
                m_index->insert(hashOf(i), i, [&](int j) { return sameEntries(j, i); });
            m_keysGeneration = ModelKeysGeneration();
            m_filed = count;
        }
        return m_index->find(hash, sameKey);
    }

    // After an entry was appended at `index`: filed when the table is current,
    // else left for the next use to file with all the others. sameKey(i)
    // whether entry i has the appended entry's key.
    template <typename SameKey>
    void appended(std::size_t hash, int index, SameKey sameKey)
    {
        if (!isCurrent(index))
            return;
        m_index->insert(hash, index, sameKey);
        m_filed = index + 1;
    }

    // Frees the table, for a container whose entries went or that is
    // complete and unlikely to be merged into.
    void reset() { m_index.reset(); }
    bool isHeld() const { return m_index != nullptr; }

private:
    bool isCurrent(int count) const
    {
        return m_index && m_filed == count && m_keysGeneration == ModelKeysGeneration();
    }

    std::unique_ptr<FirstMatchIndex> m_index;
    quint64 m_keysGeneration = 0;
    int m_filed = 0;
};
