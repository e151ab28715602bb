#include "app/generalsettings.h"
#include "app/mainactions.h"
#include "app/mainwindow.h"
#include "app/settingsdialog.h"
#include "app/settingsflow.h"

#include "canvas/canvasarea.h"
#include "document/project.h"
#include "document/viewtransform.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <climits>
#include <cmath>
#include <functional>
#include <limits>

namespace
{

QAction *action(const MainWindow &window, const char *name)
{
    auto *found = window.findChild<QAction *>(QLatin1String(name));
    if (!found)
        qFatal("no action %s", name);
    return found;
}

template <class T> T *child(const QWidget &parent, const char *name)
{
    auto *found = parent.findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no widget %s", name);
    return found;
}

// Opens Edit > Settings... on the window, lets `use` look at and edit the
// dialog while it runs, then closes it with OK or Cancel.
void runSettingsDialog(MainWindow &window, const std::function<void(SettingsDialog &)> &use,
                       bool ok)
{
    bool ran = false;
    QTimer::singleShot(0, &window, [&] {
        auto *dialog = window.findChild<SettingsDialog *>();
        QVERIFY(dialog);
        QVERIFY(dialog->isModal() || dialog->isVisible());
        ran = true;
        use(*dialog);
        auto *buttons = dialog->findChild<QDialogButtonBox *>();
        QTest::mouseClick(buttons->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel),
                          Qt::LeftButton);
        // Never leave it open, whatever the buttons did.
        if (dialog->isVisible())
            dialog->reject();
    });
    action(window, "settings")->trigger();
    QVERIFY(ran);
}

// Replaces a spin box's value as a user would: select it all and type over it.
void typeInto(QDoubleSpinBox *box, const QString &text)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
}

QStringList generalKeys()
{
    return {QLatin1String(GeneralSettings::InvertZoomWheelKey),
            QLatin1String(GeneralSettings::BindZoomToCanvasKey),
            QLatin1String(GeneralSettings::SmoothImageScalingKey),
            QLatin1String(GeneralSettings::NativeFileDialogsKey),
            QLatin1String(GeneralSettings::FlyoutHoverDelayKey),
            QLatin1String(GeneralSettings::FlyoutLeaveGraceKey),
            QLatin1String(GeneralSettings::UltimateHostKey),
            QLatin1String(GeneralSettings::UltimateTimeoutKey)};
}

// A window with the one command the aspect group needs.
class AspectWindow : public QMainWindow
{
    Q_OBJECT

public:
    double aspect = 0.0;

public slots:
    void setDisplayPixelAspect(QAction *action) { aspect = action->data().toDouble(); }
};

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init()
    {
        QSettings().clear();
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs, false);
    }

    // No settings stored: what the window and the dialog start from.
    void firstStart_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QVariant>("expected");
        const auto row = [](const char *item, QVariant expected) {
            QTest::newRow(item) << QString::fromLatin1(item) << expected;
        };
        row("showReferenceGrids", false);
        row("showPixelGrids", false);
        row("showSafeFrames", false);
        row("bilinearFiltering", false);
        row("pixelPerfect", false);
        row("pressureWidening", true);
        row("disableFillPreview", false);
        row("squarePixels", true);
        row("palPixels", false);
        row("ntscPixels", false);
        row("showPreview", false);
        row("previewOnTop", false);
        row("mirrorPreview", false);
        row("previewCrt", false);
        row("canvas:pressure", true);
        row("canvas:fillPreview", true);
        row("canvas:invertWheel", false);
        row("canvas:bindZoom", false);
        row("canvas:smoothReference", false);
        row("canvas:referenceOpacity", 50);
        row("view:aspect", 1.0);
        row("app:ownFileDialogs", true);
        row("flyout:hoverMs", 500);
        row("flyout:leaveGraceMs", 500);
        row("dialog:invertZoomWheel", false);
        row("dialog:bindZoomToCanvas", false);
        row("dialog:smoothImageScaling", false);
        row("dialog:nativeFileDialogs", false);
        row("dialog:toolFlyoutHoverDelay", 0.5);
        row("dialog:toolFlyoutLeaveGrace", 0.5);
        row("dialog:ultimateHost", QStringLiteral("192.168.0.64"));
        row("dialog:ultimateTimeout", 2.5);
    }
    void firstStart()
    {
        QFETCH(QString, item);
        QFETCH(QVariant, expected);
        MainWindow window;
        const CanvasArea *canvas = window.canvas();
        QVariant seen;
        if (item.startsWith(QLatin1String("dialog:"))) {
            const QByteArray name = item.mid(7).toLatin1();
            runSettingsDialog(
                window,
                [&](SettingsDialog &dialog) {
                    if (auto *box = dialog.findChild<QCheckBox *>(QLatin1String(name)))
                        seen = box->isChecked();
                    else if (auto *spin = dialog.findChild<QDoubleSpinBox *>(QLatin1String(name)))
                        seen = spin->value();
                    else
                        seen = child<QLineEdit>(dialog, name.constData())->text();
                },
                false);
        } else if (item == QLatin1String("canvas:pressure")) {
            seen = canvas->pressureWidening();
        } else if (item == QLatin1String("canvas:fillPreview")) {
            seen = canvas->fillPreviewEnabled();
        } else if (item == QLatin1String("canvas:invertWheel")) {
            seen = canvas->invertWheel();
        } else if (item == QLatin1String("canvas:bindZoom")) {
            seen = canvas->bindZoomToCanvas();
        } else if (item == QLatin1String("canvas:smoothReference")) {
            seen = canvas->smoothReferenceScaling();
        } else if (item == QLatin1String("canvas:referenceOpacity")) {
            seen = canvas->referenceOpacity();
        } else if (item == QLatin1String("view:aspect")) {
            seen = window.project().view().displayAspect();
        } else if (item == QLatin1String("app:ownFileDialogs")) {
            seen = QCoreApplication::testAttribute(Qt::AA_DontUseNativeDialogs);
        } else if (item == QLatin1String("flyout:hoverMs")) {
            seen = window.settingsFlow()->flyoutHoverDelayMs();
        } else if (item == QLatin1String("flyout:leaveGraceMs")) {
            seen = window.settingsFlow()->flyoutLeaveGraceMs();
        } else {
            seen = action(window, item.toLatin1().constData())->isChecked();
        }
        QCOMPARE(seen, expected);
        // Looking stores nothing.
        for (const QString &key : generalKeys())
            QVERIFY2(!QSettings().contains(key), qPrintable(key));
    }

    // Garbage in a key reads as its default.
    void unreadableKeys()
    {
        QSettings().setValue(QLatin1String(GeneralSettings::UltimateTimeoutKey), "soon");
        QSettings().setValue(QLatin1String(GeneralSettings::FlyoutHoverDelayKey), "later");
        QCOMPARE(GeneralSettings::read(), GeneralSettings());
        QCOMPARE(GeneralSettings::read().ultimateTimeoutMs(), 2500);
    }

    // Every text of the dialog, as the artist reads it.
    void dialogTexts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("toolTip");
        QTest::newRow("invert") << "invertZoomWheel"
                                << "&Invert Scroll Wheel Direction for Zooming"
                                << "Scroll down to zoom in, on the canvas and in the preview "
                                   "window.";
        QTest::newRow("bind") << "bindZoomToCanvas"
                              << "&Bind Zoom to Canvas"
                              << "Keep the center Zoom In/Out works around inside the drawable "
                                 "canvas.";
        QTest::newRow("smooth")
            << "smoothImageScaling"
            << "&Smooth Scaling for Imported Images"
            << "Resample imported images (the reference layer and the Convert Image input) with "
               "bilinear filtering instead of keeping their pixels blocky.";
        QTest::newRow("native")
            << "nativeFileDialogs"
            << "Use OS-Native &File Chooser Dialogs"
            << "Open and save files through the system's own file chooser. Turn it off for "
               "KORVEN's choosers, which preview the project, image or sprite file as you "
               "highlight it.";
        QTest::newRow("hover")
            << "toolFlyoutHoverDelay"
            << "&Hover delay:"
            << "How long to hover over a tool picker button (the shape or selection tool) before "
               "its flyout opens on its own. Clicking the button activates the tool with the "
               "shown pick at once, whatever this is set to.";
        QTest::newRow("grace")
            << "toolFlyoutLeaveGrace"
            << "&Leave grace:"
            << "How long a tool picker's flyout stays open after the pointer strays off the "
               "dashboard (rather than onto it, which closes it at once); a grace for imprecise "
               "gestures. 0 closes immediately.";
        QTest::newRow("host") << "ultimateHost"
                              << "&Host:"
                              << "";
        QTest::newRow("timeout") << "ultimateTimeout"
                                 << "&Timeout:"
                                 << "";
    }
    void dialogTexts()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QString, toolTip);
        SettingsDialog dialog{GeneralSettings()};
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Settings"));
        QStringList titles;
        for (const QGroupBox *group : dialog.findChildren<QGroupBox *>())
            titles << group->title();
        QCOMPARE(titles, (QStringList{"General", "Tool Pickers", "Ultimate Device"}));

        auto *field = child<QWidget>(dialog, name.toLatin1().constData());
        QCOMPARE(field->toolTip(), toolTip);
        if (auto *box = qobject_cast<QCheckBox *>(field)) {
            QCOMPARE(box->text(), text);
            auto *group = qobject_cast<QGroupBox *>(box->parentWidget());
            QVERIFY(group);
            QCOMPARE(group->title(), QStringLiteral("General"));
            return;
        }
        auto *form = qobject_cast<QFormLayout *>(field->parentWidget()->layout());
        QVERIFY(form);
        auto *label = qobject_cast<QLabel *>(form->labelForField(field));
        QVERIFY(label);
        QCOMPARE(label->text(), text);
        QCOMPARE(label->buddy(), field);
    }

    void dialogRanges_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("minimum");
        QTest::addColumn<double>("maximum");
        QTest::addColumn<double>("step");
        QTest::newRow("hover") << "toolFlyoutHoverDelay" << 0.0 << 5.0 << 0.1;
        QTest::newRow("grace") << "toolFlyoutLeaveGrace" << 0.0 << 5.0 << 0.1;
        QTest::newRow("timeout") << "ultimateTimeout" << 0.1 << 60.0 << 0.5;
    }
    void dialogRanges()
    {
        QFETCH(QString, name);
        SettingsDialog dialog{GeneralSettings()};
        auto *box = child<QDoubleSpinBox>(dialog, name.toLatin1().constData());
        QTEST(box->minimum(), "minimum");
        QTEST(box->maximum(), "maximum");
        QTEST(box->singleStep(), "step");
        QCOMPARE(box->decimals(), 1);
        QCOMPARE(box->suffix(), QStringLiteral(" s"));
    }

    // The stored timeout is shown within the spin box's range, and OK stores
    // what was shown.
    void storedTimeout_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<double>("shown");
        QTest::newRow("100") << QVariant(100.0) << 60.0;
        QTest::newRow("60") << QVariant(60.0) << 60.0;
        QTest::newRow("7.5") << QVariant(7.5) << 7.5;
        QTest::newRow("0.1") << QVariant(0.1) << 0.1;
        QTest::newRow("0.04") << QVariant(0.04) << 0.1;
        QTest::newRow("negative") << QVariant(-3.0) << 0.1;
        QTest::newRow("text") << QVariant(QStringLiteral("fast")) << 2.5;
    }
    void storedTimeout()
    {
        QFETCH(QVariant, stored);
        QFETCH(double, shown);
        const QString key = QLatin1String(GeneralSettings::UltimateTimeoutKey);
        QSettings().setValue(key, stored);
        MainWindow window;
        double opened = -1;
        runSettingsDialog(
            window,
            [&](SettingsDialog &dialog) {
                opened = child<QDoubleSpinBox>(dialog, "ultimateTimeout")->value();
            },
            true);
        QCOMPARE(opened, shown);
        QCOMPARE(QSettings().value(key).toDouble(), shown);
    }

    void clampTimeout_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<double>("clamped");
        QTest::newRow("inside") << 2.5 << 2.5;
        QTest::newRow("lowest") << 0.1 << 0.1;
        QTest::newRow("below") << 0.0999 << 0.1;
        QTest::newRow("zero") << 0.0 << 0.1;
        QTest::newRow("highest") << 60.0 << 60.0;
        QTest::newRow("above") << 60.01 << 60.0;
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << 60.0;
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 2.5;
    }
    void clampTimeout()
    {
        QFETCH(double, seconds);
        QTEST(GeneralSettings::clampTimeout(seconds), "clamped");
        GeneralSettings general;
        general.ultimateTimeoutSeconds = seconds;
        QTEST(general.clampedTimeoutSeconds(), "clamped");
    }

    void secondsToMilliseconds_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<int>("ms");
        QTest::newRow("0.5") << 0.5 << 500;
        QTest::newRow("0.0005 half up") << 0.0005 << 1;
        QTest::newRow("0.0004 down") << 0.0004 << 0;
        QTest::newRow("0.0015") << 0.0015 << 2;
        QTest::newRow("0.0025 not to even") << 0.0025 << 3;
        QTest::newRow("0.0045 not to even") << 0.0045 << 5;
        QTest::newRow("0.0125") << 0.0125 << 13;
        QTest::newRow("1.2345") << 1.2345 << 1235;
        QTest::newRow("-0.0005 away from zero") << -0.0005 << -1;
        QTest::newRow("-0.0025 away from zero") << -0.0025 << -3;
        QTest::newRow("zero") << 0.0 << 0;
        QTest::newRow("5") << 5.0 << 5000;
        QTest::newRow("huge") << 1e12 << INT_MAX;
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 0;
    }
    void secondsToMilliseconds()
    {
        QFETCH(double, seconds);
        QTEST(GeneralSettings::secondsToMilliseconds(seconds), "ms");
    }

    // Stored seconds reach the flyout hooks as milliseconds, never negative.
    void flyoutTimesApplied_data()
    {
        QTest::addColumn<double>("hoverSeconds");
        QTest::addColumn<double>("graceSeconds");
        QTest::addColumn<int>("hoverMs");
        QTest::addColumn<int>("graceMs");
        QTest::newRow("halves") << 0.0025 << 1.2345 << 3 << 1235;
        QTest::newRow("zero grace") << 2.0 << 0.0 << 2000 << 0;
        QTest::newRow("negative") << -0.5 << 0.0005 << 0 << 1;
    }
    void flyoutTimesApplied()
    {
        QFETCH(double, hoverSeconds);
        QFETCH(double, graceSeconds);
        QFETCH(int, hoverMs);
        QFETCH(int, graceMs);
        QSettings().setValue(QLatin1String(GeneralSettings::FlyoutHoverDelayKey), hoverSeconds);
        QSettings().setValue(QLatin1String(GeneralSettings::FlyoutLeaveGraceKey), graceSeconds);
        MainWindow window;
        QCOMPARE(window.settingsFlow()->flyoutHoverDelayMs(), hoverMs);
        QCOMPARE(window.settingsFlow()->flyoutLeaveGraceMs(), graceMs);
        QSignalSpy spy(window.settingsFlow(), &SettingsFlow::flyoutTimesApplied);
        window.settingsFlow()->applyGeneralSettings();
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.at(0), (QVariantList{hoverMs, graceMs}));
    }

    // OK stores what the dialog shows, the host trimmed, and pushes it out.
    void okStoresAndApplies_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("host");
        QTest::newRow("spaces around") << "  192.168.1.20  "
                                       << "192.168.1.20";
        QTest::newRow("leading") << "   u64.local"
                                 << "u64.local";
        QTest::newRow("trailing") << "c64 "
                                  << "c64";
        QTest::newRow("inner space kept") << " my c64 "
                                          << "my c64";
        QTest::newRow("only spaces") << "    "
                                     << "";
    }
    void okStoresAndApplies()
    {
        QFETCH(QString, typed);
        MainWindow window;
        QSignalSpy wheel(window.settingsFlow(), &SettingsFlow::invertZoomWheelApplied);
        QSignalSpy flyout(window.settingsFlow(), &SettingsFlow::flyoutTimesApplied);
        runSettingsDialog(
            window,
            [&](SettingsDialog &dialog) {
                for (const char *name : {"invertZoomWheel", "bindZoomToCanvas",
                                         "smoothImageScaling", "nativeFileDialogs"})
                    QTest::mouseClick(child<QCheckBox>(dialog, name), Qt::LeftButton, {},
                                      QPoint(8, 8));
                auto *host = child<QLineEdit>(dialog, "ultimateHost");
                host->selectAll();
                QTest::keyClicks(host, typed);
                typeInto(child<QDoubleSpinBox>(dialog, "toolFlyoutHoverDelay"), "1.3");
                typeInto(child<QDoubleSpinBox>(dialog, "toolFlyoutLeaveGrace"), "0");
                typeInto(child<QDoubleSpinBox>(dialog, "ultimateTimeout"), "12.5");
            },
            true);
        const QSettings settings;
        QFETCH(QString, host);
        QCOMPARE(settings.value(QLatin1String(GeneralSettings::UltimateHostKey)).toString(), host);
        for (const char *key :
             {GeneralSettings::InvertZoomWheelKey, GeneralSettings::BindZoomToCanvasKey,
              GeneralSettings::SmoothImageScalingKey, GeneralSettings::NativeFileDialogsKey})
            QVERIFY2(settings.value(QLatin1String(key)).toBool(), key);
        QCOMPARE(settings.value(QLatin1String(GeneralSettings::FlyoutHoverDelayKey)).toDouble(),
                 1.3);
        QCOMPARE(settings.value(QLatin1String(GeneralSettings::FlyoutLeaveGraceKey)).toDouble(),
                 0.0);
        QCOMPARE(settings.value(QLatin1String(GeneralSettings::UltimateTimeoutKey)).toDouble(),
                 12.5);

        // Applied at once.
        QVERIFY(window.canvas()->invertWheel());
        QVERIFY(window.canvas()->bindZoomToCanvas());
        QVERIFY(window.canvas()->smoothReferenceScaling());
        QVERIFY(!QCoreApplication::testAttribute(Qt::AA_DontUseNativeDialogs));
        QCOMPARE(window.settingsFlow()->flyoutHoverDelayMs(), 1300);
        QCOMPARE(window.settingsFlow()->flyoutLeaveGraceMs(), 0);
        QCOMPARE(wheel.size(), 1);
        QCOMPARE(wheel.at(0).at(0).toBool(), true);
        QCOMPARE(flyout.size(), 1);
        QCOMPARE(flyout.at(0), (QVariantList{1300, 0}));
    }

    // Cancel leaves every key as it was, stored or not, and applies nothing.
    void cancelStoresNothing_data()
    {
        QTest::addColumn<bool>("storedBefore");
        QTest::newRow("first start") << false;
        QTest::newRow("stored before") << true;
    }
    void cancelStoresNothing()
    {
        QFETCH(bool, storedBefore);
        if (storedBefore) {
            GeneralSettings general;
            general.bindZoomToCanvas = true;
            general.ultimateHost = QStringLiteral("10.1.1.1");
            general.ultimateTimeoutSeconds = 9.0;
            general.flyoutLeaveGraceSeconds = 1.5;
            general.write();
        }
        const GeneralSettings before = GeneralSettings::read();
        QStringList keysBefore = QSettings().allKeys();
        MainWindow window;
        QSignalSpy flyout(window.settingsFlow(), &SettingsFlow::flyoutTimesApplied);
        runSettingsDialog(
            window,
            [&](SettingsDialog &dialog) {
                for (const char *name : {"invertZoomWheel", "bindZoomToCanvas",
                                         "smoothImageScaling", "nativeFileDialogs"})
                    QTest::mouseClick(child<QCheckBox>(dialog, name), Qt::LeftButton, {},
                                      QPoint(8, 8));
                child<QLineEdit>(dialog, "ultimateHost")->setText(QStringLiteral("elsewhere"));
                typeInto(child<QDoubleSpinBox>(dialog, "ultimateTimeout"), "33");
                typeInto(child<QDoubleSpinBox>(dialog, "toolFlyoutHoverDelay"), "4");
                QVERIFY(dialog.settings() != before);
            },
            false);
        QCOMPARE(QSettings().allKeys(), keysBefore);
        QCOMPARE(GeneralSettings::read(), before);
        QCOMPARE(flyout.size(), 0);
        QCOMPARE(window.canvas()->invertWheel(), before.invertZoomWheel);
        QCOMPARE(window.canvas()->bindZoomToCanvas(), before.bindZoomToCanvas);
    }

    // Each persisted entry is checked from its key at start, its handler
    // applies it, and the close writes it back.
    void persistedRoundTrip_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("checked"); // the entry that shows it
        QTest::newRow("reference grid")
            << "view/showReferenceGrid" << QVariant(true) << "showReferenceGrids";
        QTest::newRow("pixel grid") << "view/showPixelGrid" << QVariant(true) << "showPixelGrids";
        QTest::newRow("safe frames") << "view/showSafeFrames" << QVariant(true) << "showSafeFrames";
        QTest::newRow("bilinear") << "view/bilinearFiltering" << QVariant(true)
                                  << "bilinearFiltering";
        QTest::newRow("pixel perfect")
            << "tools/pixelPerfectStrokes" << QVariant(true) << "pixelPerfect";
        QTest::newRow("pressure off")
            << "tools/pressureWidening" << QVariant(false) << "pressureWidening";
        QTest::newRow("no fill preview")
            << "tools/disableFillPreview" << QVariant(true) << "disableFillPreview";
        QTest::newRow("PAL") << "view/displayPixelAspect" << QVariant(0.9375) << "palPixels";
        QTest::newRow("NTSC") << "view/displayPixelAspect" << QVariant(0.75) << "ntscPixels";
        QTest::newRow("square") << "view/displayPixelAspect" << QVariant(1.0) << "squarePixels";
        QTest::newRow("preview shown") << "preview/visible" << QVariant(true) << "showPreview";
        QTest::newRow("on top") << "preview/stayOnTop" << QVariant(true) << "previewOnTop";
        QTest::newRow("mirror") << "preview/mirrorHorizontally" << QVariant(true)
                                << "mirrorPreview";
        QTest::newRow("CRT") << "preview/crtEmulation" << QVariant(true) << "previewCrt";
        QTest::newRow("opacity") << "view/referenceLayerOpacity" << QVariant(30) << "";
    }
    void persistedRoundTrip()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        QFETCH(QString, checked);
        QSettings().setValue(key, stored);
        {
            MainWindow window;
            const CanvasArea *canvas = window.canvas();
            if (!checked.isEmpty()) {
                QAction *entry = action(window, checked.toLatin1().constData());
                if (stored.typeId() == QMetaType::Bool)
                    QCOMPARE(entry->isChecked(), stored.toBool());
                else
                    QVERIFY(entry->isChecked());
            }
            // The handlers ran: the canvas shows what the entries say.
            QCOMPARE(canvas->isGridVisible(), action(window, "showReferenceGrids")->isChecked());
            QCOMPARE(canvas->isPixelGridVisible(), action(window, "showPixelGrids")->isChecked());
            QCOMPARE(canvas->areSafeFramesVisible(), action(window, "showSafeFrames")->isChecked());
            QCOMPARE(canvas->bilinearFiltering(), action(window, "bilinearFiltering")->isChecked());
            QCOMPARE(canvas->brushSettings().pixelPerfect,
                     action(window, "pixelPerfect")->isChecked());
            QCOMPARE(canvas->pressureWidening(), action(window, "pressureWidening")->isChecked());
            QCOMPARE(canvas->fillPreviewEnabled(),
                     !action(window, "disableFillPreview")->isChecked());
            if (key == QLatin1String("view/displayPixelAspect"))
                QCOMPARE(window.project().view().displayAspect(), stored.toDouble());
            if (key == QLatin1String("view/referenceLayerOpacity"))
                QCOMPARE(canvas->referenceOpacity(), stored.toInt());
            QSettings().clear();
            window.close();
        }
        // Everything persisted is written back, this key with its value.
        const QSettings settings;
        if (stored.typeId() == QMetaType::Bool)
            QCOMPARE(settings.value(key).toBool(), stored.toBool());
        else
            QCOMPARE(settings.value(key).toDouble(), stored.toDouble());
        for (const char *written :
             SettingsFlow::viewAndToolToggleKeys() + SettingsFlow::previewToggleKeys())
            QVERIFY2(settings.contains(QLatin1String(written)), written);
        for (const char *written :
             {SettingsFlow::WindowGeometryKey, SettingsFlow::ReferenceOpacityKey,
              SettingsFlow::DisplayPixelAspectKey})
            QVERIFY2(settings.contains(QLatin1String(written)), written);
        // The general group is the dialog's to write, not the close's.
        for (const QString &general : generalKeys())
            QVERIFY2(!settings.contains(general), qPrintable(general));
    }

    // A stored pixel aspect no entry carries leaves the group unchecked and
    // the view where it was; a new canvas keeps that view too.
    void unmatchedAspect_data()
    {
        QTest::addColumn<double>("stored");
        QTest::newRow("0.5") << 0.5;
        QTest::newRow("1.25") << 1.25;
        QTest::newRow("near PAL") << 0.94;
    }
    void unmatchedAspect()
    {
        QFETCH(double, stored);
        QSettings().setValue(QStringLiteral("view/displayPixelAspect"), stored);
        MainWindow window;
        for (const char *name : {"squarePixels", "palPixels", "ntscPixels"})
            QVERIFY2(!action(window, name)->isChecked(), name);
        QCOMPARE(window.project().view().displayAspect(), 1.0);
        window.newMulticolorCanvas();
        QCOMPARE(window.project().view().displayAspect(), 1.0);
        // Choosing one afterwards works as ever.
        action(window, "ntscPixels")->trigger();
        QCOMPARE(window.project().view().displayAspect(), 0.75);
        action(window, "ntscPixels")->setChecked(false);
        window.close();
        // Nothing checked: the stored value stays for the next start.
        QCOMPARE(QSettings().value(QStringLiteral("view/displayPixelAspect")).toDouble(), stored);
    }

    // The start-up reading order: the general group first, the view and
    // tool toggles, the aspect, the windows' geometry, the preview toggles,
    // and showing the preview last.
    void readOrder()
    {
        for (const char *key :
             SettingsFlow::viewAndToolToggleKeys() + SettingsFlow::previewToggleKeys())
            QSettings().setValue(QLatin1String(key), true);
        QSettings().setValue(QStringLiteral("tools/pressureWidening"), false);
        QSettings().setValue(QStringLiteral("view/displayPixelAspect"), 0.75);
        AspectWindow window;
        window.resize(400, 300);
        const QByteArray geometry = window.saveGeometry();
        window.resize(620, 410);
        QSettings().setValue(QStringLiteral("window/geometry"), window.saveGeometry());
        window.restoreGeometry(geometry);
        Project project;
        CanvasArea canvas(project, &window);
        MainActions actions(&window, &canvas, window.menuBar());
        SettingsFlow flow(&window, &canvas, &actions);

        QStringList order;
        const QStringList names = {"showReferenceGrids", "showPixelGrids", "showSafeFrames",
                                   "bilinearFiltering",  "pixelPerfect",   "pressureWidening",
                                   "disableFillPreview", "ntscPixels",     "previewOnTop",
                                   "mirrorPreview",      "previewCrt",     "showPreview"};
        for (const QString &name : names) {
            QAction *entry = window.findChild<QAction *>(name);
            QVERIFY(entry);
            connect(entry, &QAction::toggled, this, [&order, name] { order << name; });
        }
        connect(&flow, &SettingsFlow::invertZoomWheelApplied, this, [&] { order << "wheel"; });
        connect(&flow, &SettingsFlow::flyoutTimesApplied, this, [&] { order << "flyout"; });
        connect(&flow, &SettingsFlow::restorePreviewGeometry, this, [&] {
            order << "previewGeometry";
            // The main window is placed before the preview.
            QCOMPARE(window.size(), QSize(620, 410));
            QVERIFY(QCoreApplication::testAttribute(Qt::AA_DontUseNativeDialogs));
        });
        flow.readSettings();
        QCOMPARE(order, (QStringList{"wheel", "flyout", "showReferenceGrids", "showPixelGrids",
                                     "showSafeFrames", "bilinearFiltering", "pixelPerfect",
                                     "pressureWidening", "disableFillPreview", "ntscPixels",
                                     "previewGeometry", "previewOnTop", "mirrorPreview",
                                     "previewCrt", "showPreview"}));
        QCOMPARE(window.aspect, 0.75);
    }

    // The preview's geometry is the last thing written.
    void writeEndsWithPreviewGeometry()
    {
        QMainWindow window;
        Project project;
        CanvasArea canvas(project, &window);
        MainActions actions(&window, &canvas, window.menuBar());
        SettingsFlow flow(&window, &canvas, &actions);
        QStringList presentAtHook;
        connect(&flow, &SettingsFlow::storePreviewGeometry, this,
                [&] { presentAtHook = QSettings().allKeys(); });
        flow.writeSettings();
        presentAtHook.sort();
        QStringList all = QSettings().allKeys();
        all.sort();
        QCOMPARE(presentAtHook, all);
        QCOMPARE(all.size(), 14);
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
