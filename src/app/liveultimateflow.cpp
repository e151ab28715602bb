#include "liveultimateflow.h"

#include "editorsession.h"
#include "generalsettings.h"
#include "mainactions.h"
#include "ultimatesendflow.h"

#include "canvas/canvasarea.h"
#include "document/project.h"
#include "exchange/exomizercall.h"
#include "exchange/livesession.h"

#include <QAction>
#include <QCoreApplication>
#include <QSignalBlocker>

namespace
{

constexpr int StatusMs = 5000;

} // namespace

LiveUltimateFlow::LiveUltimateFlow(EditorSession *editor)
    : QObject(editor->dialogParent()), m_editor(editor), m_settleMs(LiveSession::DefaultSettleMs)
{
}

QAction *LiveUltimateFlow::action() const
{
    return m_editor->menuActions()->action(QStringLiteral("liveOnUltimate"));
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
    if (!UltimateSendFlow(m_editor).run()) {
        if (QAction *entry = action()) {
            const QSignalBlocker quiet(entry);
            entry->setChecked(false);
        }
        return;
    }
    const GeneralSettings settings = GeneralSettings::read();
    const LiveSession::Device device{settings.ultimateHost, settings.ultimatePassword,
                                     settings.clampedTimeoutSeconds()};
    EditorSession *editor = m_editor;
    m_session = new LiveSession(
        device,
        [editor](QString *error) { return LiveImage::fromProject(editor->project(), error); },
        ExomizerCall::compressorPath(QCoreApplication::applicationDirPath()), this);
    m_session->setSettleMs(m_settleMs);
    connect(m_session, &LiveSession::stopped, this, [this](const QString &reason) {
        end(tr("Live on the Ultimate device stopped: %1").arg(reason));
    });
    CanvasArea *canvas = m_editor->canvas();
    connect(canvas, &CanvasArea::imageRegionChanged, m_session, &LiveSession::poke);
    connect(canvas, &CanvasArea::imageChanged, m_session, &LiveSession::poke);
    connect(canvas, &CanvasArea::historyChanged, m_session, &LiveSession::poke);
    m_session->start(LiveImage::fromProject(m_editor->project()));
    m_editor->showStatusMessage(tr("Live on the Ultimate device at %1.").arg(device.host),
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
    m_editor->showStatusMessage(status, StatusMs);
}
