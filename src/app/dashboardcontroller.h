#pragma once

#include <QList>
#include <QObject>
#include <QTimer>

class CanvasArea;
class ColorAssignmentWidget;
class DashboardBar;
class DashboardButton;
class FlyoutReveal;
class EditorSession;
class MainActions;
class PaletteWidget;
class QAction;
class QIcon;
class QToolButton;
class QWidget;
class TextureWidget;

// The three dashboards over the canvas: the tools along the top, the brush
// and texture strip and the palette bar with the colour slots at the bottom.
// Builds and places them, keeps the shape and selection buttons' faces, and
// runs their flyouts: open after resting on the button, close after the
// pointer has left them for the grace time.
class DashboardController : public QObject
{
    Q_OBJECT

public:
    explicit DashboardController(EditorSession *session);
    ~DashboardController() override;

    DashboardBar *toolDashboard() const { return m_toolBar; }
    DashboardBar *brushDashboard() const { return m_brushBar; }
    DashboardBar *paletteDashboard() const { return m_paletteBar; }
    PaletteWidget *paletteWidget() const { return m_palette; }
    TextureWidget *textureWidget() const { return m_textures; }
    ColorAssignmentWidget *slotWidget() const { return m_slots; }
    DashboardButton *shapeButton() const { return m_shape.button; }
    DashboardButton *selectionButton() const { return m_select.button; }
    QWidget *shapeFlyout() const { return m_shape.window; }
    QWidget *selectionFlyout() const { return m_select.window; }
    QWidget *openFlyout() const;

    // Places the bars for the canvas's size; runs on every canvas resize.
    void layoutDashboards();
    // The resting time before a flyout opens and the time it stays open
    // after the pointer left it, in milliseconds.
    void setFlyoutTimes(int hoverMs, int leaveGraceMs);
    int hoverDelayMs() const { return m_hoverDelayMs; }
    int leaveGraceMs() const { return m_leaveGraceMs; }
    void setVisible(bool visible);

    // A new or opened document: its mode's textures, starting with the solid pen.
    void documentReplaced();
    // Slots, palette or layout may have changed: the colour widgets follow.
    void documentChanged();

    // The code-drawn brush and pen width icons.
    static QIcon roundBrushIcon();
    static QIcon squareBrushIcon();
    static QIcon minusIcon();
    static QIcon plusIcon();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Flyout {
        QWidget *window = nullptr;
        DashboardButton *button = nullptr;
        QList<QToolButton *> entries;
    };

    QAction *action(const char *name) const;
    void buildToolDashboard();
    void buildBrushDashboard();
    void buildPaletteDashboard();
    void buildFlyouts();
    QToolButton *addFlyoutEntry(Flyout &flyout, const QString &icon, const QString &toolTip);
    void refreshShapeFace();
    void refreshSelectionFace();
    void refreshFlyoutChecks(const Flyout &flyout);
    Flyout *flyoutOf(QObject *button);
    void openFlyout(Flyout &flyout);
    void closeFlyout();
    void flyoutRevealed(QWidget *window);
    void flyoutHidden(Flyout &flyout);
    void pointerMoved(const QPoint &globalPosition);
    bool pressWhileOpen(QObject *receiver, const QPoint &globalPosition);
    void pickShape(int kind, bool filled);
    void loadTextures();

    EditorSession *m_session = nullptr;
    QWidget *m_window = nullptr;
    CanvasArea *m_canvas = nullptr;
    MainActions *m_actions = nullptr;
    DashboardBar *m_toolBar = nullptr;
    DashboardBar *m_brushBar = nullptr;
    DashboardBar *m_paletteBar = nullptr;
    PaletteWidget *m_palette = nullptr;
    TextureWidget *m_textures = nullptr;
    ColorAssignmentWidget *m_slots = nullptr;
    Flyout m_shape;
    Flyout m_select;
    // The button the hover timer will open the flyout of.
    Flyout *m_pending = nullptr;
    Flyout *m_open = nullptr;
    FlyoutReveal *m_reveal = nullptr;
    QTimer m_hoverTimer;
    QTimer m_leaveTimer;
    int m_hoverDelayMs = 500;
    int m_leaveGraceMs = 500;
    bool m_lastSelectLasso = false;
};
