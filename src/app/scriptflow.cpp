#include "scriptflow.h"

#include "editorsession.h"
#include "filetaskinputblocker.h"
#include "mainactions.h"

#include "canvas/canvasarea.h"
#include "canvas/selecttool.h"
#include "document/project.h"
#include "paint/paintsettings.h"
#include "script/scriptrunner.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QDockWidget>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QMenu>
#include <QMutex>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QUrl>
#include <QtConcurrent>

#include <atomic>
#include <memory>

namespace
{

// A run shorter than this never shows its progress dialog.
constexpr int ProgressDelayMs = 400;
// Lines waiting for the console beyond this many are counted, not kept.
constexpr int MaxPendingLines = 20000;
// Titles are remembered for this many recent runs.
constexpr int RememberedRuns = 64;

// Whether two nodes are one: the same records sharing the same pixels.
bool sameNode(const HistoryNode &a, const HistoryNode &b)
{
    if (a.kind != b.kind || a.changes.size() != b.changes.size())
        return false;
    for (qsizetype i = 0; i < a.changes.size(); ++i) {
        const HistoryChange &x = a.changes.at(i), &y = b.changes.at(i);
        if (x.type != y.type || x.rect != y.rect || x.slot != y.slot || x.oldIndex != y.oldIndex ||
            x.newIndex != y.newIndex)
            return false;
        if (x.type == HistoryChange::Type::RegionChange &&
            (x.after.isDeflated() || y.after.isDeflated() ||
             !x.after.pixels().bytes().isSharedWith(y.after.pixels().bytes())))
            return false;
    }
    return true;
}

} // namespace

ScriptFlow::ScriptFlow(EditorSession *session, QMenu *menu)
    : QObject(session->dialogParent()), m_session(session), m_menu(menu)
{
    m_pane = new QDockWidget(tr("Script Console"), session->dialogParent());
    m_pane->setObjectName(QStringLiteral("scriptConsole"));
    m_console = new QPlainTextEdit(m_pane);
    m_console->setReadOnly(true);
    m_console->setObjectName(QStringLiteral("scriptConsoleText"));
    m_console->setMaximumBlockCount(5000);
    m_pane->setWidget(m_console);
    m_pane->hide();
    if (m_menu)
        connect(m_menu, &QMenu::aboutToShow, this, &ScriptFlow::fillMenu);
    fillMenu();
    const MainActions *actions = session->menuActions();
    m_undoText = actions->action(QStringLiteral("undo"))->text();
    m_redoText = actions->action(QStringLiteral("redo"))->text();
    if (QAction *edit = actions->action(QStringLiteral("editMenu")); edit && edit->menu())
        connect(edit->menu(), &QMenu::aboutToShow, this, &ScriptFlow::nameUndoSteps);
}

QString ScriptFlow::runTitle(const HistoryNode &node) const
{
    for (const auto &[run, title] : m_runs)
        if (sameNode(run, node))
            return title;
    return QString();
}

void ScriptFlow::nameUndoSteps()
{
    const History &history = m_session->project().history();
    const QString undone =
        history.canUndo() ? runTitle(history.nodes().at(history.position() - 1)) : QString();
    const QString redone =
        history.canRedo() ? runTitle(history.nodes().at(history.position())) : QString();
    m_session->menuActions()
        ->action(QStringLiteral("undo"))
        ->setText(undone.isEmpty() ? m_undoText : tr("Undo %1").arg(undone));
    m_session->menuActions()
        ->action(QStringLiteral("redo"))
        ->setText(redone.isEmpty() ? m_redoText : tr("Redo %1").arg(redone));
}

QString ScriptFlow::userFolder()
{
    const QString folder = QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
                               .filePath(QStringLiteral("scripts"));
    QDir().mkpath(folder);
    return folder;
}

void ScriptFlow::fillMenu()
{
    if (!m_menu)
        return;
    // The entries after the table's own ones are this list's.
    for (QAction *action : m_menu->actions())
        if (action->property("scriptPath").isValid())
            m_menu->removeAction(action), action->deleteLater();
    const auto addScript = [this](const QString &path) {
        QFile file(path);
        const QByteArray head = file.open(QIODevice::ReadOnly) ? file.read(4096) : QByteArray();
        QAction *action = m_menu->addAction(ScriptRunner::scriptTitle(path, head));
        action->setProperty("scriptPath", path);
        connect(action, &QAction::triggered, this, [this, path] { runScript(path); });
    };
    QAction *separator = m_menu->addSeparator();
    separator->setProperty("scriptPath", QString());
    for (const QString &path : ScriptRunner::bundledScripts())
        addScript(path);
    const QDir user(userFolder());
    const QStringList own = user.entryList({QStringLiteral("*.lua")}, QDir::Files, QDir::Name);
    if (!own.isEmpty()) {
        QAction *ownSeparator = m_menu->addSeparator();
        ownSeparator->setProperty("scriptPath", QString());
        for (const QString &file : own)
            addScript(user.filePath(file));
    }
}

void ScriptFlow::appendConsole(const QString &text)
{
    m_pane->show();
    m_console->appendPlainText(text);
}

void ScriptFlow::chooseAndRun()
{
    const QString path =
        QFileDialog::getOpenFileName(m_session->dialogParent(), tr("Run Script"), userFolder(),
                                     tr("Lua scripts (*.lua);;All files (*)"));
    if (!path.isEmpty())
        runScript(path);
}

void ScriptFlow::openFolder()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(userFolder()));
}

void ScriptFlow::runScript(const QString &path)
{
    if (!m_session->wholeCanvasEditAllowed())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_session->showStatusMessage(tr("Cannot read %1.").arg(QFileInfo(path).fileName()), 5000);
        return;
    }
    const QByteArray source = file.readAll();
    const QString title = ScriptRunner::scriptTitle(path, source);

    CanvasArea *canvas = m_session->canvas();
    const PaintSettings *paint = m_session->paintSettings();
    ScriptEnvironment env;
    env.name = QFileInfo(path).fileName();
    env.folder = path.startsWith(u':') ? QString() : QFileInfo(path).absolutePath();
    env.brush = paint->brushSettings();
    env.texture = paint->texture();
    env.textureMode = paint->textureMode();
    env.placement = paint->contourPlacement();
    env.primary = paint->penIndex();
    env.secondary = paint->secondaryIndex();
    env.selection = canvas->selectTool()->selection();
    if (ScriptRunner::wantsPicture(source)) {
        const QString picture = QFileDialog::getOpenFileName(
            m_session->dialogParent(), tr("Picture for %1").arg(title), QString(),
            tr("Pictures (*.png *.jpg *.jpeg *.bmp *.gif);;All files (*)"));
        if (picture.isEmpty())
            return;
        env.args = {picture};
    }

    appendConsole(tr("Running %1...").arg(title));
    m_session->runWholeCanvasEdit([&]() -> QRect {
        auto cancel = std::make_shared<std::atomic_bool>(false);
        env.cancel = cancel.get();
        // Lines gather on the worker and reach the console in batches, so
        // a script printing in a tight loop cannot flood the event queue.
        struct Output {
            QMutex mutex;
            QStringList lines;
            bool posted = false;
            int dropped = 0;
        };
        auto output = std::make_shared<Output>();
        QPointer<ScriptFlow> self(this);
        const auto flush = [self, output] {
            QStringList lines;
            int dropped = 0;
            {
                const QMutexLocker lock(&output->mutex);
                lines.swap(output->lines);
                std::swap(dropped, output->dropped);
                output->posted = false;
            }
            if (!self || lines.isEmpty())
                return;
            if (dropped > 0)
                lines << tr("(%n more line(s) not shown)", nullptr, dropped);
            self->appendConsole(lines.join(u'\n'));
        };
        env.print = [self, output, flush](const QString &line) {
            const QMutexLocker lock(&output->mutex);
            if (output->lines.size() < MaxPendingLines)
                output->lines << line;
            else
                ++output->dropped;
            if (!output->posted) {
                output->posted = true;
                QMetaObject::invokeMethod(self, flush, Qt::QueuedConnection);
            }
        };
        QProgressDialog dialog(tr("Running %1...").arg(title), tr("Cancel"), 0, 0,
                               m_session->dialogParent());
        dialog.setWindowTitle(QStringLiteral("KORVEN"));
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.setMinimumDuration(ProgressDelayMs);
        const FileTaskInputBlocker blocker(&dialog);
        QFutureWatcher<ScriptOutcome> watcher;
        QEventLoop loop;
        connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
        connect(&dialog, &QProgressDialog::canceled, &loop, [cancel] { *cancel = true; });
        const Project copy = m_session->project();
        QFuture<ScriptOutcome> future =
            QtConcurrent::run(QThreadPool::globalInstance(), [copy, source, env, cancel] {
                return ScriptRunner::execute(copy, source, env);
            });
        watcher.setFuture(future);
        if (!watcher.isFinished())
            loop.exec();
        future.waitForFinished();
        // Lines printed at the end arrive before the verdict.
        QCoreApplication::sendPostedEvents(this);
        const ScriptOutcome outcome = future.result();
        if (!outcome.ok()) {
            if (outcome.status == ScriptOutcome::Status::Cancelled) {
                appendConsole(tr("%1 was cancelled; nothing changed.").arg(title));
                m_session->showStatusMessage(tr("Script cancelled."), 5000);
            } else {
                appendConsole(outcome.message);
                m_session->showStatusMessage(tr("%1 failed: %2").arg(title, outcome.message), 5000);
            }
            return QRect();
        }
        if (outcome.refusedPixels > 0)
            appendConsole(
                tr("%n pixel(s) refused by the colour rules.", nullptr, outcome.refusedPixels));
        const QRect changed = ScriptRunner::apply(m_session->project(), outcome);
        if (!changed.isEmpty()) {
            const History &history = m_session->project().history();
            m_runs.append({history.nodes().at(history.position() - 1), title});
            if (m_runs.size() > RememberedRuns)
                m_runs.removeFirst();
        }
        if (changed.isEmpty()) {
            appendConsole(tr("%1 changed nothing.").arg(title));
        } else {
            appendConsole(tr("%1 done: one undo step.").arg(title));
            m_session->showStatusMessage(tr("Ran %1.").arg(title), 5000);
        }
        return changed;
    });
}
