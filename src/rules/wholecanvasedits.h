#pragma once

#include "document/canvastypes.h"
#include "document/colormap.h"

#include <QList>
#include <QRect>
#include <array>
#include <optional>

class Project;

// The edits that recolour, mirror, clear or re-align the whole artwork, or
// bring in pixels made elsewhere. Each keeps the canvas within the colour
// rules where the edit can break them, records at most one history node and
// returns the union of the changed rectangles (empty when nothing changed,
// in which case nothing is recorded).

// The slot takes `color` and the pixels it governs follow it (kind AssignSlot).
QRect assignColorSlot(Project &project, ColorSlot slot, quint8 color);

// Swap exchanges colours a and b, Replace turns b into a (kinds SwapColors
// and ReplaceColors). With a selection only its rectangles change, and only
// the sprite slots of strips or borders it covers whole follow.
QRect swapOrReplaceColors(Project &project, bool swap, quint8 a, quint8 b,
                          const QList<QRect> &selection = {});

// Mirrors every editable pixel whose mirror image is editable too, so a
// second flip restores the canvas; merges nothing. On a top/bottom canvas
// the sprite grids and slots follow the artwork (kind FlipCanvas).
QRect flipCanvas(Project &project, Qt::Orientation orientation);

// Fills the canvas with `blank`, locked pixels with the border (kind ClearScreen).
QRect clearScreen(Project &project, quint8 blank);

// `border` 0 is the top, 1 the bottom (kind SetBorderAlignment).
QRect setBorderAlignment(Project &project, int border, BorderAlignment alignment, bool resolve);

// A canvas-sized colormap holding the current canvas with an imported
// picture placed into `screen` (kind ImportImage).
QRect importImage(Project &project, const Colormap &composed, quint8 background,
                  std::optional<quint8> border, int screen, bool resolve);

// A canvas-sized colormap whose sprite regions hold the new sprites (kind ImportSprites).
QRect importSprites(Project &project, const Colormap &sprites);

// Adopts a conversion result with its slots and alignments (kind ConvertImage).
QRect applyConversion(Project &project, const Colormap &result,
                      const std::array<quint8, ColorSlotCount> &slots,
                      const LayoutSpec &alignments);
