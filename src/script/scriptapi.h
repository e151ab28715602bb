#pragma once

#include "scriptrunner.h"

#include "paint/floodfill.h"
#include "paint/shaperenderer.h"
#include "paint/stagedshape.h"
#include "paint/strokerenderer.h"

#include <QImage>
#include <QRect>
#include <optional>

struct lua_State;
class Project;

// The calls a script makes on its working copy of the document: canvas
// facts, pixels, the drawing tools, the whole-canvas edits, colour slots,
// palette, selection, units and rule queries. Every drawing call goes
// through the same engines as the tools. A call with a wrong argument
// raises a Lua error that names the script's line.
class ScriptApi
{
public:
    ScriptApi(Project &work, const ScriptEnvironment &environment);
    ScriptApi(const ScriptApi &) = delete;
    ScriptApi &operator=(const ScriptApi &) = delete;

    // Sets the interface's globals (and the table `canvas`) in the state.
    void install(lua_State *state);
    int refusedPixels() const { return m_refused; }
    // True while a call runs: Lua's memory limit waits until it returns, so
    // a full heap never jumps out of the middle of a call.
    bool isCalling() const { return m_calling; }

private:
    static ScriptApi &self(lua_State *state);
    // Runs a call; its error becomes a Lua error once the call has returned.
    template <int (ScriptApi::*Call)(lua_State *)> static int bind(lua_State *state);
    static int printCall(lua_State *state);

    // Calls of the interface.
    int pen(lua_State *L);
    int get(lua_State *L);
    int set(lua_State *L);
    int line(lua_State *L);
    int rect(lua_State *L);
    int ellipse(lua_State *L);
    int star(lua_State *L);
    int path(lua_State *L);
    int fill(lua_State *L);
    int contour(lua_State *L);
    int swap(lua_State *L);
    int replace(lua_State *L);
    int swapOrReplace(lua_State *L, bool swap);
    int flip(lua_State *L);
    int clear(lua_State *L);
    int align(lua_State *L);
    int reduceBorders(lua_State *L);
    int resolveClashes(lua_State *L);
    int slot(lua_State *L);
    int setSlot(lua_State *L);
    int slotList(lua_State *L);
    int rgb(lua_State *L);
    int nearest(lua_State *L);
    int selection(lua_State *L);
    int selected(lua_State *L);
    int unit(lua_State *L);
    int clashes(lua_State *L);
    int hasClash(lua_State *L);
    int wouldClash(lua_State *L);
    int fits(lua_State *L);
    int budget(lua_State *L);
    int readPicture(lua_State *L);

    // What a drawing call reads: its colour and the brush, the current one
    // with the fields of an optional table on top.
    struct Paint {
        StrokeColors colors;
        BrushSettings brush;
        Texture texture;
        TextureMode textureMode = TextureMode::Stencil;
        ContourPlacement placement = ContourPlacement::Center;
        bool filled = false;
        double innerRatio = 0.382;
        double cornerRadius = 0.0;
    };
    Paint checkPaint(lua_State *L, int colorArg);
    QPoint checkPixel(lua_State *L, int arg) const;
    static QPoint checkPoint(lua_State *L, int arg);
    static quint8 checkColor(lua_State *L, int arg);
    // A new pass for a drawing call; set()'s own pass starts afresh after it.
    void beginOtherEdit() { m_setPass.reset(); }
    QPointF toDisplay(QPointF pixelCentre) const;
    int paintShape(lua_State *L, StagedShape shape, const Paint &paint);
    int roundShape(lua_State *L, ShapeKind kind);
    int flood(lua_State *L, bool contour);
    int pushChanged(lua_State *L, const QRect &changed);
    // The unit under a pixel, its region and its shared colours; false off
    // every unit.
    struct UnitInfo {
        QRect rect;
        CanvasRegion region;
        quint16 common = 0;
        int limit = 0;
    };
    bool unitAt(QPoint p, UnitInfo &info) const;

    Project &m_work;
    const ScriptEnvironment &m_env;
    StrokeRenderer m_renderer;
    ShapeRenderer m_shapes{m_renderer};
    FloodFill m_fill{m_renderer};
    // set() paints one mask byte at a time through a pass kept between calls.
    QImage m_setMask;
    std::optional<PaintPass> m_setPass;
    int m_refused = 0;
    bool m_calling = false;
};
