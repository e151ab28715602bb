#include "darkappearance.h"

#include "menupolishfilter.h"

#include <QApplication>
#include <QFile>
#include <QStyleFactory>

// Resources of a static library must be registered by hand, outside any namespace.
static void initStyleResources()
{
    Q_INIT_RESOURCE(styles);
}

QPalette DarkAppearance::palette()
{
    QPalette p;
    const QColor text(0xEE, 0xEE, 0xEE);
    const QColor highlight(0x0A, 0x84, 0xFF);
    // QPalette::setColor(role, colour) sets every colour group at once.
    p.setColor(QPalette::Window, QColor(0x39, 0x39, 0x39));
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, QColor(0x2B, 0x2B, 0x2B));
    p.setColor(QPalette::AlternateBase, QColor(0x3F, 0x3F, 0x3F));
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, QColor(0x50, 0x50, 0x50));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, Qt::white);
    p.setColor(QPalette::Highlight, highlight);
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, QColor(0x1E, 0x1E, 0x1E));
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, QColor(0x99, 0x99, 0x99));
    p.setColor(QPalette::Link, highlight);
    p.setColor(QPalette::LinkVisited, highlight);

    const QColor disabled(0x99, 0x99, 0x99);
    for (QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::HighlightedText})
        p.setColor(QPalette::Disabled, role, disabled);
    return p;
}

QString DarkAppearance::styleSheet(const QString &path)
{
    initStyleResources();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qWarning("Cannot load the style sheet %s", qPrintable(path));
        return QString();
    }
    return QString::fromUtf8(file.readAll());
}

void DarkAppearance::apply(QApplication &app, const QString &styleSheetPath)
{
    if (QStyle *fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        app.setStyle(fusion);
    app.setPalette(palette());
    app.setStyleSheet(styleSheet(styleSheetPath));
    // Once per application, however often the look is applied.
    if (!app.findChild<MenuPolishFilter *>(QString(), Qt::FindDirectChildrenOnly))
        app.installEventFilter(new MenuPolishFilter(&app));
}
