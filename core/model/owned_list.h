#pragma once

#include "core/util/exception.h"
#include "core/util/messages.h"
#include "core/util/text_compare.h"

#include <QString>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

// An ordered list of owned objects. A keyed list files each object under a
// display key, set when the object is added and changed only by setKey; it
// does not follow the object's own fields. The service tree never reads its
// keys, so its lists keep none. Only checkedAt checks its index.
template <typename T, bool Keyed = true>
class OwnedList
{
public:
    OwnedList() = default;
    OwnedList(const OwnedList &) = delete;
    OwnedList &operator=(const OwnedList &) = delete;

    int count() const { return int(m_entries.size()); }
    bool isEmpty() const { return m_entries.empty(); }
    T *at(int index) const { return m_entries[std::size_t(index)].object.get(); }

    // What every model container's GetItem does with a bad index.
    T *checkedAt(int index) const
    {
        if (index < 0 || index >= count())
            throw Exception(msg(MsgIndexOutOfBounds));
        return at(index);
    }
    const QString &keyAt(int index) const
        requires Keyed
    {
        return m_entries[std::size_t(index)].key;
    }
    void setKey(int index, QString key)
        requires Keyed
    {
        m_entries[std::size_t(index)].key = std::move(key);
    }

    // Gives back the room kept for further appends.
    void trim() { m_entries.shrink_to_fit(); }

    int append(QString key, std::unique_ptr<T> object)
    {
        m_entries.push_back(makeEntry(std::move(key), std::move(object)));
        return count() - 1;
    }

    // Adding with merge: when findEqual (object, out existing) finds an equal
    // entry, mergeInto (object, existing) hands over what the object holds
    // and the object is freed; otherwise the object is appended. `*inList`
    // then refers to the entry that stays. Returns its index.
    template <typename FindEqual, typename MergeInto>
    int appendOrMerge(QString key, std::unique_ptr<T> object, T **inList, FindEqual findEqual,
                      MergeInto mergeInto)
    {
        T *existing = nullptr;
        const int index = findEqual(*object, existing);
        if (index >= 0) {
            mergeInto(*object, *existing);
            if (inList)
                *inList = existing;
            return index;
        }
        if (inList)
            *inList = object.get();
        return append(std::move(key), std::move(object));
    }

    template <typename Fn>
    int sum(Fn fn) const
    {
        int total = 0;
        for (const auto &entry : m_entries)
            total += fn(*entry.object);
        return total;
    }

    void insert(int index, QString key, std::unique_ptr<T> object)
    {
        m_entries.insert(m_entries.begin() + index, makeEntry(std::move(key), std::move(object)));
    }

    std::unique_ptr<T> take(int index)
    {
        auto object = std::move(m_entries[std::size_t(index)].object);
        m_entries.erase(m_entries.begin() + index);
        return object;
    }

    void removeAt(int index) { take(index); }

    int indexOf(const T *object) const
    {
        for (std::size_t i = 0; i < m_entries.size(); ++i) {
            if (m_entries[i].object.get() == object)
                return int(i);
        }
        return -1;
    }

    void clear() { m_entries.clear(); }
    void swap(OwnedList &other) noexcept { m_entries.swap(other.m_entries); }

    struct Removal {
        int removed = 0;
        int lowestIndex = -1; // where the first removed entry stood
    };

    // Frees every entry the predicate picks, walking from the last to the
    // first (so the predicate sees the list as it was above the current one),
    // then closes the gaps in one pass.
    template <typename Pred>
    Removal removeIf(Pred remove)
    {
        Removal result;
        for (int i = count() - 1; i >= 0; --i) {
            if (remove(*at(i))) {
                m_entries[std::size_t(i)].object.reset();
                ++result.removed;
                result.lowestIndex = i;
            }
        }
        if (result.removed > 0) {
            m_entries.erase(std::remove_if(m_entries.begin() + result.lowestIndex,
                                           m_entries.end(),
                                           [](const Entry &e) { return !e.object; }),
                            m_entries.end());
        }
        return result;
    }

    // Puts the entries in a new order: order[i] is the index, in the current
    // list, of the entry that is to stand at i (a permutation).
    void reorder(const std::vector<int> &order)
    {
        std::vector<Entry> reordered;
        reordered.reserve(m_entries.size());
        for (int from : order)
            reordered.push_back(std::move(m_entries[std::size_t(from)]));
        m_entries.swap(reordered);
    }

    // Takes the entries at `block` (indexes, in the order they are to stand)
    // out of the list and puts them back together after the first `before`
    // of the others, which keep their order. In place but for the block, and
    // in passes over the list from one end to the other: long lists do not
    // fit in the caches, and jumping about in them costs a trip to memory
    // per entry.
    void placeBlock(const std::vector<int> &block, int before)
    {
        std::vector<bool> inBlock(m_entries.size(), false);
        std::vector<Entry> taken;
        taken.reserve(block.size());
        for (int index : block) {
            inBlock[std::size_t(index)] = true;
            taken.push_back(std::move(m_entries[std::size_t(index)]));
        }
        // The first `before` others close up towards the top, the rest
        // towards the bottom; between them the block's room is left.
        const std::size_t count = m_entries.size();
        std::size_t to = 0;
        std::size_t from = 0;
        for (; to < std::size_t(before); ++from) {
            if (inBlock[from])
                continue;
            if (to != from)
                m_entries[to] = std::move(m_entries[from]);
            ++to;
        }
        std::size_t bottom = count;
        for (std::size_t i = count; i-- > from;) {
            if (inBlock[i])
                continue;
            if (--bottom != i)
                m_entries[bottom] = std::move(m_entries[i]);
        }
        std::move(taken.begin(), taken.end(), m_entries.begin() + before);
    }

    // After a deletion, mark the entry that now stands where the deleted
    // block began (or the last one), so the grid selection moves on to it.
    template <typename SetMark>
    void markSuccessor(const Removal &removal, SetMark setMark)
    {
        if (removal.removed > 0 && count() > 0)
            setMark(*at(std::min(removal.lowestIndex, count() - 1)));
    }

    // Empties the list and hands every object to the caller.
    std::vector<std::unique_ptr<T>> releaseAll()
    {
        std::vector<std::unique_ptr<T>> objects;
        objects.reserve(m_entries.size());
        for (auto &entry : m_entries)
            objects.push_back(std::move(entry.object));
        m_entries.clear();
        return objects;
    }

    // Stable, so entries that compare equal keep their relative order.
    template <typename Less>
    void sortByKey(Less less)
        requires Keyed
    {
        std::stable_sort(m_entries.begin(), m_entries.end(),
                         [&](const Entry &a, const Entry &b) { return less(a.key, b.key); });
    }

    // Stable, in compareText's order of the keys.
    void sortByText()
        requires Keyed
    {
        std::vector<QStringView> keys;
        keys.reserve(m_entries.size());
        for (const Entry &entry : m_entries)
            keys.emplace_back(entry.key);
        const std::vector<std::uint32_t> order = textSortOrder(keys);
        std::vector<Entry> sorted;
        sorted.reserve(m_entries.size());
        for (const std::uint32_t i : order)
            sorted.push_back(std::move(m_entries[i]));
        m_entries = std::move(sorted);
    }

    template <typename Fn>
    void forEach(Fn fn) const
    {
        for (const auto &entry : m_entries)
            fn(entry.object.get());
    }

private:
    struct KeyedEntry {
        QString key;
        std::unique_ptr<T> object;
    };
    struct PlainEntry {
        std::unique_ptr<T> object;
    };
    using Entry = std::conditional_t<Keyed, KeyedEntry, PlainEntry>;

    static Entry makeEntry([[maybe_unused]] QString key, std::unique_ptr<T> object)
    {
        if constexpr (Keyed)
            return Entry{std::move(key), std::move(object)};
        else
            return Entry{std::move(object)};
    }

    std::vector<Entry> m_entries;
};
