#pragma once

// Sets of canvas pixels for the paint tests: the pixels a test picks out
// and which of them hang together, found by a plain walk.

#include <QList>
#include <QRect>
#include <QSet>
#include <utility>

using Pixels = QSet<std::pair<int, int>>;

// The pixels of `rect` for which `picked(x, y)` holds.
template <class Pick> Pixels pixelsWhere(const QRect &rect, Pick picked)
{
    Pixels out;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (picked(x, y))
                out.insert({x, y});
    return out;
}

// The pixels 4-connected (8-connected with `diagonal`) to `from` within `set`.
inline Pixels reach(const Pixels &set, std::pair<int, int> from, bool diagonal)
{
    Pixels seen{from};
    QList<std::pair<int, int>> todo{from};
    while (!todo.isEmpty()) {
        const auto [x, y] = todo.takeLast();
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const std::pair<int, int> n{x + dx, y + dy};
                if ((diagonal || dx == 0 || dy == 0) && set.contains(n) && !seen.contains(n)) {
                    seen.insert(n);
                    todo << n;
                }
            }
    }
    return seen;
}

// A set that is not empty and hangs together, corners counting.
inline bool eightConnected(const Pixels &set)
{
    return !set.isEmpty() && reach(set, *set.begin(), true) == set;
}
