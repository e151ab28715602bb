#pragma once

#include "historychange.h"

#include <QList>
#include <QPoint>
#include <QVarLengthArray>

// What produced a history node; the values are stored in project files.
enum class HistoryEntryKind : quint8 {
    Stroke = 0,
    AssignSlot = 1,
    ClearScreen = 2,
    ResolveAllClashes = 3,
    Fill = 4,
    CommitShapes = 5,
    CutSelection = 6,
    DropSelection = 7,
    ConvertImage = 8,
    SetBorderAlignment = 9,
    ReduceBorderSprites = 10,
    ImportImage = 11,
    ImportSprites = 12,
    FlipCanvas = 13,
    SwapColors = 14,
    ReplaceColors = 15
};
constexpr int HistoryEntryKindCount = 16;

// Kinds after which a Shift connecting line has nothing to connect to.
constexpr quint32 ConnectBarrierMask = (1u << 2) | (1u << 8) | (1u << 11) | (1u << 12) | (1u << 13);
constexpr bool isConnectBarrier(HistoryEntryKind kind)
{
    return (ConnectBarrierMask >> quint32(kind)) & 1u;
}

struct HistoryNode {
    HistoryEntryKind kind = HistoryEntryKind::Stroke;
    // Nearly every node holds one change; keeping it inline saves an
    // allocation per node when a long history is read.
    QVarLengthArray<HistoryChange, 1> changes;
    bool hasConnectPoint = false;
    QPoint connectPoint;
};
