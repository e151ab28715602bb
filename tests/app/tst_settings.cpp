#include "app/exportimageflow.h"
#include "app/generalsettings.h"
#include "app/mainactions.h"
#include "app/mainwindow.h"
#include "app/settingsdialog.h"
#include "app/settingsflow.h"

#include "canvas/canvasarea.h"
#include "document/project.h"
#include "document/viewtransform.h"

#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <climits>
#include <functional>
#include <limits>

namespace
{

const char *const CheckBoxes[] = {"invertZoomWheel", "bindZoomToCanvas", "smoothImageScaling",
                                  "nativeFileDialogs"};

QAction *action(const QObject &window, const char *name)
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

// Flips every check box of the dialog with the mouse.
void clickCheckBoxes(SettingsDialog &dialog)
{
    for (const char *name : CheckBoxes)
        QTest::mouseClick(child<QCheckBox>(dialog, name), Qt::LeftButton, {}, QPoint(8, 8));
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

// The settings flow on a bare window, without the rest of the program.
struct BareFlow {
    AspectWindow window;
    Project project;
    PaintSettings paint;
    CanvasArea canvas{project, paint, &window};
    MainActions actions{&window, &canvas, &paint, window.menuBar()};
    SettingsFlow flow{&window, &canvas, &actions};
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

    // Nothing stored, or garbage in a key, reads as the defaults.
    void defaultsAndUnreadableKeys()
    {
        const GeneralSettings defaults{false, false, false, false, 0.5, 0.5, "192.168.0.64", 2.5};
        QCOMPARE(GeneralSettings::read(), defaults);
        QSettings().setValue(QLatin1String(GeneralSettings::UltimateTimeoutKey), "soon");
        QSettings().setValue(QLatin1String(GeneralSettings::FlyoutHoverDelayKey), "later");
        QCOMPARE(GeneralSettings::read(), defaults);
        QCOMPARE(GeneralSettings::read().ultimateTimeoutMs(), 2500);

        // An on/off key reads as on or off only when it says so.
        for (const auto &[stored, read] : {std::pair<QVariant, int>{QStringLiteral("true"), 1},
                                           {QStringLiteral("FALSE"), 0},
                                           {1, 1},
                                           {QStringLiteral("0"), 0},
                                           {QStringLiteral("maybe"), -1},
                                           {2.5, -1},
                                           {{}, -1}})
            for (const bool fallback : {false, true})
                QCOMPARE(GeneralSettings::toBool(stored, fallback),
                         read < 0 ? fallback : read == 1);
        QSettings settings;
        for (const char *key :
             {GeneralSettings::InvertZoomWheelKey, GeneralSettings::NativeFileDialogsKey,
              "tools/pressureWidening", "view/showPixelGrid", "files/exportIncludeBorders"})
            settings.setValue(QLatin1String(key), QStringLiteral("maybe"));
        QCOMPARE(GeneralSettings::read(), defaults);
        // The window and its canvas start as on a first start.
        MainWindow window;
        for (const char *name :
             {"showReferenceGrids", "showPixelGrids", "showSafeFrames", "bilinearFiltering",
              "pixelPerfect", "disableFillPreview", "palPixels", "ntscPixels", "showPreview",
              "previewOnTop", "mirrorPreview", "previewCrt"})
            QVERIFY2(!action(window, name)->isChecked(), name);
        QVERIFY(action(window, "pressureWidening")->isChecked());
        QVERIFY(action(window, "squarePixels")->isChecked());
        const CanvasArea *canvas = window.canvas();
        const PaintSettings &paint = canvas->paintSettings();
        QVERIFY(paint.pressureWidening() && paint.fillPreviewEnabled());
        QVERIFY(!canvas->invertWheel() && !canvas->bindZoomToCanvas());
        QVERIFY(!canvas->smoothReferenceScaling());
        QCOMPARE(canvas->referenceOpacity(), 50);
        QCOMPARE(window.project().view().displayAspect(), 1.0);
        QVERIFY(QCoreApplication::testAttribute(Qt::AA_DontUseNativeDialogs));
        QCOMPARE(window.settingsFlow()->flyoutHoverDelayMs(), 500);
        QCOMPARE(window.settingsFlow()->flyoutLeaveGraceMs(), 500);
        // Borders are left out unless the artist once asked for them.
        QString chosen;
        QTimer::singleShot(0, &window, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            chosen = box->defaultButton()->text().remove(u'&');
            box->button(QMessageBox::Cancel)->click();
        });
        bool include = true;
        QVERIFY(!ExportImageFlow::askIncludeBorders(&window, QStringLiteral("Export"), include));
        QCOMPARE(chosen, QStringLiteral("No"));
    }

    // The dialog's groups and labels.
    void dialogLayout()
    {
        SettingsDialog dialog{GeneralSettings()};
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Settings"));
        QStringList titles;
        for (const QGroupBox *group : dialog.findChildren<QGroupBox *>())
            titles << group->title();
        QCOMPARE(titles, (QStringList{"General", "Tool Pickers", "Ultimate Device"}));
        const std::pair<const char *, const char *> labels[] = {
            {"invertZoomWheel", "&Invert Scroll Wheel Direction for Zooming"},
            {"bindZoomToCanvas", "&Bind Zoom to Canvas"},
            {"smoothImageScaling", "&Smooth Scaling for Imported Images"},
            {"nativeFileDialogs", "Use OS-Native &File Chooser Dialogs"},
            {"toolFlyoutHoverDelay", "&Hover delay:"},
            {"toolFlyoutLeaveGrace", "&Leave grace:"},
            {"ultimateHost", "&Host:"},
            {"ultimatePassword", "&Password:"},
            {"ultimateTimeout", "&Timeout:"}};
        for (const auto &[name, text] : labels) {
            auto *field = child<QWidget>(dialog, name);
            // The general and the flyout entries explain themselves.
            QCOMPARE(field->toolTip().isEmpty(), QByteArray(name).startsWith("ultimate"));
            if (auto *box = qobject_cast<QCheckBox *>(field)) {
                QCOMPARE(box->text(), QString::fromUtf8(text));
                QCOMPARE(qobject_cast<QGroupBox *>(box->parentWidget())->title(), "General");
                continue;
            }
            auto *form = qobject_cast<QFormLayout *>(field->parentWidget()->layout());
            QVERIFY2(form, name);
            auto *label = qobject_cast<QLabel *>(form->labelForField(field));
            QVERIFY2(label && label->buddy() == field, name);
            QCOMPARE(label->text(), QString::fromUtf8(text));
        }
    }

    // The stored timeout is shown within the spin box's range, and OK stores
    // what was shown.
    void storedTimeout_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<double>("shown");
        QTest::newRow("100") << QVariant(100.0) << 60.0;
        QTest::newRow("7.5") << QVariant(7.5) << 7.5;
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

    // The timeout's clamp and the seconds-to-milliseconds rounding (halves
    // away from zero, never to even), with the flyouts never negative.
    void timeConversions_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<double>("clamped");
        QTest::addColumn<int>("ms");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double infinity = std::numeric_limits<double>::infinity();
        QTest::newRow("0.5") << 0.5 << 0.5 << 500;
        QTest::newRow("0.0004 down") << 0.0004 << 0.1 << 0;
        QTest::newRow("0.0005 half up") << 0.0005 << 0.1 << 1;
        QTest::newRow("0.0025 not to even") << 0.0025 << 0.1 << 3;
        QTest::newRow("1.2345") << 1.2345 << 1.2345 << 1235;
        QTest::newRow("-0.0025 away from zero") << -0.0025 << 0.1 << -3;
        QTest::newRow("60") << 60.0 << 60.0 << 60000;
        QTest::newRow("above 60") << 60.01 << 60.0 << 60010;
        QTest::newRow("infinite") << infinity << 60.0 << INT_MAX;
        QTest::newRow("not a number") << nan << 2.5 << 0;
    }
    void timeConversions()
    {
        QFETCH(double, seconds);
        QFETCH(int, ms);
        QCOMPARE(GeneralSettings::secondsToMilliseconds(seconds), ms);
        GeneralSettings general;
        general.ultimateTimeoutSeconds = general.flyoutLeaveGraceSeconds = seconds;
        QTEST(GeneralSettings::clampTimeout(seconds), "clamped");
        QTEST(general.clampedTimeoutSeconds(), "clamped");
        QCOMPARE(general.flyoutLeaveGraceMs(), std::max(0, ms));
    }

    // Stored seconds reach the flyout hooks as milliseconds at start and on
    // every apply.
    void flyoutTimesApplied()
    {
        QSettings().setValue(QLatin1String(GeneralSettings::FlyoutHoverDelayKey), 0.0025);
        QSettings().setValue(QLatin1String(GeneralSettings::FlyoutLeaveGraceKey), -0.5);
        MainWindow window;
        QCOMPARE(window.settingsFlow()->flyoutHoverDelayMs(), 3);
        QCOMPARE(window.settingsFlow()->flyoutLeaveGraceMs(), 0);
        QSignalSpy spy(window.settingsFlow(), &SettingsFlow::flyoutTimesApplied);
        window.settingsFlow()->applyGeneralSettings();
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.at(0), (QVariantList{3, 0}));
    }

    // The dialog opens on what is stored (the defaults at first start). OK
    // stores what it shows, the host trimmed, and applies it at once;
    // Cancel leaves every key as it was and applies nothing.
    void dialogOutcome_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("storedBefore");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("host");
        const auto row = [](const char *name, bool ok, bool storedBefore, const char *typed,
                            const char *host) {
            QTest::newRow(name) << ok << storedBefore << QString(typed) << QString(host);
        };
        row("OK, spaces around", true, false, "  192.168.1.20  ", "192.168.1.20");
        row("OK, over stored", true, true, "   u64.local", "u64.local");
        row("OK, inner space kept", true, false, " my c64 ", "my c64");
        row("OK, only spaces", true, false, "    ", "");
        row("Cancel, first start", false, false, "elsewhere", "");
        row("Cancel, stored before", false, true, " elsewhere ", "");
    }
    void dialogOutcome()
    {
        QFETCH(bool, ok);
        QFETCH(bool, storedBefore);
        QFETCH(QString, typed);
        if (storedBefore)
            GeneralSettings{false, true, false, false, 0.5, 1.5, "10.1.1.1", 9.0, "old"}.write();
        const GeneralSettings before = GeneralSettings::read();
        const QStringList keysBefore = QSettings().allKeys();
        MainWindow window;
        QSignalSpy wheel(window.settingsFlow(), &SettingsFlow::invertZoomWheelApplied);
        QSignalSpy flyout(window.settingsFlow(), &SettingsFlow::flyoutTimesApplied);
        runSettingsDialog(
            window,
            [&](SettingsDialog &dialog) {
                QCOMPARE(dialog.settings(), before);
                clickCheckBoxes(dialog);
                auto *host = child<QLineEdit>(dialog, "ultimateHost");
                host->selectAll();
                QTest::keyClicks(host, typed);
                // A password is kept as typed, spaces and all, and never shown.
                auto *password = child<QLineEdit>(dialog, "ultimatePassword");
                QCOMPARE(password->echoMode(), QLineEdit::Password);
                password->selectAll();
                QTest::keyClicks(password, typed);
                typeInto(child<QDoubleSpinBox>(dialog, "toolFlyoutHoverDelay"), "1.3");
                typeInto(child<QDoubleSpinBox>(dialog, "toolFlyoutLeaveGrace"), "0");
                typeInto(child<QDoubleSpinBox>(dialog, "ultimateTimeout"), "12.5");
            },
            ok);
        const CanvasArea *canvas = window.canvas();
        if (!ok) {
            QCOMPARE(QSettings().allKeys(), keysBefore);
            QCOMPARE(GeneralSettings::read(), before);
            QCOMPARE(wheel.size() + flyout.size(), 0);
            QVERIFY(!canvas->invertWheel());
            QCOMPARE(canvas->bindZoomToCanvas(), storedBefore);
            return;
        }
        QFETCH(QString, host);
        QCOMPARE(GeneralSettings::read(),
                 (GeneralSettings{true, !storedBefore, true, true, 1.3, 0.0, host, 12.5, typed}));
        QVERIFY(canvas->invertWheel() && canvas->smoothReferenceScaling());
        QCOMPARE(canvas->bindZoomToCanvas(), !storedBefore);
        QVERIFY(!QCoreApplication::testAttribute(Qt::AA_DontUseNativeDialogs));
        QCOMPARE(window.settingsFlow()->flyoutHoverDelayMs(), 1300);
        QCOMPARE(window.settingsFlow()->flyoutLeaveGraceMs(), 0);
        QCOMPARE(wheel, (QList<QVariantList>{{true}}));
        QCOMPARE(flyout, (QList<QVariantList>{{1300, 0}}));
    }

    // Each persisted entry is checked from its key at start, its handler
    // applies it, and the close writes it back.
    void persistedRoundTrip_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("checked"); // the entry that shows it
        const auto row = [](const char *key, QVariant stored, const char *checked) {
            QTest::newRow(checked) << QString::fromLatin1(key) << stored << checked;
        };
        row("view/showReferenceGrid", true, "showReferenceGrids");
        row("view/showPixelGrid", true, "showPixelGrids");
        row("view/showSafeFrames", true, "showSafeFrames");
        row("view/bilinearFiltering", true, "bilinearFiltering");
        row("tools/pixelPerfectStrokes", true, "pixelPerfect");
        row("tools/pressureWidening", false, "pressureWidening");
        row("tools/disableFillPreview", true, "disableFillPreview");
        row("view/displayPixelAspect", 0.9375, "palPixels");
        row("view/displayPixelAspect", 0.75, "ntscPixels");
        row("view/displayPixelAspect", 1.0, "squarePixels");
        row("preview/visible", true, "showPreview");
        row("preview/stayOnTop", true, "previewOnTop");
        row("preview/mirrorHorizontally", true, "mirrorPreview");
        row("preview/crtEmulation", true, "previewCrt");
        row("view/referenceLayerOpacity", 30, "");
    }
    void persistedRoundTrip()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        QFETCH(QString, checked);
        const bool flag = stored.typeId() == QMetaType::Bool;
        QSettings().setValue(key, stored);
        {
            MainWindow window;
            const CanvasArea *canvas = window.canvas();
            if (!checked.isEmpty())
                QCOMPARE(action(window, checked.toLatin1().constData())->isChecked(),
                         !flag || stored.toBool());
            const auto on = [&](const char *name) { return action(window, name)->isChecked(); };
            // The handlers ran: the canvas shows what the entries say.
            QCOMPARE(canvas->isGridVisible(), on("showReferenceGrids"));
            QCOMPARE(canvas->isPixelGridVisible(), on("showPixelGrids"));
            QCOMPARE(canvas->areSafeFramesVisible(), on("showSafeFrames"));
            QCOMPARE(canvas->bilinearFiltering(), on("bilinearFiltering"));
            QCOMPARE(canvas->paintSettings().brushSettings().pixelPerfect, on("pixelPerfect"));
            QCOMPARE(canvas->paintSettings().pressureWidening(), on("pressureWidening"));
            QCOMPARE(canvas->paintSettings().fillPreviewEnabled(), !on("disableFillPreview"));
            if (key == QLatin1String(SettingsFlow::DisplayPixelAspectKey))
                QCOMPARE(window.project().view().displayAspect(), stored.toDouble());
            QCOMPARE(canvas->referenceOpacity(), checked.isEmpty() ? stored.toInt() : 50);
            QSettings().clear();
            // Toggling an entry writes nothing until the window closes.
            if (flag) {
                QAction *entry = action(window, checked.toLatin1().constData());
                entry->toggle();
                QCOMPARE(entry->isChecked(), !stored.toBool());
                entry->toggle();
            }
            QVERIFY(QSettings().allKeys().isEmpty());
            window.close();
        }
        // Everything persisted is written back, this key with its value.
        const QSettings settings;
        if (flag)
            QCOMPARE(settings.value(key).toBool(), stored.toBool());
        else
            QCOMPARE(settings.value(key).toDouble(), stored.toDouble());
        QList<const char *> written =
            SettingsFlow::viewAndToolToggleKeys() + SettingsFlow::previewToggleKeys();
        written << SettingsFlow::WindowGeometryKey << SettingsFlow::ReferenceOpacityKey
                << SettingsFlow::DisplayPixelAspectKey;
        for (const char *one : written)
            QVERIFY2(settings.contains(QLatin1String(one)), one);
        // The general group is the dialog's to write, not the close's.
        QVERIFY(!settings.childGroups().contains("general"));
        QVERIFY(!settings.childGroups().contains("ultimate"));
    }

    // A stored pixel aspect no entry carries leaves the group unchecked and
    // the view where it was; a new canvas keeps that view too.
    void unmatchedAspect_data()
    {
        QTest::addColumn<double>("stored");
        QTest::newRow("0.5") << 0.5;
        QTest::newRow("near PAL") << 0.94;
    }
    void unmatchedAspect()
    {
        QFETCH(double, stored);
        QSettings().setValue(QLatin1String(SettingsFlow::DisplayPixelAspectKey), stored);
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
        QCOMPARE(QSettings().value(QLatin1String(SettingsFlow::DisplayPixelAspectKey)).toDouble(),
                 stored);
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
        QSettings().setValue(QLatin1String(SettingsFlow::DisplayPixelAspectKey), 0.75);
        QMainWindow placed;
        placed.resize(620, 410);
        QSettings().setValue(QLatin1String(SettingsFlow::WindowGeometryKey), placed.saveGeometry());
        BareFlow bare;
        QVERIFY(bare.window.size() != QSize(620, 410));

        const QStringList entries = {"showReferenceGrids", "showPixelGrids", "showSafeFrames",
                                     "bilinearFiltering",  "pixelPerfect",   "pressureWidening",
                                     "disableFillPreview", "ntscPixels",     "previewOnTop",
                                     "mirrorPreview",      "previewCrt",     "showPreview"};
        QStringList order;
        for (const QString &name : entries)
            connect(action(bare.window, qPrintable(name)), &QAction::toggled, this,
                    [&order, name] { order << name; });
        connect(&bare.flow, &SettingsFlow::invertZoomWheelApplied, this, [&] { order << "wheel"; });
        connect(&bare.flow, &SettingsFlow::flyoutTimesApplied, this, [&] { order << "flyout"; });
        connect(&bare.flow, &SettingsFlow::restorePreviewGeometry, this, [&] {
            order << "previewGeometry";
            // The main window is placed before the preview.
            QCOMPARE(bare.window.size(), QSize(620, 410));
            QVERIFY(QCoreApplication::testAttribute(Qt::AA_DontUseNativeDialogs));
        });
        bare.flow.readSettings();
        QStringList expected = {"wheel", "flyout"};
        expected << entries.mid(0, 8) << "previewGeometry" << entries.mid(8);
        QCOMPARE(order, expected);
        QCOMPARE(bare.window.aspect, 0.75);
    }

    // The preview's geometry is the last thing written.
    void writeEndsWithPreviewGeometry()
    {
        BareFlow bare;
        QStringList presentAtHook;
        connect(&bare.flow, &SettingsFlow::storePreviewGeometry, this,
                [&] { presentAtHook = QSettings().allKeys(); });
        bare.flow.writeSettings();
        presentAtHook.sort();
        QStringList all = QSettings().allKeys();
        all.sort();
        QCOMPARE(presentAtHook, all);
        QCOMPARE(all.size(), 14);
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
