#pragma once

#include "core/model/owned_list.h"

#include <algorithm>
#include <span>
#include <unordered_map>
#include <vector>

// Moving the marked entries of a list (bouquet entries in a bouquet, bouquets
// in the bouquet list). T has `Marked` and `Moved` flags.

// Moving the marked entries to a drop position: the marked entries go
// together as one block, in the order they stood, and the unmarked ones keep
// their order around it. A user who drags a selection, or drops services
// picked in a certain order, expects to find them in that order at the drop.
// So the new order is the unmarked entries with the marked ones set in
// between them after a certain number of them, which only takes one pass
// over the list to find (lists reach 100,000 entries).

namespace marked_moves_detail {

// What the moves need of every entry, read in one pass over the objects (in a
// long list each visit of an object is a trip to memory), setting `Moved` on
// the way: every marked entry moves, so afterwards exactly the marked ones
// are flagged moved, and the marks stay on the same objects. Fills `marked`
// with the indexes of the marked entries, top first, and returns the index of
// the row-th entry that isShown accepts (row counted from 0), -1 if none.
template <typename T, typename IsShown>
int scanEntries(OwnedList<T> &list, int row, IsShown isShown, std::vector<int> &marked)
{
    constexpr int kAhead = 8;
    const int count = list.count();
    int anchor = -1;
    for (int i = 0, shown = 0; i < count; ++i) {
        if (i + kAhead < count)
            __builtin_prefetch(list.at(i + kAhead), 1);
        T *item = list.at(i);
        if (item->Moved != item->Marked)
            item->Moved = item->Marked; // an object left clean need not go back to memory
        if (item->Marked)
            marked.push_back(i);
        if (anchor < 0 && isShown(*item) && shown++ == row)
            anchor = i;
    }
    return anchor;
}

// Sets the marked entries (indexes, top first) just before the entry at
// `anchor`, whichever way they move: a drop lands where the user let go,
// above the row under the pointer, going up as going down. A marked anchor
// is part of the block itself, which then closes up where the unmarked
// entries above the anchor end. Without an anchor the block goes to the end.
// `order`, when it holds exactly the marked entries, is the order the block
// takes (the order the user sees them in); else they keep the order they
// stood in.
template <typename T>
void placeMarkedBeside(OwnedList<T> &list, const std::vector<int> &marked, int anchor,
                       std::span<T *const> order = {})
{
    if (marked.empty())
        return;
    int unmovedAbove = list.count() - int(marked.size());
    if (anchor >= 0) {
        const auto markedAbove = std::lower_bound(marked.begin(), marked.end(), anchor);
        unmovedAbove = anchor - int(markedAbove - marked.begin());
    }
    if (order.size() != marked.size()) {
        list.placeBlock(marked, unmovedAbove);
        return;
    }
    std::unordered_map<const T *, int> indexOf;
    indexOf.reserve(marked.size());
    for (int index : marked)
        indexOf.emplace(list.at(index), index);
    std::vector<int> block;
    block.reserve(marked.size());
    for (T *item : order) {
        const auto found = indexOf.find(item);
        if (found == indexOf.end())
            break;
        block.push_back(found->second);
        indexOf.erase(found); // an entry named twice is not the marked set
    }
    list.placeBlock(block.size() == marked.size() ? block : marked, unmovedAbove);
}

} // namespace marked_moves_detail

// Every marked entry moved to just before the entry at `target` (0 <= target
// <= count; count: to the end). Example: e0..e5 with e1 and e5 marked,
// target 3: e0 e2 e1 e5 e3 e4.
template <typename T>
void moveMarkedToIndex(OwnedList<T> &list, int target, std::span<T *const> order = {})
{
    using namespace marked_moves_detail;
    std::vector<int> marked;
    const int anchor = scanEntries(list, target, [](const T &) { return true; }, marked);
    placeMarkedBeside(list, marked, anchor, order);
}

// Every marked entry moved to the row-th shown entry (row counted from 0
// among the entries isShown accepts, as the grid shows them), or to the end
// when there are not that many shown entries. Hidden entries do not count as
// rows, and the unmarked ones among them keep their place among the other
// unmarked entries. New entries are appended marked and not yet shown, and
// then dropped on a row: they come from below, so they land before the row
// they were dropped on.
template <typename T, typename IsShown>
void moveMarkedToShownRow(OwnedList<T> &list, int row, IsShown isShown,
                          std::span<T *const> order = {})
{
    using namespace marked_moves_detail;
    std::vector<int> marked;
    const int anchor = scanEntries(list, row, isShown, marked);
    placeMarkedBeside(list, marked, anchor, order);
}

// Moving the marked entries up by steps is defined entry by entry: per
// step, walk the list from the first entry to the last and move each marked
// one to just before the nearest visible entry above it; the whole operation
// stops when a marked entry has none. Done so, a marked block below a long
// run of hidden entries shifts that run once per entry. One pass per step
// gives the same order:

namespace marked_moves_detail {

enum EntryFlag : char { kMarked = 1, kShown = 2 };

template <typename T, typename IsVisible>
std::vector<char> entryFlags(const OwnedList<T> &list, IsVisible isVisible)
{
    std::vector<char> flags(std::size_t(list.count()), 0);
    for (int i = 0; i < list.count(); ++i) {
        const T &item = *list.at(i);
        flags[std::size_t(i)] = char((item.Marked ? kMarked : 0) | (isVisible(item) ? kShown : 0));
    }
    return flags;
}

// One step up of `order` (entry numbers, top first). The nearest visible
// entry above a marked one is always the last unmarked visible entry passed
// (the anchor): marked entries that moved went in above it, and only hidden
// entries follow it. So a marked entry joins the settled part above the
// anchor, and a new anchor settles the old one and the hidden entries after
// it. A marked entry with no anchor before it stops the operation; nothing
// has moved in this step then. False when stopped.
inline bool stepUp(std::vector<int> &order, const std::vector<char> &flags)
{
    std::vector<int> settled;
    settled.reserve(order.size());
    int anchor = -1;
    std::vector<int> hidden;
    for (int entry : order) {
        const char f = flags[std::size_t(entry)];
        if (f & kMarked) {
            if (anchor < 0)
                return false;
            settled.push_back(entry);
        } else if (f & kShown) {
            if (anchor >= 0)
                settled.push_back(anchor);
            settled.insert(settled.end(), hidden.begin(), hidden.end());
            hidden.clear();
            anchor = entry;
        } else {
            hidden.push_back(entry);
        }
    }
    if (anchor >= 0)
        settled.push_back(anchor);
    settled.insert(settled.end(), hidden.begin(), hidden.end());
    order.swap(settled);
    return true;
}

// Steps up (or, on the list seen from its end, down) until done or stopped;
// the new order of the list, top first.
inline std::vector<int> orderAfterSteps(const std::vector<char> &flags, int steps, bool down)
{
    std::vector<int> order(flags.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = int(down ? order.size() - 1 - i : i);
    for (int step = 0; step < steps; ++step) {
        if (!stepUp(order, flags))
            break;
    }
    if (down)
        std::reverse(order.begin(), order.end());
    return order;
}

} // namespace marked_moves_detail

template <typename T, typename IsVisible>
void moveMarkedUp(OwnedList<T> &list, int steps, IsVisible isVisible)
{
    using namespace marked_moves_detail;
    if (steps < 1)
        return;
    list.reorder(orderAfterSteps(entryFlags(list, isVisible), steps, false));
}

// The same from the last entry to the first: each marked entry goes to just
// after the nearest visible entry below it, and the operation stops when a
// marked entry has none.
template <typename T, typename IsVisible>
void moveMarkedDown(OwnedList<T> &list, int steps, IsVisible isVisible)
{
    using namespace marked_moves_detail;
    if (steps < 1)
        return;
    list.reorder(orderAfterSteps(entryFlags(list, isVisible), steps, true));
}
