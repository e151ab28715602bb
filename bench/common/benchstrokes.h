#pragma once

// The long histories the benchmarks build: stroke nodes of 16 x 16 pixels at
// random places, every pixel of the square changed, so each node holds a
// full 16 x 16 change.

#include "document/project.h"

#include <QRandomGenerator>

inline void addBenchStroke(Project &project, QRandomGenerator &random)
{
    const QRect rect(random.bounded(project.width() - 16), random.bounded(project.height() - 16),
                     16, 16);
    const Colormap before = project.colormap().copy(rect);
    const quint8 shift = quint8(1 + random.bounded(14));
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const quint8 old = project.colormap().pixel(x, y);
            project.colormap().setPixel(x, y, quint8((old + shift + ((x ^ y) & 1)) % 16));
        }
    }
    HistoryNode node;
    node.hasConnectPoint = true;
    node.connectPoint = rect.center();
    recordRegionChange(project, node, rect, before);
    project.history().push(node);
}
