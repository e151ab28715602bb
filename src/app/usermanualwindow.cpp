#include "usermanualwindow.h"

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
    QFile manual(QStringLiteral(":/doc/user-manual.md"));
    if (manual.open(QIODevice::ReadOnly))
        m_browser->setMarkdown(QString::fromUtf8(manual.readAll()));
    else
        m_browser->setPlainText(tr("The user manual is missing from this build."));
}
