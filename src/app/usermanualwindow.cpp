#include "usermanualwindow.h"

#include <QAction>
#include <QFile>
#include <QTextBrowser>
#include <QVBoxLayout>

UserManualWindow::UserManualWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(tr("KORVEN User Manual"));
    resize(720, 640);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    m_browser = new QTextBrowser(this);
    m_browser->setOpenExternalLinks(true);
    // The manual's pictures sit beside it in the resources.
    m_browser->setSearchPaths({QStringLiteral(":/doc")});
    column->addWidget(m_browser);
    // Esc and Ctrl+W put the manual away, as in any reading window.
    auto *close = new QAction(tr("Close"), this);
    close->setShortcuts({QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)});
    close->setShortcutContext(Qt::WindowShortcut);
    connect(close, &QAction::triggered, this, &QWidget::close);
    addAction(close);
    QFile manual(QStringLiteral(":/doc/user-manual.md"));
    if (manual.open(QIODevice::ReadOnly))
        m_browser->setMarkdown(QString::fromUtf8(manual.readAll()));
    else
        m_browser->setPlainText(tr("The user manual is missing from this build."));
}
