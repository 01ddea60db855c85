#pragma once

#include "core/model/owned_list.h"

#include <algorithm>
#include <deque>
#include <vector>

// Moving the marked entries of a list (bouquet entries in a bouquet, bouquets
// in the bouquet list). T has `Marked` and `Moved` flags.

// Moving the marked entries to a drop position is defined one entry at a
// time: take the last marked entry, clear its mark, remove it and insert it
// at the target index (worked out again before each move), until none is
// marked; then exactly the moved entries are marked. Done literally that is a
// scan and a shift of the list per entry. The functions below compute the
// same final order in one pass.
//
// What makes that possible: the entries that have not moved keep their
// order, and the moved ones always stand together as one block, each new one
// put into the block next to where the target lies. So the result is the
// unmarked entries in their order with the block set in between them, and
// only the order inside the block needs working out.

namespace marked_moves_detail {

enum EntryFlag : char { kMarked = 1, kShown = 2 };

// What the moves need of every entry, read in one pass over the objects (in a
// long list each visit of an object is a trip to memory), setting `Moved` on
// the way: every marked entry moves, so afterwards exactly the marked ones
// are flagged moved, and the marks stay on the same objects.
template <typename T, typename IsShown>
std::vector<char> scanEntries(OwnedList<T> &list, IsShown isShown, std::vector<int> &marked)
{
    constexpr int kAhead = 8;
    const int count = list.count();
    std::vector<char> flags(std::size_t(count), 0);
    for (int i = 0; i < count; ++i) {
        if (i + kAhead < count)
            __builtin_prefetch(list.at(i + kAhead), 1);
        T *item = list.at(i);
        if (item->Moved != item->Marked)
            item->Moved = item->Marked; // an object left clean need not go back to memory
        if (item->Marked) {
            marked.push_back(i);
            flags[std::size_t(i)] |= kMarked;
        }
        if (isShown(*item))
            flags[std::size_t(i)] |= kShown;
    }
    return flags;
}

// The moved entries together, in the order they end in (original indexes),
// and how many unmoved entries stand above them.
struct Block {
    std::vector<int> entries;
    int unmovedAbove;
};

// Where moveMarkedToIndex puts the block.
inline Block blockAfterMoveToIndex(const std::vector<int> &marked, int target)
{
    std::vector<int> upper;          // above the last moved entry, top first
    std::vector<int> lowerReversed;  // below it, nearest first
    int blockStart = target;         // unmoved entries above the block
    int current = marked.back();     // the entry standing at the target
    for (auto it = marked.rbegin() + 1; it != marked.rend(); ++it) {
        if (*it < blockStart) {
            upper.push_back(current);
            --blockStart;
        } else {
            lowerReversed.push_back(current);
        }
        current = *it;
    }
    std::vector<int> block = std::move(upper);
    block.push_back(current);
    block.insert(block.end(), lowerReversed.rbegin(), lowerReversed.rend());
    return {std::move(block), blockStart};
}

} // namespace marked_moves_detail

// Every marked entry moved to the fixed index `target` (0 <= target < count).
//
// The first one moved lands at the target; every later one either comes from
// above the block (then the block's start moves up by one and the entry that
// stood at the target slides to the block's upper part) or from below it
// (the block's start stays, and that entry slides to the lower part). Which
// of the two it is follows from its original index: every entry that stood
// above it is still unmoved, so that index is its place among the unmoved
// entries, and the block starts after `blockStart` of them. Example: e0..e4
// with e3 and e4 marked, target 0: e4 lands at 0, then e3 comes from below
// and pushes e4 down, so the order is e3 e4 e0 e1 e2.
template <typename T>
void moveMarkedToIndex(OwnedList<T> &list, int target)
{
    using namespace marked_moves_detail;
    std::vector<int> marked;
    scanEntries(list, [](const T &) { return false; }, marked);
    if (marked.empty())
        return;
    const Block block = blockAfterMoveToIndex(marked, target);
    list.placeBlock(block.entries, block.unmovedAbove);
}

// Every marked entry moved to the index of the row-th shown entry (row counted
// from 0 among the entries isShown accepts), or to the last index when there
// are not that many shown entries.
//
// The row-th shown entry is the anchor. An entry moved from above the anchor
// lands just after it, one from below just before it; a shown entry that
// moves that way becomes the row-th shown one itself, so it is the next
// anchor and the old anchor stays beside it. Hidden entries that move do not
// change which entry is the anchor. The original anchor never leaves the
// block, and the marked entries below it are all moved before any of those
// above it.
template <typename T, typename IsShown>
void moveMarkedToShownRow(OwnedList<T> &list, int row, IsShown isShown)
{
    using namespace marked_moves_detail;
    std::vector<int> marked;
    const std::vector<char> flags = scanEntries(list, isShown, marked);
    if (marked.empty())
        return;
    int anchor = -1;
    for (int i = 0, shown = 0; i < int(flags.size()); ++i) {
        if ((flags[std::size_t(i)] & kShown) && shown++ == row) {
            anchor = i;
            break;
        }
    }
    if (anchor < 0) {
        const Block block = blockAfterMoveToIndex(marked, list.count() - 1);
        list.placeBlock(block.entries, block.unmovedAbove);
        return;
    }

    const int original = anchor;
    std::vector<int> upper;         // above the anchor, top first
    std::deque<int> lower;          // below the anchor, top first
    for (auto it = marked.rbegin(); it != marked.rend(); ++it) {
        const int entry = *it;
        const bool shown = flags[std::size_t(entry)] & kShown;
        if (entry > original) {
            // From below: lands just above the anchor.
            if (shown) {
                lower.push_front(anchor);
                anchor = entry;
            } else {
                upper.push_back(entry);
            }
        } else if (entry == original) {
            // The original anchor itself. Either it still is the anchor and
            // stays, or a shown entry from below took over and it stands at
            // the end of the lower part; then it comes back above the anchor
            // it is moved to and takes over again.
            if (anchor != original) {
                lower.pop_back();
                lower.push_front(anchor);
                anchor = original;
            }
        } else {
            // From above: lands just below the anchor.
            if (shown) {
                upper.push_back(anchor);
                anchor = entry;
            } else {
                lower.push_front(entry);
            }
        }
    }
    std::vector<int> block = std::move(upper);
    block.push_back(anchor);
    block.insert(block.end(), lower.begin(), lower.end());

    // The original anchor is unmoved unless marked, but stands in the block.
    int unmovedAbove = 0;
    for (int i = 0; i < original; ++i)
        unmovedAbove += (flags[std::size_t(i)] & kMarked) ? 0 : 1;
    list.placeBlock(block, unmovedAbove);
}

// Moving the marked entries up by steps is defined entry by entry too: per
// step, walk the list from the first entry to the last and move each marked
// one to just before the nearest visible entry above it; the whole operation
// stops when a marked entry has none. Done so, a marked block below a long
// run of hidden entries shifts that run once per entry. One pass per step
// gives the same order:

namespace marked_moves_detail {

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
