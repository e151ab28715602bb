#pragma once

#include "generalsettings.h"

#include <QObject>

class CanvasArea;
class MainActions;
class QWidget;

// What the program remembers between runs, read at start and written at an
// accepted close, and the Settings dialog with the preferences it pushes out.
class SettingsFlow : public QObject
{
    Q_OBJECT

public:
    static constexpr char WindowGeometryKey[] = "window/geometry";
    static constexpr char ReferenceOpacityKey[] = "view/referenceLayerOpacity";
    static constexpr char DisplayPixelAspectKey[] = "view/displayPixelAspect";

    // The toggles restored before the view, in this order; their toggled
    // handlers apply them.
    static const QList<const char *> &viewAndToolToggleKeys();
    // The preview window's toggles, restored after the windows' geometry;
    // showing the preview comes last, once it is placed and set up.
    static const QList<const char *> &previewToggleKeys();

    SettingsFlow(QWidget *window, CanvasArea *canvas, MainActions *actions);

    // The flyout times as last applied, in milliseconds; 500 each before.
    int flyoutHoverDelayMs() const { return m_hoverDelayMs; }
    int flyoutLeaveGraceMs() const { return m_leaveGraceMs; }

    // Reads the general group and pushes it out to the canvas, the hooks
    // below and the application.
    void applyGeneralSettings();
    void readSettings();
    void writeSettings() const;
    // Runs the Settings dialog; OK stores and applies, Cancel changes nothing.
    void showSettings();

signals:
    // The preview area turns its wheel the same way as the canvas.
    void invertZoomWheelApplied(bool inverted);
    // The tool pickers' flyouts open and close after these times.
    void flyoutTimesApplied(int hoverDelayMs, int leaveGraceMs);
    // The preview window restores its geometry now: after the main window's,
    // before its toggles are checked.
    void restorePreviewGeometry();
    // The preview window stores its geometry now, the last key written.
    void storePreviewGeometry() const;

private:
    QWidget *m_window = nullptr;
    CanvasArea *m_canvas = nullptr;
    MainActions *m_actions = nullptr;
    int m_hoverDelayMs = 500;
    int m_leaveGraceMs = 500;
};
