// The converter's widgets as the artist meets them: the curve editor under
// real mouse gestures, and the dialog's live result following its controls.

#include "../common/paintrows.h"

#include "convertdialog/convertimagedialog.h"
#include "convertdialog/curveswidget.h"

#include <QComboBox>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

class TestConvertDialog : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings().clear();
    }

    void curveGestures_data() { addTextRows("convertdialog/convertdialog.txt", "gestures"); }
    void curveGestures()
    {
        QFETCH(QStringList, row);
        CurvesWidget widget;
        widget.setChannel(CurvesModel::Blue);
        widget.resize(268, 268);
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        QCOMPARE(widget.plotRect(), QRect(6, 7, 256, 256));
        QSignalSpy changed(&widget, &CurvesWidget::curvesChanged);
        for (const QString &gesture : row[0].split(u';')) {
            const QStringList part = gesture.split(u' ', Qt::SkipEmptyParts);
            const QPoint at =
                widget.widgetPoint(QPoint(part[1].toInt(), part[2].toInt())).toPoint();
            if (part[0] == u'p')
                QTest::mousePress(&widget, Qt::LeftButton, {}, at);
            else if (part[0] == u'm')
                QTest::mouseMove(&widget, at);
            else
                QTest::mouseRelease(&widget, Qt::LeftButton, {}, at);
        }
        QStringList points;
        for (const QPoint &p : widget.curves().points(CurvesModel::Blue))
            points << QStringLiteral("%1,%2").arg(p.x()).arg(p.y());
        QCOMPARE(points.join(u' '), row[1]);
        QCOMPARE(int(changed.count()), row[2].toInt());
    }

    // The result always equals the engine's on the dialog's current choices,
    // also after a change the throttle held back, once OK is pressed.
    void resultFollowsTheControls()
    {
        QSettings().setValue(QStringLiteral("convertImageDialog/dither"), 2);
        Project document(CanvasMode::Multicolor, -1, -1,
                         LayoutSpec{CanvasLayout::TopBottomBorderSprites});
        document.setPaletteVariant(3);
        QRandomGenerator rng(7);
        QImage source(conversionSourceSize(document.mode(), document.size()), QImage::Format_RGB32);
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x)
                source.setPixel(x, y, rng.generate());
        ConvertImageDialog dialog(document, source);
        auto expected = [&] {
            return convert(source, document.size(), dialog.curvesWidget()->curves(),
                           dialog.options());
        };
        const ConversionOptions chosen = dialog.options();
        QCOMPARE(std::tuple(int(chosen.dither), chosen.distance, chosen.method),
                 std::tuple(2, ColorMetric::Perceptual, ConversionMethod::CellColorsFirst));
        QCOMPARE(dialog.findChild<QComboBox *>(QStringLiteral("ditherCombo"))->count(),
                 DitherKindCount);
        QCOMPARE(dialog.paletteVariant(), 3);
        QCOMPARE(dialog.resultColormap(), expected());
        // The chosen background goes with the result until the artist picks one.
        QVERIFY(dialog.options().chooseBackground);
        QCOMPARE(dialog.slotBytes(), convertImage(source, document.size(),
                                                  dialog.curvesWidget()->curves(), dialog.options())
                                         .slotBytes);

        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::mouseClick(dialog.findChild<QRadioButton *>(QStringLiteral("topRight")),
                          Qt::LeftButton);
        QCOMPARE(dialog.alignments().topAlignment, BorderAlignment::Right);
        QCOMPARE(dialog.resultColormap(), expected());
        // Within the throttle time: the change waits.
        dialog.assignSlot(ColorSlot::TopBackground, 6);
        const Colormap held = dialog.resultColormap();
        QCOMPARE(dialog.slotBytes()[size_t(ColorSlot::TopBackground)], quint8(6));
        QVERIFY(held != expected());
        dialog.findChild<QComboBox *>(QStringLiteral("ditherCombo"))->setCurrentIndex(1);
        dialog.findChild<QComboBox *>(QStringLiteral("methodCombo"))->setCurrentIndex(1);
        dialog.assignSlot(ColorSlot::Background, 9);
        QCOMPARE(dialog.resultColormap(), held);
        dialog.accept();
        QCOMPARE(dialog.options().method, ConversionMethod::MostUsed);
        QVERIFY(!dialog.options().chooseBackground);
        QCOMPARE(dialog.slotBytes()[size_t(ColorSlot::Background)], quint8(9));
        QCOMPARE(dialog.resultColormap(), expected());
        QCOMPARE(QSettings().value(QStringLiteral("convertImageDialog/dither")).toInt(), 1);
    }

    // The Refined dither shows Floyd-Steinberg within the same colours at
    // once and the refined picture when the worker has it; OK pressed before
    // then applies the refinement of the newest choices, not the stand-in.
    void refinedReplacesItsStandIn()
    {
        const Project document(CanvasMode::Multicolor);
        const QImage source = QImage(QStringLiteral(KORVEN_TESTDATA_DIR "/photos/kodim01.png"))
                                  .scaled(conversionSourceSize(document.mode(), document.size()),
                                          Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        ConvertImageDialog dialog(document, source);
        const auto engine = [&](DitherKind dither) {
            ConversionOptions options = dialog.options();
            options.dither = dither;
            return convert(source, document.size(), dialog.curvesWidget()->curves(), options);
        };
        auto *dither = dialog.findChild<QComboBox *>(QStringLiteral("ditherCombo"));
        dither->setCurrentIndex(dither->findData(int(DitherKind::Refined)));
        QCOMPARE(dialog.resultColormap(), engine(DitherKind::FloydSteinberg));
        QVERIFY(engine(DitherKind::Refined) != engine(DitherKind::FloydSteinberg));
        QTRY_COMPARE_WITH_TIMEOUT(dialog.resultColormap(), engine(DitherKind::Refined), 20000);

        QTest::qWait(40); // past the throttle, so the next change converts at once
        auto *distance = dialog.findChild<QComboBox *>(QStringLiteral("distanceCombo"));
        distance->setCurrentIndex(distance->findData(int(ColorMetric::Euclidean)));
        QCOMPARE(dialog.resultColormap(), engine(DitherKind::FloydSteinberg));
        dialog.accept();
        QCOMPARE(dialog.options().distance, ColorMetric::Euclidean);
        QCOMPARE(dialog.resultColormap(), engine(DitherKind::Refined));
    }
};

QTEST_MAIN(TestConvertDialog)
#include "tst_convertdialog.moc"
