#include "dashboardcontroller.h"

#include "editorsession.h"
#include "generalsettings.h"
#include "mainactions.h"

#include "canvas/canvasarea.h"
#include "document/project.h"
#include "paint/paintsettings.h"
#include "paint/texture.h"
#include "widgets/colorassignmentwidget.h"
#include "widgets/dashboardbar.h"
#include "widgets/dashboardbutton.h"
#include "widgets/dashboardicons.h"
#include "widgets/flyoutreveal.h"
#include "widgets/palettewidget.h"
#include "widgets/texturewidget.h"

#include <QAction>
#include <QApplication>
#include <QEasingCurve>
#include <QGraphicsOpacityEffect>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QSequentialAnimationGroup>
#include <QSvgRenderer>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>
#include <functional>

namespace
{

constexpr int EdgeGap = 12;
constexpr int FlyoutGap = 5;
constexpr int EntrySize = 40;
constexpr int FadeMs = 75;
constexpr int FadeStaggerMs = 20;
const QColor CodeIconColor(0xDC, 0xDE, 0xE2);

// The shape kinds of the Shape menu, with their outline and filled icons
// (Line and Path have no filled form).
struct ShapeKindIcons {
    const char *action;
    const char *outline;
    const char *filled;
};
const ShapeKindIcons ShapeKinds[] = {
    {"shapeLine", "shape_line", nullptr},
    {"shapeRectangle", "shape_box", "shape_boxfilled"},
    {"shapeCircle", "shape_ellipse", "shape_ellipsefilled"},
    {"shapeStar", "shape_star", "shape_starfilled"},
    {"shapePath", "shape_bezierline", nullptr},
};

QString shapeIconName(int kind, bool filled)
{
    const ShapeKindIcons &icons = ShapeKinds[std::clamp(kind, 0, 4)];
    return QLatin1String(filled && icons.filled ? icons.filled : icons.outline);
}

// An icon of `size` drawn in code at device pixel ratios 1 and 2.
QIcon iconAtBothRatios(int size, const std::function<void(QPainter &)> &draw)
{
    QIcon icon;
    for (const qreal ratio : {1.0, 2.0}) {
        QPixmap pixmap(QSize(size, size) * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        draw(painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

// The brush and width icons: 26 x 26, filled, antialiased, without pen.
QIcon codeIcon(const std::function<void(QPainter &)> &draw)
{
    return iconAtBothRatios(26, [&draw](QPainter &painter) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(CodeIconColor);
        draw(painter);
    });
}

QRectF horizontalBar()
{
    return QRectF(13 - 7, 13 - 1.25, 14, 2.5);
}

// The tool button a widget is, or sits in, when it stands on a dashboard.
QToolButton *dashboardToolButton(QObject *object)
{
    for (QObject *o = object; o; o = o->parent()) {
        auto *button = qobject_cast<QToolButton *>(o);
        if (button && qobject_cast<DashboardBar *>(button->parent()))
            return button;
        if (o->isWidgetType() && static_cast<QWidget *>(o)->isWindow())
            break;
    }
    return nullptr;
}

} // namespace

QIcon DashboardController::roundBrushIcon()
{
    return codeIcon([](QPainter &p) { p.drawEllipse(QRectF(4, 4, 18, 18)); });
}

QIcon DashboardController::squareBrushIcon()
{
    return codeIcon([](QPainter &p) { p.drawRect(QRectF(4, 4, 18, 18)); });
}

QIcon DashboardController::minusIcon()
{
    return codeIcon([](QPainter &p) { p.drawRoundedRect(horizontalBar(), 1.25, 1.25); });
}

QIcon DashboardController::plusIcon()
{
    return codeIcon([](QPainter &p) {
        p.drawRoundedRect(horizontalBar(), 1.25, 1.25);
        p.drawRoundedRect(QRectF(13 - 1.25, 13 - 7, 2.5, 14), 1.25, 1.25);
    });
}

DashboardController::DashboardController(EditorSession *session)
    : QObject(session->dialogParent()), m_session(session), m_window(session->dialogParent()),
      m_canvas(session->canvas()), m_actions(session->menuActions())
{
    const GeneralSettings general = GeneralSettings::read();
    m_hoverDelayMs = general.flyoutHoverDelayMs();
    m_leaveGraceMs = general.flyoutLeaveGraceMs();

    const std::pair<const char *, const char *> toolIcons[] = {
        {"penTool", "tool_pen"},
        {"eraserTool", "tool_eraser"},
        {"fillTool", "tool_fill"},
        {"eyedropperTool", "tool_eyedrop"},
        {"panTool", "tool_pan"},
        {"rectSelectTool", "tool_selection"},
        {"lassoSelectTool", "tool_selectionlasso"}};
    for (const auto &[name, icon] : toolIcons)
        action(name)->setIcon(DashboardIcons::icon(QLatin1String(icon)));

    buildToolDashboard();
    buildBrushDashboard();
    buildPaletteDashboard();
    buildFlyouts();

    // Children, so they can be found by name.
    m_hoverTimer.setParent(this);
    m_leaveTimer.setParent(this);
    m_hoverTimer.setObjectName(QStringLiteral("flyoutHoverTimer"));
    m_hoverTimer.setSingleShot(true);
    m_leaveTimer.setObjectName(QStringLiteral("flyoutLeaveGraceTimer"));
    m_leaveTimer.setSingleShot(true);
    connect(&m_hoverTimer, &QTimer::timeout, this, [this] {
        if (m_pending)
            openFlyout(*m_pending);
    });
    connect(&m_leaveTimer, &QTimer::timeout, this, &DashboardController::closeFlyout);
    m_reveal = new FlyoutReveal(this);
    connect(m_reveal, &FlyoutReveal::revealed, this, &DashboardController::flyoutRevealed);

    m_canvas->installEventFilter(this);
    for (DashboardBar *bar : {m_toolBar, m_brushBar, m_paletteBar})
        bar->installEventFilter(this);
    setVisible(action("showDashboards")->isChecked());
    loadTextures();
    layoutDashboards();
}

DashboardController::~DashboardController()
{
    qApp->removeEventFilter(this);
}

QAction *DashboardController::action(const char *name) const
{
    return m_actions->action(QLatin1String(name));
}

void DashboardController::buildToolDashboard()
{
    m_toolBar = new DashboardBar(m_canvas);
    m_toolBar->setObjectName(QStringLiteral("toolDashboard"));
    m_toolBar->addAction(action("penTool"));
    m_toolBar->addAction(action("eraserTool"));
    m_toolBar->addAction(action("fillTool"));
    m_shape.button =
        m_toolBar->addButton(QIcon(), tr("Shape Tool: click to draw, hover to pick a shape"));
    m_toolBar->addAction(action("eyedropperTool"));
    m_toolBar->addAction(action("panTool"));
    m_select.button =
        m_toolBar->addButton(QIcon(), tr("Selection Tool: click to select, hover to pick a shape"));
    m_toolBar->addStretch();
    m_shape.button->setObjectName(QStringLiteral("shapeButton"));
    m_select.button->setObjectName(QStringLiteral("selectionButton"));

    for (DashboardButton *button : {m_shape.button, m_select.button}) {
        button->setCheckable(true);
        button->installEventFilter(this);
    }
    QAction *shapeTool = action("shapeTool");
    QAction *rectSelect = action("rectSelectTool");
    QAction *lassoSelect = action("lassoSelectTool");
    // The buttons show whether their tool is on; a click never turns it off.
    connect(m_shape.button, &QToolButton::clicked, this, [this, shapeTool] {
        m_hoverTimer.stop();
        shapeTool->setChecked(true);
        m_shape.button->setChecked(shapeTool->isChecked());
    });
    connect(m_select.button, &QToolButton::clicked, this, [this, rectSelect, lassoSelect] {
        m_hoverTimer.stop();
        (m_lastSelectLasso ? lassoSelect : rectSelect)->setChecked(true);
        m_select.button->setChecked(rectSelect->isChecked() || lassoSelect->isChecked());
    });
    connect(shapeTool, &QAction::toggled, m_shape.button, &QToolButton::setChecked);
    for (QAction *selectTool : {rectSelect, lassoSelect}) {
        connect(selectTool, &QAction::toggled, this, [this, rectSelect, lassoSelect, selectTool] {
            if (selectTool->isChecked()) {
                m_lastSelectLasso = selectTool == lassoSelect;
                refreshSelectionFace();
            }
            m_select.button->setChecked(rectSelect->isChecked() || lassoSelect->isChecked());
        });
    }
    for (const ShapeKindIcons &kind : ShapeKinds)
        connect(action(kind.action), &QAction::toggled, this,
                &DashboardController::refreshShapeFace);
    connect(action("filledShapes"), &QAction::toggled, this,
            &DashboardController::refreshShapeFace);
    m_shape.button->setChecked(shapeTool->isChecked());
    m_select.button->setChecked(rectSelect->isChecked() || lassoSelect->isChecked());
    refreshShapeFace();
    refreshSelectionFace();
}

void DashboardController::buildBrushDashboard()
{
    m_brushBar = new DashboardBar(m_canvas);
    m_brushBar->setObjectName(QStringLiteral("brushDashboard"));
    action("roundBrush")->setIcon(roundBrushIcon());
    action("squareBrush")->setIcon(squareBrushIcon());
    m_brushBar->addAction(action("roundBrush"));
    m_brushBar->addAction(action("squareBrush"));
    m_brushBar->addSpacing(4);
    const std::pair<const char *, QIcon> steps[] = {{"decreasePenWidth", minusIcon()},
                                                    {"increasePenWidth", plusIcon()}};
    for (const auto &[name, icon] : steps) {
        QAction *step = action(name);
        DashboardButton *button =
            m_brushBar->addButton(icon, QLatin1String(name) == QLatin1String("decreasePenWidth")
                                            ? tr("Decrease pen width")
                                            : tr("Increase pen width"));
        button->setObjectName(QLatin1String(name) + QLatin1String("Button"));
        button->setAutoRepeat(true);
        connect(button, &QToolButton::clicked, step, &QAction::trigger);
    }
    m_brushBar->addSeparator();
    m_textures = new TextureWidget(m_brushBar);
    m_brushBar->addWidget(m_textures);
    m_brushBar->setFlatBottom(true);
    connect(m_textures, &TextureWidget::textureSelected, m_session->paintSettings(),
            &PaintSettings::setTexture);
}

void DashboardController::buildPaletteDashboard()
{
    m_paletteBar = new DashboardBar(m_canvas);
    m_paletteBar->setObjectName(QStringLiteral("paletteDashboard"));
    m_paletteBar->growVerticalMargins(5);
    m_palette = new PaletteWidget(m_session->project(), m_paletteBar);
    m_slots = new ColorAssignmentWidget(m_session->project(), m_paletteBar);
    m_paletteBar->addWidget(m_palette, 1);
    m_paletteBar->addSpacing(6);
    m_paletteBar->addWidget(m_slots);
    PaintSettings *paint = m_session->paintSettings();
    m_palette->setPrimaryIndex(paint->penIndex());
    m_palette->setSecondaryIndex(paint->secondaryIndex());

    connect(m_palette, &PaletteWidget::primaryIndexSelected, paint, &PaintSettings::setPenIndex);
    connect(m_palette, &PaletteWidget::secondaryIndexSelected, paint,
            &PaintSettings::setSecondaryIndex);
    connect(paint, &PaintSettings::penColorsChanged, m_palette, [this, paint] {
        m_palette->setPrimaryIndex(paint->penIndex());
        m_palette->setSecondaryIndex(paint->secondaryIndex());
    });
    // The number keys set the pen colour; the strip's marker follows.
    connect(m_actions, &MainActions::penColorChosen, m_palette,
            [this](int index) { m_palette->setPrimaryIndex(uint8_t(index)); });
}

QToolButton *DashboardController::addFlyoutEntry(Flyout &flyout, const QString &icon,
                                                 const QString &toolTip)
{
    auto *entry = new QToolButton(flyout.window);
    entry->setCheckable(true);
    entry->setFixedSize(EntrySize, EntrySize);
    entry->setIconSize(QSize(28, 28));
    entry->setIcon(DashboardIcons::icon(icon));
    entry->setToolTip(toolTip);
    entry->setFocusPolicy(Qt::NoFocus);
    entry->setGraphicsEffect(new QGraphicsOpacityEffect(entry));
    flyout.window->layout()->addWidget(entry);
    flyout.entries << entry;
    return entry;
}

void DashboardController::buildFlyouts()
{
    for (Flyout *flyout : {&m_shape, &m_select}) {
        flyout->window =
            new QWidget(m_window, Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint);
        flyout->window->setObjectName(QStringLiteral("toolFlyout"));
        flyout->window->setAttribute(Qt::WA_TranslucentBackground);
        auto *layout = new QVBoxLayout(flyout->window);
        layout->setSpacing(4);
        layout->setContentsMargins(0, 0, 0, 0);
        flyout->window->installEventFilter(this);
    }
    const struct {
        const char *text;
        const char *icon;
        int kind;
        bool filled;
    } shapes[] = {
        {QT_TR_NOOP("Line"), "shape_line", 0, false},
        {QT_TR_NOOP("Rectangle"), "shape_box", 1, false},
        {QT_TR_NOOP("Filled Rectangle"), "shape_boxfilled", 1, true},
        {QT_TR_NOOP("Circle"), "shape_ellipse", 2, false},
        {QT_TR_NOOP("Filled Circle"), "shape_ellipsefilled", 2, true},
        {QT_TR_NOOP("Star"), "shape_star", 3, false},
        {QT_TR_NOOP("Filled Star"), "shape_starfilled", 3, true},
        {QT_TR_NOOP("Path"), "shape_bezierline", 4, false},
    };
    for (const auto &shape : shapes) {
        QToolButton *entry = addFlyoutEntry(m_shape, QLatin1String(shape.icon), tr(shape.text));
        entry->setProperty("shapeKind", shape.kind);
        entry->setProperty("shapeFilled", shape.filled);
        connect(entry, &QToolButton::clicked, this,
                [this, kind = shape.kind, filled = shape.filled] { pickShape(kind, filled); });
    }
    const struct {
        const char *text;
        const char *icon;
        const char *action;
        bool lasso;
    } selections[] = {
        {QT_TR_NOOP("Rectangle Select"), "tool_selection", "rectSelectTool", false},
        {QT_TR_NOOP("Lasso Select"), "tool_selectionlasso", "lassoSelectTool", true},
    };
    for (const auto &selection : selections) {
        QToolButton *entry =
            addFlyoutEntry(m_select, QLatin1String(selection.icon), tr(selection.text));
        entry->setProperty("selectIsLasso", selection.lasso);
        QAction *tool = action(selection.action);
        connect(entry, &QToolButton::clicked, this, [this, tool] {
            closeFlyout();
            tool->setChecked(true);
        });
    }
}

void DashboardController::pickShape(int kind, bool filled)
{
    closeFlyout();
    QAction *kindAction = action(ShapeKinds[std::clamp(kind, 0, 4)].action);
    // The kind entries run their command when triggered, as from the menu.
    if (!kindAction->isChecked())
        kindAction->trigger();
    action("filledShapes")->setChecked(filled);
    action("shapeTool")->setChecked(true);
}

void DashboardController::refreshShapeFace()
{
    const int kind = int(m_actions->checkedValue(QStringLiteral("shape")));
    const bool filled = action("filledShapes")->isChecked();
    QSvgRenderer shape(DashboardIcons::path(shapeIconName(kind, filled)));
    QSvgRenderer caret(DashboardIcons::path(QStringLiteral("shape_caret")));
    const QIcon face = iconAtBothRatios(32, [&](QPainter &painter) {
        shape.render(&painter, QRectF(0, 0, 32, 32));
        caret.render(&painter, QRectF(0, 0, 32, 32));
    });
    m_shape.button->setIcon(face);
}

void DashboardController::refreshSelectionFace()
{
    m_select.button->setIcon(DashboardIcons::icon(
        QLatin1String(m_lastSelectLasso ? "tool_selectionlasso" : "tool_selection")));
}

void DashboardController::refreshFlyoutChecks(const Flyout &flyout)
{
    const int kind = int(m_actions->checkedValue(QStringLiteral("shape")));
    const bool filled = action("filledShapes")->isChecked();
    for (QToolButton *entry : flyout.entries) {
        if (&flyout == &m_shape) {
            const int entryKind = entry->property("shapeKind").toInt();
            // Lines and paths look the same filled or not.
            const bool hasFill = ShapeKinds[std::clamp(entryKind, 0, 4)].filled != nullptr;
            entry->setChecked(entryKind == kind &&
                              (!hasFill || entry->property("shapeFilled").toBool() == filled));
        } else {
            const bool lasso = entry->property("selectIsLasso").toBool();
            entry->setChecked(action(lasso ? "lassoSelectTool" : "rectSelectTool")->isChecked());
        }
    }
}

QWidget *DashboardController::openFlyout() const
{
    return m_open && m_open->window->isVisible() ? m_open->window : nullptr;
}

DashboardController::Flyout *DashboardController::flyoutOf(QObject *button)
{
    if (button == m_shape.button)
        return &m_shape;
    if (button == m_select.button)
        return &m_select;
    return nullptr;
}

void DashboardController::openFlyout(Flyout &flyout)
{
    if (flyout.button->isDown() || flyout.window->isVisible())
        return;
    closeFlyout();
    refreshFlyoutChecks(flyout);
    flyout.window->adjustSize();
    const QPoint buttonTop = flyout.button->mapToGlobal(QPoint(0, 0));
    flyout.window->move(buttonTop.x() + (flyout.button->width() - flyout.window->width()) / 2,
                        buttonTop.y() + flyout.button->height() + FlyoutGap);
    for (QToolButton *entry : std::as_const(flyout.entries))
        static_cast<QGraphicsOpacityEffect *>(entry->graphicsEffect())->setOpacity(0.0);
    m_open = &flyout;
    // The window's pointer moves and presses are watched while it is open.
    qApp->installEventFilter(this);
    m_reveal->reveal(flyout.window);
}

void DashboardController::flyoutRevealed(QWidget *window)
{
    Flyout *flyout = window == m_shape.window ? &m_shape : &m_select;
    for (int i = 0; i < flyout->entries.size(); ++i) {
        auto *effect =
            static_cast<QGraphicsOpacityEffect *>(flyout->entries.at(i)->graphicsEffect());
        auto *sequence = new QSequentialAnimationGroup(flyout->window);
        sequence->addPause(i * FadeStaggerMs);
        auto *fade = new QPropertyAnimation(effect, "opacity", sequence);
        fade->setStartValue(0.0);
        fade->setEndValue(1.0);
        fade->setDuration(FadeMs);
        fade->setEasingCurve(QEasingCurve::OutCubic);
        sequence->addAnimation(fade);
        sequence->start(QAbstractAnimation::DeleteWhenStopped);
    }
}

void DashboardController::closeFlyout()
{
    if (m_open && m_open->window->isVisible())
        m_open->window->hide();
}

void DashboardController::flyoutHidden(Flyout &flyout)
{
    m_leaveTimer.stop();
    if (m_open == &flyout) {
        m_open = nullptr;
        qApp->removeEventFilter(this);
    }
    for (QToolButton *entry : std::as_const(flyout.entries)) {
        // A popup that closes under the pointer leaves its last entry lit.
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(entry, &leave);
        entry->setAttribute(Qt::WA_UnderMouse, false);
        entry->update();
    }
}

void DashboardController::pointerMoved(const QPoint &globalPosition)
{
    const QRect button(m_open->button->mapToGlobal(QPoint(0, 0)), m_open->button->size());
    const QRect near = button.united(m_open->window->frameGeometry());
    const QRect tools(m_toolBar->mapToGlobal(QPoint(0, 0)), m_toolBar->size());
    if (near.contains(globalPosition)) {
        m_leaveTimer.stop();
    } else if (tools.contains(globalPosition)) {
        // On to another tool: no reason to wait.
        m_leaveTimer.stop();
        closeFlyout();
    } else if (!m_leaveTimer.isActive()) {
        m_leaveTimer.start(m_leaveGraceMs);
    }
}

bool DashboardController::pressWhileOpen(QObject *receiver, const QPoint &globalPosition)
{
    if (!openFlyout())
        return false;
    // The open popup receives every press; the button under the pointer is
    // the one the press was meant for.
    QToolButton *button = nullptr;
    if (receiver != m_open->window &&
        !m_open->window->isAncestorOf(qobject_cast<QWidget *>(receiver)))
        button = dashboardToolButton(receiver);
    if (!button)
        button = dashboardToolButton(QApplication::widgetAt(globalPosition));
    if (!button)
        return false;
    closeFlyout();
    if (QAction *buttonAction = button->defaultAction())
        buttonAction->trigger();
    else
        button->click();
    return true;
}

bool DashboardController::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    // While a flyout is open every pointer move and press in the
    // application passes here first.
    if (openFlyout() && (type == QEvent::MouseMove || type == QEvent::MouseButtonPress)) {
        const QPoint global = static_cast<QMouseEvent *>(event)->globalPosition().toPoint();
        if (type == QEvent::MouseMove) {
            pointerMoved(global);
            return false;
        }
        m_hoverTimer.stop();
        return pressWhileOpen(watched, global);
    }
    if (watched == m_canvas) {
        if (type == QEvent::Resize)
            layoutDashboards();
        return false;
    }
    if (type == QEvent::Enter &&
        (watched == m_toolBar || watched == m_brushBar || watched == m_paletteBar)) {
        m_canvas->clearHover();
        return false;
    }
    if (Flyout *flyout = flyoutOf(watched)) {
        switch (type) {
        case QEvent::ToolTip:
            return true; // resting opens the flyout instead
        case QEvent::Enter:
            if (!flyout->window->isVisible()) {
                m_pending = flyout;
                m_hoverTimer.start(m_hoverDelayMs);
            }
            break;
        case QEvent::Leave:
        case QEvent::MouseButtonPress:
            m_hoverTimer.stop();
            break;
        default:
            break;
        }
        return false;
    }
    if (type == QEvent::Hide && (watched == m_shape.window || watched == m_select.window))
        flyoutHidden(watched == m_shape.window ? m_shape : m_select);
    return false;
}

void DashboardController::layoutDashboards()
{
    const int w = m_canvas->width();
    const int h = m_canvas->height();
    const int m =
        std::max(m_toolBar->minimumSizeHint().width(), m_paletteBar->minimumSizeHint().width());
    const int width = std::max(w * 8 / 10, m);
    m_canvas->setMinimumWidth(m + 24);
    const int x = (w - width) / 2;
    m_toolBar->setGeometry(x, EdgeGap, width, m_toolBar->sizeHint().height());
    const int paletteHeight = m_paletteBar->sizeHint().height();
    const int paletteTop = h - EdgeGap - paletteHeight;
    m_paletteBar->setGeometry(x, paletteTop, width, paletteHeight);
    const QSize brush = m_brushBar->sizeHint();
    m_brushBar->setGeometry((w - brush.width()) / 2, paletteTop - brush.height(), brush.width(),
                            brush.height());
    // Best fit keeps the picture out from under the bars.
    if (m_toolBar->isVisibleTo(m_canvas))
        m_canvas->setFitMargins(
            QMargins(0, m_toolBar->geometry().bottom() + 1, 0, h - m_brushBar->y()));
    else
        m_canvas->setFitMargins({});
}

void DashboardController::setFlyoutTimes(int hoverMs, int leaveGraceMs)
{
    m_hoverDelayMs = std::max(hoverMs, 0);
    m_leaveGraceMs = std::max(leaveGraceMs, 0);
}

void DashboardController::setVisible(bool visible)
{
    for (DashboardBar *bar : {m_toolBar, m_brushBar, m_paletteBar})
        bar->setVisible(visible);
    if (!visible)
        closeFlyout();
    layoutDashboards();
}

void DashboardController::loadTextures()
{
    const QString path = textureSheetPath(m_session->project().mode() == CanvasMode::Multicolor);
    const QImage sheet(path);
    if (sheet.isNull())
        qWarning("DashboardController: %s did not load", qPrintable(path));
    const QList<Texture> textures = Texture::fromStrip(sheet);
    QList<QImage> swatches;
    for (int i = 0; i < textures.size(); ++i)
        swatches << sheet.copy(i * Texture::Size, 0, Texture::Size, Texture::Size);
    m_textures->setTextures(textures, swatches);
}

void DashboardController::documentReplaced()
{
    loadTextures();
    documentChanged();
}

void DashboardController::documentChanged()
{
    m_palette->update();
    m_slots->refresh();
    // A slot bar of another length changes the bars' sizes; let the layouts
    // settle before placing them.
    m_paletteBar->layout()->activate();
    m_brushBar->layout()->activate();
    layoutDashboards();
}
