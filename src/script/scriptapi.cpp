#include "scriptapi.h"

#include "document/geometry.h"
#include "document/palette.h"
#include "document/project.h"
#include "rules/clashrules.h"
#include "rules/ruleedits.h"
#include "rules/spritebudget.h"
#include "rules/wholecanvasedits.h"

#include <QDir>
#include <QImageReader>

#include <lua.hpp>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

namespace
{

// Coordinates beyond this reach nothing on any canvas and would only risk
// overflow in the geometry.
constexpr lua_Integer CoordinateReach = 1 << 16;
// A picture larger than this is refused rather than read.
constexpr int PictureSideLimit = 4096;

const char *const SlotNames[ColorSlotCount] = {
    "background",        "border",           "spriteMulticolor0", "spriteMulticolor1",
    "topBackground",     "topMulticolor0",   "topMulticolor1",    "bottomBackground",
    "bottomMulticolor0", "bottomMulticolor1"};

const char *modeName(CanvasMode mode)
{
    return mode == CanvasMode::Multicolor ? "multicolor" : "hires";
}

const char *layoutName(CanvasLayout layout)
{
    switch (layout) {
    case CanvasLayout::SideBorderSprites:
        return "side";
    case CanvasLayout::TopBottomBorderSprites:
        return "topbottom";
    case CanvasLayout::BitmapOnly:
        break;
    }
    return "bitmap";
}

const char *regionName(RegionKind kind)
{
    switch (kind) {
    case RegionKind::LeftStrip:
        return "left";
    case RegionKind::RightStrip:
        return "right";
    case RegionKind::TopBorder:
        return "top";
    case RegionKind::BottomBorder:
        return "bottom";
    case RegionKind::Bitmap:
        break;
    }
    return "bitmap";
}

void setField(lua_State *L, const char *key, lua_Integer value)
{
    lua_pushinteger(L, value);
    lua_setfield(L, -2, key);
}

// Pushes {x=, y=, width=, height=} for a rectangle.
void pushRect(lua_State *L, const QRect &rect)
{
    lua_createtable(L, 0, 4);
    setField(L, "x", rect.x());
    setField(L, "y", rect.y());
    setField(L, "width", rect.width());
    setField(L, "height", rect.height());
}

// Pushes a list of the colours set in a mask.
void pushColorList(lua_State *L, quint16 mask)
{
    lua_createtable(L, 16, 0);
    int n = 0;
    for (int c = 0; c < 16; ++c)
        if (mask & (1u << c)) {
            lua_pushinteger(L, c);
            lua_rawseti(L, -2, ++n);
        }
}

const QList<Texture> &textureSheet(bool multicolor)
{
    static const QList<Texture> hires = Texture::fromStripFile(textureSheetPath(false));
    static const QList<Texture> multi = Texture::fromStripFile(textureSheetPath(true));
    return multicolor ? multi : hires;
}

// Errors of a call are thrown as C++ exceptions and turned into a Lua
// error only after the call has returned, so Lua's jump never skips a
// destructor.
struct ScriptError {
    int arg = 0;
    char text[240] = {};
};

[[noreturn]] void failArg(int arg, const char *format, ...)
{
    ScriptError error;
    error.arg = arg;
    va_list args;
    va_start(args, format);
    std::vsnprintf(error.text, sizeof error.text, format, args);
    va_end(args);
    throw error;
}

[[noreturn]] void fail(const char *format, ...)
{
    ScriptError error;
    va_list args;
    va_start(args, format);
    std::vsnprintf(error.text, sizeof error.text, format, args);
    va_end(args);
    throw error;
}

lua_Integer checkInteger(lua_State *L, int arg)
{
    int isNumber = 0;
    const lua_Integer value = lua_tointegerx(L, arg, &isNumber);
    if (!isNumber) {
        if (lua_isnumber(L, arg))
            failArg(arg, "number has no integer representation");
        failArg(arg, "number expected, got %s", luaL_typename(L, arg));
    }
    return value;
}

lua_Number checkNumber(lua_State *L, int arg)
{
    int isNumber = 0;
    const lua_Number value = lua_tonumberx(L, arg, &isNumber);
    if (!isNumber || !std::isfinite(value))
        failArg(arg, "number expected, got %s", luaL_typename(L, arg));
    return value;
}

const char *checkString(lua_State *L, int arg)
{
    if (lua_type(L, arg) != LUA_TSTRING)
        failArg(arg, "string expected, got %s", luaL_typename(L, arg));
    return lua_tostring(L, arg);
}

int checkOption(lua_State *L, int arg, const char *const names[])
{
    const char *name = checkString(L, arg);
    for (int i = 0; names[i]; ++i)
        if (std::strcmp(names[i], name) == 0)
            return i;
    failArg(arg, "invalid option '%.60s'", name);
}

void checkTable(lua_State *L, int arg)
{
    if (lua_type(L, arg) != LUA_TTABLE)
        failArg(arg, "table expected, got %s", luaL_typename(L, arg));
}

// A field of a table without its metamethods, pushed; returns its type.
int rawField(lua_State *L, int table, const char *key)
{
    lua_pushstring(L, key);
    return lua_rawget(L, table);
}

} // namespace

ScriptApi::ScriptApi(Project &work, const ScriptEnvironment &environment)
    : m_work(work), m_env(environment)
{
    m_renderer.prepare(m_work);
    m_setMask = QImage(StrokeRenderer::maskSize(m_work), QImage::Format_Alpha8);
    m_setMask.fill(0);
}

ScriptApi &ScriptApi::self(lua_State *L)
{
    return *static_cast<ScriptApi *>(lua_touserdata(L, lua_upvalueindex(1)));
}

template <int (ScriptApi::*Call)(lua_State *)> int ScriptApi::bind(lua_State *L)
{
    ScriptApi &api = self(L);
    ScriptError error;
    bool failed = false;
    int results = 0;
    api.m_calling = true;
    try {
        results = (api.*Call)(L);
    } catch (const ScriptError &e) {
        error = e;
        failed = true;
    } catch (const std::bad_alloc &) {
        std::snprintf(error.text, sizeof error.text, "not enough memory");
        failed = true;
    }
    api.m_calling = false;
    if (!failed)
        return results;
    // Only trivially destructible values live past this point.
    luaL_where(L, 1);
    if (error.arg > 0) {
        lua_Debug ar;
        const char *name = "?";
        if (lua_getstack(L, 0, &ar) && lua_getinfo(L, "n", &ar) && ar.name)
            name = ar.name;
        lua_pushfstring(L, "bad argument #%d to '%s' (%s)", error.arg, name, error.text);
    } else {
        lua_pushstring(L, error.text);
    }
    lua_concat(L, 2);
    return lua_error(L);
}

void ScriptApi::install(lua_State *L)
{
    const struct {
        const char *name;
        lua_CFunction call;
    } calls[] = {
        {"pen", &bind<&ScriptApi::pen>},
        {"get", &bind<&ScriptApi::get>},
        {"set", &bind<&ScriptApi::set>},
        {"line", &bind<&ScriptApi::line>},
        {"rect", &bind<&ScriptApi::rect>},
        {"ellipse", &bind<&ScriptApi::ellipse>},
        {"star", &bind<&ScriptApi::star>},
        {"path", &bind<&ScriptApi::path>},
        {"fill", &bind<&ScriptApi::fill>},
        {"contour", &bind<&ScriptApi::contour>},
        {"swap", &bind<&ScriptApi::swap>},
        {"replace", &bind<&ScriptApi::replace>},
        {"flip", &bind<&ScriptApi::flip>},
        {"clear", &bind<&ScriptApi::clear>},
        {"align", &bind<&ScriptApi::align>},
        {"reduceBorders", &bind<&ScriptApi::reduceBorders>},
        {"resolveClashes", &bind<&ScriptApi::resolveClashes>},
        {"slot", &bind<&ScriptApi::slot>},
        {"setSlot", &bind<&ScriptApi::setSlot>},
        {"slots", &bind<&ScriptApi::slotList>},
        {"rgb", &bind<&ScriptApi::rgb>},
        {"nearest", &bind<&ScriptApi::nearest>},
        {"selection", &bind<&ScriptApi::selection>},
        {"selected", &bind<&ScriptApi::selected>},
        {"unit", &bind<&ScriptApi::unit>},
        {"clashes", &bind<&ScriptApi::clashes>},
        {"hasClash", &bind<&ScriptApi::hasClash>},
        {"wouldClash", &bind<&ScriptApi::wouldClash>},
        {"fits", &bind<&ScriptApi::fits>},
        {"budget", &bind<&ScriptApi::budget>},
        {"readPicture", &bind<&ScriptApi::readPicture>},
        {"print", &ScriptApi::printCall},
    };
    for (const auto &call : calls) {
        lua_pushlightuserdata(L, this);
        lua_pushcclosure(L, call.call, 1);
        lua_setglobal(L, call.name);
    }

    lua_createtable(L, 0, 8);
    setField(L, "width", m_work.width());
    setField(L, "height", m_work.height());
    lua_pushstring(L, modeName(m_work.mode()));
    lua_setfield(L, -2, "mode");
    lua_pushstring(L, layoutName(m_work.layout()));
    lua_setfield(L, -2, "layout");
    setField(L, "screens", m_work.screensAcross());
    lua_pushnumber(L, m_work.view().pixelWidth());
    lua_setfield(L, -2, "pixelWidth");
    lua_pushnumber(L, m_work.view().displayAspect());
    lua_setfield(L, -2, "aspect");
    pushRect(L, m_work.regionRect(RegionKind::Bitmap).isNull()
                    ? m_work.colormap().rect()
                    : m_work.regionRect(RegionKind::Bitmap));
    lua_setfield(L, -2, "bitmap");
    const QList<CanvasRegion> regions = m_work.regions();
    lua_createtable(L, int(regions.size()), 0);
    for (int i = 0; i < regions.size(); ++i) {
        pushRect(L, regions.at(i).rect);
        lua_pushstring(L, regionName(regions.at(i).kind));
        lua_setfield(L, -2, "kind");
        lua_rawseti(L, -2, i + 1);
    }
    lua_setfield(L, -2, "regions");
    lua_setglobal(L, "canvas");
}

quint8 ScriptApi::checkColor(lua_State *L, int arg)
{
    const lua_Integer c = checkInteger(L, arg);
    if (!(c >= 0 && c <= 15))
        failArg(arg, "a colour is 0 to 15");
    return quint8(c);
}

QPoint ScriptApi::checkPoint(lua_State *L, int arg)
{
    const lua_Integer x = checkInteger(L, arg);
    const lua_Integer y = checkInteger(L, arg + 1);
    if (!(std::abs(x) <= CoordinateReach))
        failArg(arg, "coordinate out of reach");
    if (!(std::abs(y) <= CoordinateReach))
        failArg(arg + 1, "coordinate out of reach");
    return QPoint(int(x), int(y));
}

QPoint ScriptApi::checkPixel(lua_State *L, int arg) const
{
    const QPoint p = checkPoint(L, arg);
    if (!m_work.colormap().rect().contains(p))
        fail("pixel (%d, %d) is outside the %d x %d canvas", p.x(), p.y(), m_work.width(),
             m_work.height());
    return p;
}

ScriptApi::Paint ScriptApi::checkPaint(lua_State *L, int colorArg)
{
    Paint paint;
    paint.colors.stroke = lua_isnoneornil(L, colorArg) ? m_env.primary : checkColor(L, colorArg);
    paint.colors.other = m_env.secondary;
    paint.brush = m_env.brush;
    paint.texture = m_env.texture;
    paint.textureMode = m_env.textureMode;
    paint.placement = m_env.placement;
    const int t = colorArg + 1;
    if (lua_isnoneornil(L, t))
        return paint;
    checkTable(L, t);
    if (rawField(L, t, "width") != LUA_TNIL) {
        const lua_Integer w = checkInteger(L, -1);
        if (w < BrushSettings::MinWidth || w > BrushSettings::MaxWidth)
            fail("brush width %d is not 1 to %d", int(std::clamp<lua_Integer>(w, -1, 999)),
                 BrushSettings::MaxWidth);
        paint.brush.setWidth(int(w));
    }
    lua_pop(L, 1);
    if (rawField(L, t, "nib") != LUA_TNIL) {
        static const char *const nibs[] = {"round", "square", nullptr};
        paint.brush.shape = BrushShape(checkOption(L, -1, nibs));
    }
    lua_pop(L, 1);
    if (rawField(L, t, "antialias") != LUA_TNIL)
        paint.brush.antialiased = lua_toboolean(L, -1);
    lua_pop(L, 1);
    if (rawField(L, t, "filled") != LUA_TNIL)
        paint.filled = lua_toboolean(L, -1);
    lua_pop(L, 1);
    if (rawField(L, t, "other") != LUA_TNIL)
        paint.colors.other = checkColor(L, -1);
    lua_pop(L, 1);
    const int type = rawField(L, t, "texture");
    if (type == LUA_TNUMBER) {
        const QList<Texture> &sheet = textureSheet(m_work.mode() == CanvasMode::Multicolor);
        const lua_Integer index = checkInteger(L, -1);
        if (index < 0 || index > sheet.size())
            fail("texture %d is not 0 (solid) to %d", int(std::clamp<lua_Integer>(index, -1, 999)),
                 int(sheet.size()));
        paint.texture = index == 0 ? Texture::solid() : sheet.at(int(index - 1));
    } else if (type == LUA_TTABLE) {
        std::array<quint16, Texture::Size> rows{};
        for (int y = 0; y < Texture::Size; ++y) {
            lua_rawgeti(L, -1, y + 1);
            const lua_Integer row = checkInteger(L, -1);
            if (row < 0 || row > 0xFFFF)
                fail("texture row %d is not 0 to 65535", y + 1);
            rows[size_t(y)] = quint16(row);
            lua_pop(L, 1);
        }
        paint.texture = Texture(rows);
    } else if (type != LUA_TNIL) {
        fail("a texture is a number or a table of 16 rows");
    }
    lua_pop(L, 1);
    if (rawField(L, t, "textureMode") != LUA_TNIL) {
        static const char *const modes[] = {"twocolor", "stencil", nullptr};
        paint.textureMode = TextureMode(checkOption(L, -1, modes));
    }
    lua_pop(L, 1);
    if (rawField(L, t, "placement") != LUA_TNIL) {
        static const char *const places[] = {"center", "outside", "inside", nullptr};
        paint.placement = ContourPlacement(checkOption(L, -1, places));
    }
    lua_pop(L, 1);
    if (rawField(L, t, "inner") != LUA_TNIL)
        paint.innerRatio =
            std::clamp(checkNumber(L, -1), StagedShape::MinInnerRatio, StagedShape::MaxInnerRatio);
    lua_pop(L, 1);
    if (rawField(L, t, "radius") != LUA_TNIL)
        paint.cornerRadius = std::clamp(checkNumber(L, -1), 0.0, 4096.0);
    lua_pop(L, 1);
    return paint;
}

int ScriptApi::pushChanged(lua_State *L, const QRect &changed)
{
    lua_pushboolean(L, !changed.isEmpty());
    return 1;
}

int ScriptApi::pen(lua_State *L)
{
    lua_pushinteger(L, m_env.primary);
    lua_pushinteger(L, m_env.secondary);
    return 2;
}

int ScriptApi::get(lua_State *L)
{
    const QPoint p = checkPixel(L, 1);
    lua_pushinteger(L, m_work.colormap().pixel(p.x(), p.y()));
    return 1;
}

int ScriptApi::set(lua_State *L)
{
    const QPoint p = checkPixel(L, 1);
    const quint8 color = checkColor(L, 3);
    Colormap &colormap = m_work.colormap();
    if (colormap.pixel(p.x(), p.y()) != color) {
        // One byte of mask is a pen dab of width 1, painted through the
        // same pipeline with the same refusals.
        if (!m_setPass)
            m_setPass.emplace(m_work, colormap, nullptr);
        const int pw = m_setMask.width() / std::max(1, m_work.width());
        uchar *byte = m_setMask.bits() + p.y() * m_setMask.bytesPerLine() + p.x() * pw;
        *byte = 255;
        m_renderer.paintMask(*m_setPass, m_setMask, QRect(p, p), {color, color}, true,
                             Texture::solid(), TextureMode::Stencil, nullptr);
        *byte = 0;
    }
    if (colormap.pixel(p.x(), p.y()) == color) {
        lua_pushboolean(L, true);
        return 1;
    }
    ++m_refused;
    lua_pushboolean(L, false);
    if (m_work.isLocked(p.x(), p.y()))
        lua_pushliteral(L, "locked");
    else if (m_work.layout() == CanvasLayout::TopBottomBorderSprites &&
             m_work.spriteCountPolicy() == SpriteCountPolicy::Enforce &&
             !::wouldClash(ClashContext::forStroke(m_work, color, true), colormap, p))
        lua_pushliteral(L, "sprite budget");
    else
        lua_pushliteral(L, "clash");
    return 2;
}

QPointF ScriptApi::toDisplay(QPointF c) const
{
    return QPointF(c.x() * m_work.view().pixelWidth(), c.y() / m_work.view().displayAspect());
}

int ScriptApi::paintShape(lua_State *L, StagedShape shape, const Paint &paint)
{
    shape.strokeColor = paint.colors.stroke;
    shape.otherColor = paint.colors.other;
    shape.width = paint.brush.width;
    shape.nib = paint.brush.shape;
    shape.texture = paint.texture;
    shape.textureMode = paint.textureMode;
    shape.antialiased = paint.brush.antialiased;
    shape.filled = paint.filled;
    shape.innerRatio = paint.innerRatio;
    shape.cornerRadius = paint.cornerRadius;
    shape.capturedHalfSize = shape.halfSize;
    beginOtherEdit();
    PaintPass pass = m_renderer.beginEdit(m_work);
    return pushChanged(L, m_shapes.paint(pass, shape, {}));
}

int ScriptApi::line(lua_State *L)
{
    const QPoint a = checkPoint(L, 1), b = checkPoint(L, 3);
    const Paint paint = checkPaint(L, 5);
    PaintParams params;
    params.brush = paint.brush;
    params.texture = paint.texture;
    params.textureMode = paint.textureMode;
    beginOtherEdit();
    PaintPass pass = m_renderer.beginEdit(m_work);
    return pushChanged(L, m_renderer.paintSegment(pass, params, a, b, paint.colors));
}

int ScriptApi::rect(lua_State *L)
{
    const QPoint a = checkPoint(L, 1), b = checkPoint(L, 3);
    const Paint paint = checkPaint(L, 5);
    // Corners at the pixel centres of the two corner pixels.
    const QPointF p = toDisplay(QPointF(a) + QPointF(0.5, 0.5));
    const QPointF q = toDisplay(QPointF(b) + QPointF(0.5, 0.5));
    StagedShape shape;
    shape.kind = ShapeKind::Rectangle;
    shape.centre = (p + q) / 2;
    shape.halfSize = QPointF(std::max(0.5, std::abs(q.x() - p.x()) / 2),
                             std::max(0.5, std::abs(q.y() - p.y()) / 2));
    return paintShape(L, shape, paint);
}

int ScriptApi::ellipse(lua_State *L)
{
    return roundShape(L, ShapeKind::Circle);
}

int ScriptApi::star(lua_State *L)
{
    return roundShape(L, ShapeKind::Star);
}

// An ellipse or star: centre x, y and radii rx, ry in canvas pixels, then the paint.
int ScriptApi::roundShape(lua_State *L, ShapeKind kind)
{
    const QPoint c = checkPoint(L, 1);
    const lua_Number rx = checkNumber(L, 3), ry = checkNumber(L, 4);
    if (!(rx >= 0 && rx <= CoordinateReach))
        failArg(3, "radius out of reach");
    if (!(ry >= 0 && ry <= CoordinateReach))
        failArg(4, "radius out of reach");
    const Paint paint = checkPaint(L, 5);
    StagedShape shape;
    shape.kind = kind;
    shape.centre = toDisplay(QPointF(c) + QPointF(0.5, 0.5));
    const QPointF half = toDisplay(QPointF(rx, ry));
    shape.halfSize = QPointF(std::max(0.5, half.x()), std::max(0.5, half.y()));
    return paintShape(L, shape, paint);
}

int ScriptApi::path(lua_State *L)
{
    checkTable(L, 1);
    const lua_Integer n = lua_Integer(lua_rawlen(L, 1));
    if (n < 2 || n % 2 != 0 || n > 2 * 65536)
        fail("a path is a list of x, y pairs (at least one point)");
    QPolygonF points;
    for (lua_Integer i = 1; i <= n; i += 2) {
        lua_rawgeti(L, 1, i);
        lua_rawgeti(L, 1, i + 1);
        const QPoint p = checkPoint(L, -2);
        lua_pop(L, 2);
        points << toDisplay(QPointF(p) + QPointF(0.5, 0.5));
    }
    const Paint paint = checkPaint(L, 2);
    const QRectF box = points.boundingRect();
    StagedShape shape;
    shape.kind = ShapeKind::Path;
    shape.centre = box.center();
    shape.halfSize = QPointF(std::max(0.5, box.width() / 2), std::max(0.5, box.height() / 2));
    for (const QPointF &p : points)
        shape.points << p - shape.centre;
    return paintShape(L, shape, paint);
}

int ScriptApi::fill(lua_State *L)
{
    return flood(L, false);
}

int ScriptApi::contour(lua_State *L)
{
    return flood(L, true);
}

// A fill or contour click at x, y with the paint given third.
int ScriptApi::flood(lua_State *L, bool contour)
{
    const QPoint p = checkPixel(L, 1);
    const Paint paint = checkPaint(L, 3);
    FillSettings settings;
    settings.brush = paint.brush;
    settings.texture = paint.texture;
    settings.textureMode = paint.textureMode;
    settings.placement = paint.placement;
    beginOtherEdit();
    PaintPass pass = m_renderer.beginEdit(m_work);
    const Colormap before = pass.target(); // shared until the pass writes
    return pushChanged(L, contour ? m_fill.contourFrom(pass, before, settings, p, paint.colors)
                                  : m_fill.fillFrom(pass, before, settings, p, paint.colors));
}

int ScriptApi::swap(lua_State *L)
{
    return swapOrReplace(L, true);
}

int ScriptApi::replace(lua_State *L)
{
    return swapOrReplace(L, false);
}

// swap(a, b) exchanges two colours; replace(from, to) turns one into the
// other. Either stays inside the selection when its third argument is true.
int ScriptApi::swapOrReplace(lua_State *L, bool swap)
{
    const quint8 first = checkColor(L, 1), second = checkColor(L, 2);
    const bool inSelection = lua_toboolean(L, 3);
    beginOtherEdit();
    QList<QRect> rects;
    if (inSelection)
        for (const QRect &r : m_env.selection)
            rects << r;
    if (inSelection && rects.isEmpty())
        return pushChanged(L, QRect());
    return pushChanged(L, swap ? swapOrReplaceColors(m_work, true, first, second, rects)
                               : swapOrReplaceColors(m_work, false, second, first, rects));
}

int ScriptApi::flip(lua_State *L)
{
    static const char *const ways[] = {"horizontal", "vertical", nullptr};
    const int way = checkOption(L, 1, ways);
    beginOtherEdit();
    return pushChanged(L, flipCanvas(m_work, way == 0 ? Qt::Horizontal : Qt::Vertical));
}

int ScriptApi::clear(lua_State *L)
{
    quint8 blank = m_work.mode() == CanvasMode::Multicolor ? m_work.slot(ColorSlot::Background)
                                                           : m_env.secondary;
    if (!lua_isnoneornil(L, 1))
        blank = checkColor(L, 1);
    beginOtherEdit();
    return pushChanged(L, clearScreen(m_work, blank));
}

int ScriptApi::align(lua_State *L)
{
    static const char *const borders[] = {"top", "bottom", nullptr};
    static const char *const sides[] = {"left", "right", nullptr};
    const int border = checkOption(L, 1, borders);
    const int side = checkOption(L, 2, sides);
    if (m_work.layout() != CanvasLayout::TopBottomBorderSprites)
        fail("only a canvas with top and bottom border sprites has alignments");
    beginOtherEdit();
    return pushChanged(L, setBorderAlignment(m_work, border, BorderAlignment(side), true));
}

int ScriptApi::reduceBorders(lua_State *L)
{
    beginOtherEdit();
    return pushChanged(L, reduceBorderSprites(m_work));
}

int ScriptApi::resolveClashes(lua_State *L)
{
    beginOtherEdit();
    return pushChanged(L, resolveAllClashes(m_work));
}

static ColorSlot checkSlot(lua_State *L, int arg)
{
    static const char *const names[] = {SlotNames[0], SlotNames[1], SlotNames[2], SlotNames[3],
                                        SlotNames[4], SlotNames[5], SlotNames[6], SlotNames[7],
                                        SlotNames[8], SlotNames[9], nullptr};
    return ColorSlot(checkOption(L, arg, names));
}

int ScriptApi::slot(lua_State *L)
{
    lua_pushinteger(L, m_work.slot(checkSlot(L, 1)));
    return 1;
}

int ScriptApi::setSlot(lua_State *L)
{
    const ColorSlot s = checkSlot(L, 1);
    const quint8 color = checkColor(L, 2);
    if (!m_work.visibleSlots().contains(s))
        fail("this canvas has no %s slot", SlotNames[int(s)]);
    beginOtherEdit();
    assignColorSlot(m_work, s, color);
    lua_pushboolean(L, m_work.slot(s) == color);
    return 1;
}

int ScriptApi::slotList(lua_State *L)
{
    const QList<ColorSlot> visible = m_work.visibleSlots();
    lua_createtable(L, int(visible.size()), 0);
    for (int i = 0; i < visible.size(); ++i) {
        lua_pushstring(L, SlotNames[int(visible.at(i))]);
        lua_rawseti(L, -2, i + 1);
    }
    return 1;
}

int ScriptApi::rgb(lua_State *L)
{
    const QRgb c = paletteRgb(m_work.paletteVariant(), checkColor(L, 1));
    lua_pushinteger(L, qRed(c));
    lua_pushinteger(L, qGreen(c));
    lua_pushinteger(L, qBlue(c));
    return 3;
}

int ScriptApi::nearest(lua_State *L)
{
    const double r = checkNumber(L, 1), g = checkNumber(L, 2), b = checkNumber(L, 3);
    int best = 0;
    double bestDistance = 0.0;
    for (int c = 0; c < 16; ++c) {
        const double d =
            colorDistance(r, g, b, paletteRgb(m_work.paletteVariant(), c), ColorMetric::Euclidean);
        if (c == 0 || d < bestDistance)
            best = c, bestDistance = d;
    }
    lua_pushinteger(L, best);
    return 1;
}

int ScriptApi::selection(lua_State *L)
{
    const QRect box = m_env.selection.boundingRect() & m_work.colormap().rect();
    if (box.isEmpty()) {
        lua_pushnil(L);
        return 1;
    }
    pushRect(L, box);
    return 1;
}

int ScriptApi::selected(lua_State *L)
{
    const QPoint p = checkPoint(L, 1);
    lua_pushboolean(L, m_env.selection.contains(p));
    return 1;
}

bool ScriptApi::unitAt(QPoint p, UnitInfo &info) const
{
    info.rect = unitRectsTouching(QRect(p, p), m_work.mode(), m_work.size(), m_work.layoutSpec());
    const QList<CanvasRegion> regions = m_work.regions();
    const auto region = std::find_if(regions.begin(), regions.end(),
                                     [&](const CanvasRegion &r) { return r.rect.contains(p); });
    if (info.rect.isEmpty() || region == regions.end())
        return false;
    info.region = *region;
    info.common = commonColorMask(ClashContext::forSweep(m_work), region->kind);
    // Colours of its own a unit may hold: shared ones do not count.
    info.limit = region->isSprite() ? 1 : (m_work.mode() == CanvasMode::Multicolor ? 3 : 2);
    return true;
}

int ScriptApi::unit(lua_State *L)
{
    const QPoint p = checkPixel(L, 1);
    UnitInfo info;
    if (!unitAt(p, info)) {
        lua_pushnil(L);
        return 1;
    }
    const QRect rect = info.rect;
    quint16 used = 0;
    std::array<int, 16> counts{};
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const quint8 c = m_work.colormap().pixel(x, y) & 15;
            used |= quint16(1u << c);
            ++counts[c];
        }
    const int free = std::popcount(quint16(used & ~info.common));
    pushRect(L, rect);
    lua_pushstring(L, info.region.isSprite() ? "sprite" : "cell");
    lua_setfield(L, -2, "kind");
    lua_pushstring(L, regionName(info.region.kind));
    lua_setfield(L, -2, "region");
    pushColorList(L, used);
    lua_setfield(L, -2, "colors");
    pushColorList(L, info.common);
    lua_setfield(L, -2, "common");
    lua_createtable(L, 0, 16);
    for (int c = 0; c < 16; ++c)
        if (counts[size_t(c)]) {
            lua_pushinteger(L, counts[size_t(c)]);
            lua_rawseti(L, -2, c);
        }
    lua_setfield(L, -2, "counts");
    setField(L, "limit", info.limit);
    setField(L, "free", free);
    return 1;
}

int ScriptApi::fits(lua_State *L)
{
    const QPoint p = checkPixel(L, 1);
    const quint8 color = checkColor(L, 3);
    UnitInfo info;
    if (m_work.isLocked(p.x(), p.y()) || !unitAt(p, info)) {
        lua_pushboolean(L, false);
        return 1;
    }
    // The colours of the unit's other pixels: the painted one gives way.
    quint16 others = 0;
    for (int y = info.rect.top(); y <= info.rect.bottom(); ++y)
        for (int x = info.rect.left(); x <= info.rect.right(); ++x)
            if (x != p.x() || y != p.y())
                others |= quint16(1u << (m_work.colormap().pixel(x, y) & 15));
    const quint16 after = quint16((others | (1u << color)) & ~info.common);
    lua_pushboolean(L, std::popcount(after) <= info.limit);
    return 1;
}

int ScriptApi::clashes(lua_State *L)
{
    const QList<QRect> units = clashingUnits(ClashContext::forSweep(m_work), m_work.colormap());
    lua_createtable(L, int(units.size()), 0);
    for (int i = 0; i < units.size(); ++i) {
        pushRect(L, units.at(i));
        lua_rawseti(L, -2, i + 1);
    }
    return 1;
}

int ScriptApi::hasClash(lua_State *L)
{
    lua_pushboolean(L, canvasHasClash(ClashContext::forSweep(m_work), m_work.colormap()));
    return 1;
}

int ScriptApi::wouldClash(lua_State *L)
{
    const QPoint p = checkPixel(L, 1);
    const quint8 color = checkColor(L, 3);
    lua_pushboolean(
        L, ::wouldClash(ClashContext::forStroke(m_work, color, true), m_work.colormap(), p));
    return 1;
}

int ScriptApi::budget(lua_State *L)
{
    static const char *const borders[] = {"top", "bottom", nullptr};
    const int border = checkOption(L, 1, borders);
    const RegionKind kind = border == 0 ? RegionKind::TopBorder : RegionKind::BottomBorder;
    const QList<CanvasRegion> regions = m_work.regions();
    const auto region = std::find_if(regions.begin(), regions.end(),
                                     [&](const CanvasRegion &r) { return r.kind == kind; });
    if (region == regions.end()) {
        lua_pushnil(L);
        return 1;
    }
    const ClashContext context = ClashContext::forSweep(m_work);
    SpriteBudgetState state(context, m_work.colormap());
    lua_pushinteger(L, state.occupiedCount(border));
    const QList<int> over = overBudgetColumns(context, m_work.colormap(), *region);
    lua_createtable(L, int(over.size()), 0);
    for (int i = 0; i < over.size(); ++i) {
        lua_pushinteger(L, over.at(i));
        lua_rawseti(L, -2, i + 1);
    }
    return 2;
}

int ScriptApi::readPicture(lua_State *L)
{
    QString path = QString::fromUtf8(checkString(L, 1));
    if (QDir::isRelativePath(path) && !m_env.folder.isEmpty())
        path = QDir(m_env.folder).filePath(path);
    if (path.isEmpty()) {
        lua_pushnil(L);
        lua_pushliteral(L, "no picture file given");
        return 2;
    }
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > PictureSideLimit || size.height() > PictureSideLimit)) {
        lua_pushnil(L);
        lua_pushfstring(L, "%s is larger than %d x %d pixels", checkString(L, 1), PictureSideLimit,
                        PictureSideLimit);
        return 2;
    }
    const QImage image = reader.read().convertToFormat(QImage::Format_RGB32);
    if (image.isNull() || image.width() > PictureSideLimit || image.height() > PictureSideLimit) {
        lua_pushnil(L);
        lua_pushfstring(L, "cannot read %s: %s", checkString(L, 1),
                        reader.errorString().toUtf8().constData());
        return 2;
    }
    const int w = image.width(), h = image.height();
    lua_createtable(L, w * h, 2);
    setField(L, "width", w);
    setField(L, "height", h);
    for (int y = 0; y < h; ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            lua_pushinteger(L, row[x] & 0xFFFFFF);
            lua_rawseti(L, -2, lua_Integer(y) * w + x + 1);
        }
    }
    return 1;
}

int ScriptApi::printCall(lua_State *L)
{
    const ScriptApi &api = self(L);
    const int n = lua_gettop(L);
    luaL_Buffer buffer;
    luaL_buffinit(L, &buffer);
    for (int i = 1; i <= n; ++i) {
        if (i > 1)
            luaL_addchar(&buffer, '\t');
        size_t length = 0;
        luaL_tolstring(L, i, &length);
        luaL_addvalue(&buffer);
    }
    luaL_pushresult(&buffer);
    size_t length = 0;
    const char *text = lua_tolstring(L, -1, &length);
    if (api.m_env.print)
        api.m_env.print(QString::fromUtf8(text, qsizetype(length)));
    return 0;
}
