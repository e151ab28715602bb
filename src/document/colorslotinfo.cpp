#include "colorslotinfo.h"

#include <QCoreApplication>

namespace {

struct Entry {
    const char *label;
    const char *icon;
};

const Entry Entries[ColorSlotCount] = {
    {QT_TRANSLATE_NOOP("ColorAssignmentWidget", "Background"), "col_bg"},
    {QT_TRANSLATE_NOOP("ColorAssignmentWidget", "Border"), "col_border"},
    {QT_TRANSLATE_NOOP("ColorAssignmentWidget", "Sprite multicolor 0 (both side borders)"),
     "col_upperborder_spriteglobal1"},
    {QT_TRANSLATE_NOOP("ColorAssignmentWidget", "Sprite multicolor 1 (both side borders)"),
     "col_upperborder_spriteglobal2"},
    {QT_TRANSLATE_NOOP("ColorAssignmentWidget", "Top border background"), "col_upperborder"},
    {QT_TRANSLATE_NOOP("ColorAssignmentWidget", "Top border sprite multicolor 0"),
     "col_upperborder_spriteglobal1"},
    {QT_TRANSLATE_NOOP("ColorAssignmentWidget", "Top border sprite multicolor 1"),
     "col_upperborder_spriteglobal2"},
    {QT_TRANSLATE_NOOP("ColorAssignmentWidget", "Bottom border background"), "col_lowerborder"},
    {QT_TRANSLATE_NOOP("ColorAssignmentWidget", "Bottom border sprite multicolor 0"),
     "col_lowerborder_spriteglobal1"},
    {QT_TRANSLATE_NOOP("ColorAssignmentWidget", "Bottom border sprite multicolor 1"),
     "col_lowerborder_spriteglobal2"},
};

bool isSideBorderOfTopBottom(ColorSlot slot, CanvasLayout layout)
{
    return slot == ColorSlot::Border && layout == CanvasLayout::TopBottomBorderSprites;
}

} // namespace

QString ColorSlotInfo::label(ColorSlot slot, CanvasLayout layout)
{
    if (isSideBorderOfTopBottom(slot, layout))
        return QCoreApplication::translate("ColorAssignmentWidget", "Side borders");
    return QCoreApplication::translate("ColorAssignmentWidget", Entries[int(slot) % ColorSlotCount].label);
}

QString ColorSlotInfo::iconName(ColorSlot slot, CanvasLayout layout)
{
    if (isSideBorderOfTopBottom(slot, layout))
        return QStringLiteral("col_sideborders");
    return QString::fromLatin1(Entries[int(slot) % ColorSlotCount].icon);
}

QString ColorSlotInfo::toolTip(ColorSlot slot, CanvasLayout layout)
{
    return QCoreApplication::translate("ColorAssignmentWidget",
                                       "%1\nLeft-click: assign primary color, right-click: secondary.")
        .arg(label(slot, layout));
}
