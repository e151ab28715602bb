#pragma once

#include "liveimage.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

// Keeps a running display program on an Ultimate device showing the
// current image: it looks at the image when poked and at every interval,
// writes the bytes that differ from what the device holds, one request at a
// time and at most one per interval (so edits made meanwhile travel
// together), and sends and starts the program again when the change is one
// the running program cannot show. Any failure ends the session; nothing is
// sent once it has ended.
class LiveSession : public QObject
{
    Q_OBJECT

public:
    struct Device {
        QString host;
        QString password;
        double timeoutSeconds = 2.5;
    };
    // The image to show now; invalid, with the reason, when there is none.
    using ImageSource = std::function<LiveImage(QString *error)>;

    LiveSession(const Device &device, ImageSource source, const QString &cruncherPath,
                QObject *parent = nullptr);
    ~LiveSession() override;

    // Goes live on a device that runs `running`, sent and started already;
    // the first write waits until its picture stands.
    void start(const LiveImage &running);
    // Ends at once: a request under way is abandoned and none follows.
    void stop();
    bool isLive() const { return m_live; }
    // Nothing under way, and the device holds what the source shows now.
    bool isSettled() const;
    // Looks at the image as soon as the rate allows rather than at the next
    // interval.
    void poke();
    // How long a freshly started program is given to unpack and set up.
    void setSettleMs(int ms) { m_settleMs = ms; }

    int requestCount() const { return m_requests; }
    qint64 byteCount() const { return m_bytes; }

    // 25 requests a second at most.
    static constexpr int IntervalMs = 40;
    // Changed runs closer than this travel as one write, the bytes between
    // rewritten with their own values: a bitmap char row and a cell, so a
    // stroke crossing char rows costs one request a frame, not one a row,
    // and never falls behind the 25 a second.
    static constexpr int MergeGap = 330;
    static constexpr int DefaultSettleMs = 2000;

signals:
    // The session ended on its own: the device failed, or the image cannot
    // be shown any more.
    void stopped(const QString &reason);
    // A request has left: a write of `bytes` at `address`, or with address
    // -1 the program sent again.
    void requestSent(int address, int bytes);

private:
    void look();
    void restart(const LiveImage &next);
    void send(QNetworkReply *reply, int address, int bytes);
    void finished();
    void fail(const QString &reason);

    Device m_device;
    ImageSource m_source;
    QString m_cruncherPath;
    QNetworkAccessManager *m_manager;
    QNetworkReply *m_reply = nullptr;
    QTimer m_poll;
    QTimer m_soon;
    QElapsedTimer m_sinceRequest;
    QElapsedTimer m_sinceStart;
    int m_settleMs = DefaultSettleMs;
    bool m_live = false;
    LiveImage m_shown;
    // What the request under way makes of m_shown once it succeeds.
    LiveImage m_afterRequest;
    bool m_restarting = false;
    int m_cursor = 0;
    int m_requests = 0;
    qint64 m_bytes = 0;
};
