#pragma once

#include "canvas/artworkimage.h"
#include "canvas/canvasarea.h"
#include "canvas/canvastool.h"
#include "canvas/toolcursors.h"

#include "document/project.h"
#include "document/viewtransform.h"
#include "paint/paintsettings.h"

#include <QApplication>
#include <QLineF>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QStringList>
#include <QTest>
#include <QWheelEvent>

// Sends a mouse event through the application like a real pointer would,
// with explicit held buttons and modifiers.
inline void sendMouse(QWidget *widget, QEvent::Type type, QPointF pos, Qt::MouseButton button,
                      Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), button, buttons, modifiers);
    QApplication::sendEvent(widget, &event);
}

inline void press(QWidget *w, QPointF pos, Qt::MouseButton button = Qt::LeftButton,
                  Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    sendMouse(w, QEvent::MouseButtonPress, pos, button, button, modifiers);
}

inline void move(QWidget *w, QPointF pos, Qt::MouseButtons buttons = Qt::LeftButton,
                 Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    sendMouse(w, QEvent::MouseMove, pos, Qt::NoButton, buttons, modifiers);
}

inline void release(QWidget *w, QPointF pos, Qt::MouseButton button = Qt::LeftButton,
                    Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    sendMouse(w, QEvent::MouseButtonRelease, pos, button, Qt::NoButton, modifiers);
}

// A vertical wheel step; whether the widget took it.
inline bool sendWheel(QWidget *w, QPointF pos, int delta)
{
    QWheelEvent event(pos, w->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    event.setAccepted(false);
    QApplication::sendEvent(w, &event);
    return event.isAccepted();
}

inline bool near(QPointF a, QPointF b, double eps = 1e-6)
{
    return QLineF(a, b).length() < eps;
}

// The widget point at the centre of a canvas pixel in the current view.
inline QPointF at(const CanvasArea *canvas, QPoint pixel)
{
    return canvas->viewTransform().toWidget(QPointF(pixel) + QPointF(0.5, 0.5));
}

// Press, drag through and release at widget points.
inline void drag(QWidget *w, const QList<QPointF> &path, Qt::MouseButton button = Qt::LeftButton,
                 Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    press(w, path.first(), button, modifiers);
    for (qsizetype i = 1; i < path.size(); ++i)
        move(w, path[i], button, modifiers);
    release(w, path.last(), button, modifiers);
}

// The same over canvas pixels.
inline void stroke(CanvasArea *canvas, const QList<QPoint> &path,
                   Qt::MouseButton button = Qt::LeftButton,
                   Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QList<QPointF> points;
    for (const QPoint p : path)
        points << at(canvas, p);
    drag(canvas, points, button, modifiers);
}

// Modifiers written as letters: s Shift, c Ctrl, a Alt.
inline Qt::KeyboardModifiers modifiersOf(const QString &text)
{
    Qt::KeyboardModifiers mods;
    mods.setFlag(Qt::ShiftModifier, text.contains(u's'));
    mods.setFlag(Qt::ControlModifier, text.contains(u'c'));
    mods.setFlag(Qt::AltModifier, text.contains(u'a'));
    return mods;
}

// Whether a widget shows one of the tool cursors.
inline bool showsCursor(const QWidget *w, ToolCursors::Kind kind)
{
    const QCursor a = w->cursor(), b = ToolCursors::cursor(kind);
    return a.shape() == b.shape() &&
           (a.shape() != Qt::BitmapCursor ||
            (a.hotSpot() == b.hotSpot() && a.pixmap().toImage() == b.pixmap().toImage()));
}

// Collects the region of every paint event of the widgets it watches.
struct PaintRecorder : QObject {
    QRegion region;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            region += static_cast<QPaintEvent *>(event)->region();
        return false;
    }
};

// A pen stand-in that takes presses (the middle button pans) through the
// default handlers and writes down every hook it is given.
class RecordingTool : public CanvasTool
{
public:
    using CanvasTool::CanvasTool;

    void activate() override
    {
        setActiveFlag(true);
        calls << "activate";
    }
    void deactivate() override { setActiveFlag(false); }
    bool acceptsPress(const ToolEvent &e) override { return e.button != Qt::MiddleButton; }
    void pressed(const ToolEvent &e) override { record("pressed", e); }
    void dragged(const ToolEvent &e) override { record("dragged", e); }
    void released(const ToolEvent &e) override { record("released", e); }
    void clicked(const ToolEvent &e) override { record("clicked", e); }
    void record(const char *name, const ToolEvent &e)
    {
        calls << name;
        events << e;
    }

    QStringList calls;
    QList<ToolEvent> events;
};

// A shown, offscreen canvas of a given size on its own project.
struct CanvasFixture {
    explicit CanvasFixture(Project p, QSize size = QSize(832, 602)) : project(std::move(p))
    {
        canvas = std::make_unique<CanvasArea>(project, paint);
        c = canvas.get();
        canvas->resize(size);
        canvas->show();
        QVERIFY(QTest::qWaitForWindowExposed(canvas.get()));
    }
    RecordingTool *installRecordingPen()
    {
        auto pen = std::make_unique<RecordingTool>(canvas.get());
        RecordingTool *raw = pen.get();
        canvas->installPenTool(std::move(pen));
        raw->calls.clear();
        return raw;
    }
    // The artwork image matches one rendered afresh from the document.
    bool showsDocument() const
    {
        return canvas->artworkImage() ==
               artworkImage(project.colormap(), project.paletteVariant(),
                            project.mode() == CanvasMode::Multicolor ? 2 : 1);
    }

    Project project;
    PaintSettings paint;
    std::unique_ptr<CanvasArea> canvas;
    CanvasArea *c = nullptr;
};
