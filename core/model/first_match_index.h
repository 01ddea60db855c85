#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A hash table from keys to the first entry of a list that has the key. It
// holds only entry indexes and hashes: the caller says how an entry's key is
// compared, so the table keeps no copies of the entries' texts, and an entry
// with a key already present is not filed (a look-up finds the earliest).
class FirstMatchIndex
{
public:
    bool isEmpty() const { return m_used == 0; }

    // The index of the entry filed under a key, or -1. sameKey(index) tells
    // whether that entry has the key looked for.
    template <typename SameKey>
    int find(std::size_t hash, SameKey sameKey) const
    {
        if (m_slots.empty())
            return -1;
        const auto h = std::uint32_t(hash);
        for (std::size_t i = h & m_mask;; i = (i + 1) & m_mask) {
            const Slot &slot = m_slots[i];
            if (slot.index < 0)
                return -1;
            if (slot.hash == h && sameKey(slot.index))
                return slot.index;
        }
    }

    // Asks for the slot a look-up of `hash` starts at, a while before the
    // look-up: in a table larger than the caches, look-ups that follow one
    // another then wait for memory together.
    void prefetch(std::size_t hash) const
    {
        if (!m_slots.empty())
            __builtin_prefetch(&m_slots[std::uint32_t(hash) & m_mask]);
    }

    // Files the entry unless one with the same key is filed already; returns
    // the index that stays filed under the key.
    template <typename SameKey>
    int insert(std::size_t hash, int index, SameKey sameKey)
    {
        if (2 * (m_used + 1) > m_slots.size())
            grow();
        const auto h = std::uint32_t(hash);
        for (std::size_t i = h & m_mask;; i = (i + 1) & m_mask) {
            Slot &slot = m_slots[i];
            if (slot.index < 0) {
                slot = {h, index};
                ++m_used;
                return index;
            }
            if (slot.hash == h && sameKey(slot.index))
                return slot.index;
        }
    }

    void reserve(std::size_t entries)
    {
        while (2 * entries > m_slots.size())
            grow();
    }

private:
    struct Slot {
        std::uint32_t hash = 0;
        int index = -1;
    };

    void grow()
    {
        std::vector<Slot> old;
        old.swap(m_slots);
        m_slots.resize(old.empty() ? 16 : 2 * old.size());
        m_mask = m_slots.size() - 1;
        for (const Slot &slot : old) {
            if (slot.index < 0)
                continue;
            std::size_t i = slot.hash & m_mask;
            while (m_slots[i].index >= 0)
                i = (i + 1) & m_mask;
            m_slots[i] = slot;
        }
    }

    std::vector<Slot> m_slots;
    std::size_t m_mask = 0;
    std::size_t m_used = 0;
};
