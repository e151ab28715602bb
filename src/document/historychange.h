#pragma once

#include "colormapcrop.h"

#include <QRect>

// One recorded change of a history node.
struct HistoryChange {
    enum class Type : quint8 { RegionChange = 0, ColorIndexChange = 1, BorderAlignmentChange = 2 };

    Type type = Type::RegionChange;
    // RegionChange: the changed rectangle with the crops before and after.
    QRect rect;
    ColormapCrop before;
    ColormapCrop after;
    // ColorIndexChange: slot, old and new index.
    // BorderAlignmentChange: border (0 top, 1 bottom), old and new alignment.
    quint8 slot = 0;
    quint8 oldIndex = 0;
    quint8 newIndex = 0;

    static HistoryChange region(const QRect &rect, const Colormap &before, const Colormap &after);
    static HistoryChange colorIndex(quint8 slot, quint8 oldIndex, quint8 newIndex);
    static HistoryChange borderAlignment(quint8 border, quint8 oldAlignment, quint8 newAlignment);
};
