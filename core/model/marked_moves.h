#pragma once

#include "core/model/owned_list.h"

#include <algorithm>

// Moving the marked entries of a list (bouquet entries in a bouquet, bouquets
// in the bouquet list). T has `Marked` and `Moved` flags.

// Moves every marked entry to targetIndex() (asked again before each move),
// the last marked one first. Afterwards exactly the moved entries are marked.
template <typename T, typename TargetIndex>
void moveMarkedTo(OwnedList<T> &list, TargetIndex targetIndex)
{
    list.forEach([](T *item) { item->Moved = false; });
    for (;;) {
        int from = list.count() - 1;
        while (from >= 0 && !list.at(from)->Marked)
            --from;
        if (from < 0)
            break;
        list.at(from)->Moved = true;
        list.at(from)->Marked = false;
        list.move(from, targetIndex());
    }
    list.forEach([](T *item) { item->Marked = item->Moved; });
}

// Per step, each marked entry swaps past the nearest visible entry above it.
// The whole operation stops once a marked entry has nowhere to go, so a
// marked block moves as one and halts at the top.
template <typename T, typename IsVisible>
void moveMarkedUp(OwnedList<T> &list, int steps, IsVisible isVisible)
{
    for (int step = 0; step < steps; ++step) {
        for (int i = 0; i < list.count(); ++i) {
            if (!list.at(i)->Marked)
                continue;
            int above = i - 1;
            while (above >= 0 && !isVisible(*list.at(above)))
                --above;
            if (above < 0)
                return;
            list.move(i, above);
        }
    }
}

template <typename T, typename IsVisible>
void moveMarkedDown(OwnedList<T> &list, int steps, IsVisible isVisible)
{
    const int last = list.count() - 1;
    for (int step = 0; step < steps; ++step) {
        for (int i = last; i >= 0; --i) {
            if (!list.at(i)->Marked)
                continue;
            int below = i + 1;
            while (below <= last && !isVisible(*list.at(below)))
                ++below;
            if (below > last)
                return;
            list.move(i, below);
        }
    }
}
