#include "../common/paintrows.h"
#include "windowtesthelpers.h"

#include "app/exportimageflow.h"
#include "app/generalsettings.h"
#include "app/settingsdialog.h"
#include "app/settingsflow.h"
#include "canvas/canvasarea.h"
#include "document/viewtransform.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSignalSpy>

using namespace Qt::StringLiterals;

namespace
{

const char *const CheckBoxes[] = {"invertZoomWheel", "bindZoomToCanvas", "smoothImageScaling",
                                  "nativeFileDialogs", "prgBasicStart"};

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
    entry(window, "settings")->trigger();
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

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        freshSettings();
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
        const QVariantList stored = {u"true"_s, u"FALSE"_s, 1, u"0"_s, u"maybe"_s, 2.5, {}};
        const int read[] = {1, 0, 1, 0, -1, -1, -1}; // -1: the fallback
        for (int i = 0; i < stored.size(); ++i)
            for (const bool fallback : {false, true})
                QCOMPARE(GeneralSettings::toBool(stored[i], fallback),
                         read[i] < 0 ? fallback : read[i] == 1);
        QSettings settings;
        for (const char *key :
             {GeneralSettings::InvertZoomWheelKey, GeneralSettings::NativeFileDialogsKey,
              "tools/pressureWidening", "view/showPixelGrid", "files/exportIncludeBorders"})
            settings.setValue(QLatin1String(key), u"maybe"_s);
        QCOMPARE(GeneralSettings::read(), defaults);
        // The window and its canvas start as on a first start.
        MainWindow window;
        for (const char *name :
             {"showReferenceGrids", "showPixelGrids", "showSafeFrames", "bilinearFiltering",
              "pixelPerfect", "disableFillPreview", "palPixels", "ntscPixels", "showPreview",
              "previewOnTop", "mirrorPreview", "previewCrt"})
            QVERIFY2(!entry(window, name)->isChecked(), name);
        QVERIFY(entry(window, "pressureWidening")->isChecked());
        QVERIFY(entry(window, "squarePixels")->isChecked());
        const CanvasArea *canvas = window.canvas();
        const PaintSettings &paint = canvas->paintSettings();
        QVERIFY(paint.pressureWidening() && paint.fillPreviewEnabled());
        QVERIFY(!canvas->invertWheel() && !canvas->bindZoomToCanvas());
        QVERIFY(!canvas->smoothReferenceScaling());
        QCOMPARE(canvas->referenceOpacity(), 50);
        QCOMPARE(window.project().view().displayAspect(), 1.0);
        QVERIFY(QCoreApplication::testAttribute(Qt::AA_DontUseNativeDialogs));
        // Borders are left out unless the artist once asked for them.
        QString chosen;
        QTimer::singleShot(0, &window, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            chosen = box->defaultButton()->text().remove(u'&');
            box->button(QMessageBox::Cancel)->click();
        });
        bool include = true;
        QVERIFY(!ExportImageFlow::askIncludeBorders(&window, u"Export"_s, include));
        QCOMPARE(chosen, u"No"_s);
    }

    // The timeout's clamp and the seconds-to-milliseconds rounding (halves
    // away from zero, never to even), with the flyouts never negative.
    void timeConversions_data() { addTextRows("app/windowrows.txt", "times"); }
    void timeConversions()
    {
        QFETCH(QStringList, row);
        const double seconds = row[0].toDouble(), clamped = row[1].toDouble();
        const int ms = row[2].toInt();
        QCOMPARE(GeneralSettings::secondsToMilliseconds(seconds), ms);
        GeneralSettings general;
        general.ultimateTimeoutSeconds = general.flyoutLeaveGraceSeconds = seconds;
        QCOMPARE(GeneralSettings::clampTimeout(seconds), clamped);
        QCOMPARE(general.clampedTimeoutSeconds(), clamped);
        QCOMPARE(general.flyoutLeaveGraceMs(), std::max(0, ms));
    }

    // The dialog opens on what is stored (the defaults at first start). OK
    // stores what it shows, the host trimmed, and applies it at once;
    // Cancel leaves every key as it was and applies nothing.
    void dialogOutcome_data() { addTextRows("app/windowrows.txt", "settings dialog"); }
    void dialogOutcome()
    {
        QFETCH(QStringList, row);
        const bool ok = row[0] == u"OK"_s, storedBefore = row[1] == u"yes"_s;
        const QString typed = row[2].mid(1).chopped(1), host = row[3];
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
        QCOMPARE(GeneralSettings::read(), (GeneralSettings{true, !storedBefore, true, true, 1.3,
                                                           0.0, host, 12.5, typed, true}));
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
    void persistedRoundTrip_data() { addTextRows("app/windowrows.txt", "persisted"); }
    void persistedRoundTrip()
    {
        QFETCH(QStringList, row);
        const QString &key = row[0], &checked = row[2];
        const QVariant stored = row[1] == u"true"_s || row[1] == u"false"_s
                                    ? QVariant(row[1] == u"true"_s)
                                : row[1].contains(u'.') ? QVariant(row[1].toDouble())
                                                        : QVariant(row[1].toInt());
        const bool flag = stored.typeId() == QMetaType::Bool;
        QSettings().setValue(key, stored);
        {
            MainWindow window;
            const CanvasArea *canvas = window.canvas();
            if (!checked.isEmpty())
                QCOMPARE(entry(window, checked.toLatin1().constData())->isChecked(),
                         !flag || stored.toBool());
            const auto on = [&](const char *name) { return entry(window, name)->isChecked(); };
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
                QAction *toggled = entry(window, checked.toLatin1().constData());
                toggled->toggle();
                QCOMPARE(toggled->isChecked(), !stored.toBool());
                toggled->toggle();
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
            QVERIFY2(!entry(window, name)->isChecked(), name);
        QCOMPARE(window.project().view().displayAspect(), 1.0);
        window.newMulticolorCanvas();
        QCOMPARE(window.project().view().displayAspect(), 1.0);
        // Choosing one afterwards works as ever.
        entry(window, "ntscPixels")->trigger();
        QCOMPARE(window.project().view().displayAspect(), 0.75);
        entry(window, "ntscPixels")->setChecked(false);
        window.close();
        // Nothing checked: the stored value stays for the next start.
        QCOMPARE(QSettings().value(QLatin1String(SettingsFlow::DisplayPixelAspectKey)).toDouble(),
                 stored);
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
