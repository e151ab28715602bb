// A 200-segment pen stroke in live mode against the stand-in device on the
// loopback interface: the pointer moves every 10 ms (a 100 Hz mouse), and a
// live session writes the canvas's changes as it would to an Ultimate.
// Prints the requests and payload bytes the stroke cost, and the time from
// each pointer move to the next request leaving and to its arrival at the
// device, against the goals of 25 requests a second and 50 ms.
//
//   QT_QPA_PLATFORM=offscreen bench_livestroke

#include "app/mainwindow.h"

#include "canvas/canvasarea.h"
#include "document/viewtransform.h"
#include "exchange/livesession.h"
#include "paint/paintsettings.h"

#include "standindevice.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{

constexpr int Segments = 200;
constexpr int MoveMs = 10;

void sendMouse(QWidget *widget, QEvent::Type type, QPointF pos, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

qint64 percentile(QList<qint64> values, double share)
{
    if (values.isEmpty())
        return -1;
    std::sort(values.begin(), values.end());
    return values.at(qMin(values.size() - 1, qsizetype(share * double(values.size()))));
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    StandInDevice device;
    if (!device.start())
        return 1;
    MainWindow window;
    window.resize(1000, 760);
    window.show();
    QMetaObject::invokeMethod(&window, "newMulticolorCanvas");
    CanvasArea *canvas = window.canvas();
    window.paintSettings()->setPenIndex(1);

    LiveSession session(
        {device.host(), {}, 10.0},
        [&window](QString *error) { return LiveImage::fromProject(window.project(), error); }, {});
    session.setSettleMs(0);
    QObject::connect(canvas, &CanvasArea::imageRegionChanged, &session, &LiveSession::poke);
    session.start(LiveImage::fromProject(window.project()));

    QElapsedTimer clock;
    clock.start();
    QList<qint64> moves, sent, arrived;
    QObject::connect(&session, &LiveSession::requestSent,
                     [&](int, int) { sent << clock.nsecsElapsed(); });
    QObject::connect(&device, &StandInDevice::requestReceived,
                     [&](int) { arrived << clock.nsecsElapsed(); });

    const auto at = [&](int i) {
        // A loose wave across the picture, a few pixels a segment.
        const QPointF pixel(8 + i * 0.7, 100 + 60 * std::sin(i / 15.0));
        return canvas->viewTransform().toWidget(pixel + QPointF(0.5, 0.5));
    };
    sendMouse(canvas, QEvent::MouseButtonPress, at(0), Qt::LeftButton, Qt::LeftButton);
    int segment = 0;
    QTimer pointer;
    QObject::connect(&pointer, &QTimer::timeout, [&] {
        if (++segment > Segments) {
            pointer.stop();
            sendMouse(canvas, QEvent::MouseButtonRelease, at(Segments), Qt::LeftButton,
                      Qt::NoButton);
            return;
        }
        moves << clock.nsecsElapsed();
        sendMouse(canvas, QEvent::MouseMove, at(segment), Qt::NoButton, Qt::LeftButton);
    });
    pointer.start(MoveMs);
    QElapsedTimer wait;
    wait.start();
    while ((pointer.isActive() || !session.isSettled()) && wait.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);

    const auto latencies = [&](const QList<qint64> &events) {
        QList<qint64> result;
        for (const qint64 move : moves) {
            const auto next = std::lower_bound(events.begin(), events.end(), move);
            if (next != events.end())
                result << (*next - move) / 1000;
        }
        return result;
    };
    const QList<qint64> toSend = latencies(sent);
    const QList<qint64> toArrive = latencies(arrived);
    qint64 bytes = 0;
    for (const StandInDevice::Request &request : device.requests()) {
        const qsizetype data = request.path.indexOf("&data=");
        bytes += data < 0 ? request.body.size() : (request.path.size() - data - 6) / 2;
    }
    const double seconds = double(moves.constLast() - moves.constFirst()) / 1e9;
    const double sending = double(sent.constLast() - sent.constFirst()) / 1e9;
    std::printf("live stroke: %d segments over %.2f s, requests over %.2f s\n", Segments, seconds,
                sending);
    std::printf("  requests: %d (%.1f a second; goal at most 25)\n", session.requestCount(),
                (session.requestCount() - 1) / sending);
    std::printf("  payload bytes: %lld (%lld on the device's side)\n",
                qlonglong(session.byteCount()), qlonglong(bytes));
    std::printf(
        "  move -> request leaves: median %.1f ms, 95%% %.1f ms, max %.1f ms (goal 50 ms)\n",
        percentile(toSend, 0.5) / 1000.0, percentile(toSend, 0.95) / 1000.0,
        percentile(toSend, 1.0) / 1000.0);
    std::printf("  move -> request arrives: median %.1f ms, 95%% %.1f ms, max %.1f ms\n",
                percentile(toArrive, 0.5) / 1000.0, percentile(toArrive, 0.95) / 1000.0,
                percentile(toArrive, 1.0) / 1000.0);
    return session.isSettled() ? 0 : 1;
}
