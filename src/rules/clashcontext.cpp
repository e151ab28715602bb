#include "clashcontext.h"

#include "document/project.h"

ClashContext ClashContext::forStroke(const Project &project, quint8 penColor, bool overwriteVictim)
{
    ClashContext context;
    context.mode = project.mode();
    context.penColor = penColor;
    context.slotBytes = project.slotBytes();
    context.overwriteVictim = overwriteVictim ? 1 : 0;
    context.layout = project.layoutSpec();
    context.hiresResolution = project.hiresClashResolution();
    context.paletteVariant = project.paletteVariant();
    return context;
}

ClashContext ClashContext::forSweep(const Project &project)
{
    ClashContext context = forStroke(project, 0, false);
    context.hiresResolution = HiresClashResolution::ReplaceOverwritten;
    return context;
}

quint16 commonColorMask(const ClashContext &context, RegionKind kind)
{
    auto bit = [&](ColorSlot s) { return quint16(1u << (context.slot(s) & 15)); };
    const bool multi = context.mode == CanvasMode::Multicolor;
    switch (kind) {
    case RegionKind::Bitmap:
        return multi ? bit(ColorSlot::Background) : 0;
    case RegionKind::LeftStrip:
    case RegionKind::RightStrip:
        if (!multi)
            return bit(ColorSlot::Border);
        return bit(ColorSlot::Background) | bit(ColorSlot::SpriteMulticolor0) |
               bit(ColorSlot::SpriteMulticolor1);
    case RegionKind::TopBorder:
        if (!multi)
            return bit(ColorSlot::TopBackground);
        return bit(ColorSlot::TopBackground) | bit(ColorSlot::TopMulticolor0) |
               bit(ColorSlot::TopMulticolor1);
    case RegionKind::BottomBorder:
        if (!multi)
            return bit(ColorSlot::BottomBackground);
        return bit(ColorSlot::BottomBackground) | bit(ColorSlot::BottomMulticolor0) |
               bit(ColorSlot::BottomMulticolor1);
    }
    return 0;
}
