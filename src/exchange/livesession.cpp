#include "livesession.h"

#include "prgcruncher.h"
#include "ultimateclient.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <algorithm>

LiveSession::LiveSession(const Device &device, ImageSource source, const QString &cruncherPath,
                         QObject *parent)
    : QObject(parent), m_device(device), m_source(std::move(source)), m_cruncherPath(cruncherPath),
      m_manager(new QNetworkAccessManager(this))
{
    // The device sits on the local network; a proxy for the web would only
    // stand in its way.
    m_manager->setProxy(QNetworkProxy::NoProxy);
    m_poll.setInterval(IntervalMs);
    connect(&m_poll, &QTimer::timeout, this, &LiveSession::look);
    m_soon.setSingleShot(true);
    connect(&m_soon, &QTimer::timeout, this, &LiveSession::look);
}

LiveSession::~LiveSession()
{
    stop();
}

void LiveSession::start(const LiveImage &running)
{
    m_shown = running;
    m_live = true;
    m_sinceStart.start();
    m_sinceRequest.invalidate();
    m_poll.start();
}

void LiveSession::stop()
{
    m_live = false;
    m_poll.stop();
    m_soon.stop();
    if (QNetworkReply *reply = std::exchange(m_reply, nullptr)) {
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

bool LiveSession::isSettled() const
{
    if (!m_live || m_reply)
        return false;
    QString error;
    const LiveImage now = m_source(&error);
    return m_shown.canBecome(now) && m_shown.writesTo(now, 1).isEmpty();
}

void LiveSession::poke()
{
    if (!m_live || m_reply || m_soon.isActive())
        return;
    const qint64 since = m_sinceRequest.isValid() ? m_sinceRequest.elapsed() : IntervalMs;
    m_soon.start(int(qMax<qint64>(0, IntervalMs - since)));
}

void LiveSession::look()
{
    if (!m_live || m_reply)
        return;
    if (m_sinceRequest.isValid() && m_sinceRequest.elapsed() < IntervalMs)
        return;
    if (m_sinceStart.elapsed() < m_settleMs)
        return;
    QString error;
    const LiveImage next = m_source(&error);
    if (!next.isValid()) {
        fail(error);
        return;
    }
    if (!m_shown.canBecome(next)) {
        restart(next);
        return;
    }
    const QList<LiveImage::Block> blocks = m_shown.writesTo(next, MergeGap);
    if (blocks.isEmpty())
        return;
    // What shows goes first; within that, round the memory from the last
    // write on, so that a stroke busy in one area never starves the others.
    const LiveImage::Block *block = nullptr;
    const bool onStage = std::any_of(blocks.begin(), blocks.end(), [&](const auto &candidate) {
        return !m_shown.isBackstage(candidate);
    });
    for (const bool wrapped : {false, true}) {
        for (const LiveImage::Block &candidate : blocks) {
            if (!block && (wrapped || candidate.address >= m_cursor) &&
                (!onStage || !m_shown.isBackstage(candidate)))
                block = &candidate;
        }
    }
    m_cursor = block->address + int(block->bytes.size());
    m_afterRequest = m_shown;
    m_afterRequest.apply(*block);
    send(UltimateClient::startWriteMemory(*m_manager, m_device.host, block->address, block->bytes,
                                          m_device.timeoutSeconds, m_device.password),
         block->address, int(block->bytes.size()));
}

void LiveSession::restart(const LiveImage &next)
{
    const QByteArray program = PrgCruncher::crunch(next.prg(), next.startAddress(), m_cruncherPath);
    QNetworkRequest request = UltimateClient::request(
        UltimateClient::deviceUrl(m_device.host, QStringLiteral("/v1/runners:run_prg")),
        m_device.timeoutSeconds, m_device.password);
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/octet-stream"));
    m_afterRequest = next;
    m_restarting = true;
    send(m_manager->post(request, program), -1, int(program.size()));
}

void LiveSession::send(QNetworkReply *reply, int address, int bytes)
{
    m_reply = reply;
    m_sinceRequest.start();
    ++m_requests;
    m_bytes += bytes;
    connect(reply, &QNetworkReply::finished, this, &LiveSession::finished);
    emit requestSent(address, bytes);
}

void LiveSession::finished()
{
    QNetworkReply *reply = std::exchange(m_reply, nullptr);
    if (!reply)
        return;
    reply->deleteLater();
    const QString error = UltimateClient::replyError(reply);
    if (!error.isEmpty()) {
        fail(error);
        return;
    }
    m_shown = m_afterRequest;
    // A program started afresh is given its time to set up again.
    if (std::exchange(m_restarting, false))
        m_sinceStart.start();
    // More may be waiting: look again as soon as the rate allows.
    poke();
}

void LiveSession::fail(const QString &reason)
{
    m_restarting = false;
    stop();
    emit stopped(reason);
}
