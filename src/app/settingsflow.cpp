#include "settingsflow.h"

#include "mainactions.h"
#include "settingsdialog.h"

#include "canvas/canvasarea.h"

#include <QCoreApplication>
#include <QSettings>
#include <QWidget>

const QList<const char *> &SettingsFlow::viewAndToolToggleKeys()
{
    static const QList<const char *> keys = {"view/showReferenceGrid",    "view/showPixelGrid",
                                             "view/showSafeFrames",       "view/bilinearFiltering",
                                             "tools/pixelPerfectStrokes", "tools/pressureWidening",
                                             "tools/disableFillPreview"};
    return keys;
}

const QList<const char *> &SettingsFlow::previewToggleKeys()
{
    static const QList<const char *> keys = {"preview/stayOnTop", "preview/mirrorHorizontally",
                                             "preview/crtEmulation", "preview/visible"};
    return keys;
}

SettingsFlow::SettingsFlow(QWidget *window, CanvasArea *canvas, MainActions *actions)
    : QObject(window), m_window(window), m_canvas(canvas), m_actions(actions)
{
}

void SettingsFlow::applyGeneralSettings()
{
    const GeneralSettings general = GeneralSettings::read();
    m_canvas->setBindZoomToCanvas(general.bindZoomToCanvas);
    m_canvas->setInvertWheel(general.invertZoomWheel);
    emit invertZoomWheelApplied(general.invertZoomWheel);
    m_canvas->setSmoothReferenceScaling(general.smoothImageScaling);
    m_hoverDelayMs = general.flyoutHoverDelayMs();
    m_leaveGraceMs = general.flyoutLeaveGraceMs();
    emit flyoutTimesApplied(m_hoverDelayMs, m_leaveGraceMs);
    // Qt's own choosers, and the program's with their preview panes, unless
    // the system's are asked for.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs, !general.nativeFileDialogs);
}

void SettingsFlow::readSettings()
{
    applyGeneralSettings();
    for (const char *key : viewAndToolToggleKeys())
        m_actions->readSetting(QLatin1String(key));

    const QSettings settings;
    bool ok = false;
    const int opacity = settings.value(QLatin1String(ReferenceOpacityKey)).toInt(&ok);
    m_canvas->setReferenceOpacity(ok ? opacity : m_canvas->referenceOpacity());
    m_actions->readSetting(QLatin1String(DisplayPixelAspectKey));

    const QByteArray geometry = settings.value(QLatin1String(WindowGeometryKey)).toByteArray();
    if (!geometry.isEmpty())
        m_window->restoreGeometry(geometry);
    emit restorePreviewGeometry();
    for (const char *key : previewToggleKeys())
        m_actions->readSetting(QLatin1String(key));
}

void SettingsFlow::writeSettings() const
{
    for (const char *key : viewAndToolToggleKeys())
        m_actions->writeSetting(QLatin1String(key));
    QSettings().setValue(QLatin1String(ReferenceOpacityKey), m_canvas->referenceOpacity());
    m_actions->writeSetting(QLatin1String(DisplayPixelAspectKey));
    QSettings().setValue(QLatin1String(WindowGeometryKey), m_window->saveGeometry());
    // Written in the order the preview window is described: shown, on top,
    // mirrored, filtered.
    for (const char *key : {"preview/visible", "preview/stayOnTop", "preview/mirrorHorizontally",
                            "preview/crtEmulation"})
        m_actions->writeSetting(QLatin1String(key));
    emit storePreviewGeometry();
}

void SettingsFlow::showSettings()
{
    SettingsDialog dialog(GeneralSettings::read(), m_window);
    if (dialog.exec() != QDialog::Accepted)
        return;
    dialog.settings().write();
    applyGeneralSettings();
}
