#include "liveultimateflow.h"

#include "generalsettings.h"
#include "mainwindow.h"
#include "ultimatesendflow.h"

#include "canvas/canvasarea.h"
#include "exchange/exomizercall.h"
#include "exchange/livesession.h"

#include <QAction>
#include <QCoreApplication>
#include <QSignalBlocker>

namespace
{

constexpr int StatusMs = 5000;

} // namespace

LiveUltimateFlow::LiveUltimateFlow(MainWindow *window)
    : QObject(window), m_window(window), m_settleMs(LiveSession::DefaultSettleMs)
{
}

QAction *LiveUltimateFlow::action() const
{
    return m_window->findChild<QAction *>(QStringLiteral("liveOnUltimate"));
}

void LiveUltimateFlow::setLive(bool on)
{
    if (!on) {
        if (m_session)
            end(tr("Live on the Ultimate device ended."));
        return;
    }
    if (m_session)
        return;
    // The program goes out as a plain send does, with its prompts and its
    // progress; live mode starts only when the device took it.
    if (!UltimateSendFlow(m_window).run()) {
        if (QAction *entry = action()) {
            const QSignalBlocker quiet(entry);
            entry->setChecked(false);
        }
        return;
    }
    const GeneralSettings settings = GeneralSettings::read();
    const LiveSession::Device device{settings.ultimateHost, settings.ultimatePassword,
                                     settings.clampedTimeoutSeconds()};
    MainWindow *window = m_window;
    m_session = new LiveSession(
        device,
        [window](QString *error) { return LiveImage::fromProject(window->project(), error); },
        ExomizerCall::compressorPath(QCoreApplication::applicationDirPath()), this);
    m_session->setSettleMs(m_settleMs);
    connect(m_session, &LiveSession::stopped, this, [this](const QString &reason) {
        end(tr("Live on the Ultimate device stopped: %1").arg(reason));
    });
    CanvasArea *canvas = m_window->canvas();
    connect(canvas, &CanvasArea::imageRegionChanged, m_session, &LiveSession::poke);
    connect(canvas, &CanvasArea::imageChanged, m_session, &LiveSession::poke);
    connect(canvas, &CanvasArea::historyChanged, m_session, &LiveSession::poke);
    m_session->start(LiveImage::fromProject(m_window->project()));
    m_window->showStatusMessage(tr("Live on the Ultimate device at %1.").arg(device.host),
                                StatusMs);
}

void LiveUltimateFlow::end(const QString &status)
{
    LiveSession *session = std::exchange(m_session, nullptr);
    session->stop();
    session->deleteLater();
    if (QAction *entry = action()) {
        const QSignalBlocker quiet(entry);
        entry->setChecked(false);
    }
    m_window->showStatusMessage(status, StatusMs);
}
