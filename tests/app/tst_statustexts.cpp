#include "app/statustexts.h"

#include "document/project.h"

#include <QTest>

static Project makeProject(int mode, int layout, int screens = 1)
{
    LayoutSpec spec;
    spec.layout = CanvasLayout(layout);
    return Project(CanvasMode(mode), -1, -1, spec, screens);
}

class TestStatusTexts : public QObject
{
    Q_OBJECT

private slots:
    void valueTexts_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const char *field, double value,
                            const char *expected) {
            QTest::newRow(name) << QString::fromLatin1(field) << value
                                << QString::fromUtf8(expected);
        };
        row("PAL", "aspect", 0.9375, "Aspect: PAL");
        row("near PAL", "aspect", 0.9376, "Aspect: Square");
        row("zoom 2.5", "zoom", 2.5, "Zoom: 250%");
        row("zoom half rounds up", "zoom", 0.125, "Zoom: 13%");
        row("rotation -0", "rotation", -0.0, "Rotation: 0.00°");
        row("square brush", "square", 32, "Brush: Square 32");
    }
    void valueTexts()
    {
        QFETCH(QString, field);
        QFETCH(double, value);
        QString text;
        if (field == QLatin1String("aspect"))
            text = StatusTexts::aspectText(value);
        else if (field == QLatin1String("zoom"))
            text = StatusTexts::zoomText(value);
        else if (field == QLatin1String("rotation"))
            text = StatusTexts::rotationText(value);
        else
            text = StatusTexts::brushText(field == QLatin1String("round"), int(value));
        QTEST(text, "expected");
    }
    void hover_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("layout");
        QTest::addColumn<int>("screens");
        QTest::addColumn<int>("rightAligned"); // 1 top border, 2 bottom border
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QPoint>("pixel");
        QTest::addColumn<QString>("charCell");
        QTest::addColumn<QString>("sprite");
        const auto row = [](const char *name, int mode, int layout, int right, QPoint pixel,
                            const char *charCell, const char *sprite, int screens = 1) {
            QTest::newRow(name) << mode << layout << screens << right << true << pixel
                                << QString::fromLatin1(charCell) << QString::fromLatin1(sprite);
        };
        QTest::newRow("pointer outside") << 0 << 0 << 1 << 0 << false << QPoint(10, 10) << "--"
                                         << "--";
        row("hires last cell", 0, 0, 0, {319, 199}, "(39, 24)", "--");
        row("dual hires", 0, 0, 0, {639, 199}, "(79, 24)", "--", 2);
        // Hires side canvas: strips 0-47 and 360-407, bitmap 48-359, locked 408-415.
        row("side bitmap", 0, 1, 0, {100, 50}, "(6, 6)", "--");
        row("left strip bottom", 0, 1, 0, {47, 199}, "--", "(1, 9)");
        row("locked column", 0, 1, 0, {410, 50}, "--", "--");
        // Top/bottom canvas: borders 0-41 and 242-283, bitmap 42-241.
        row("top left-aligned sliver", 0, 2, 0, {312, 0}, "--", "(13, T0)");
        row("top right-aligned sliver", 0, 2, 1, {7, 0}, "--", "(0, T0)");
        row("bottom alignment spares top", 0, 2, 2, {8, 0}, "--", "(0, T0)");
        row("bottom right-aligned", 0, 2, 2, {10, 242}, "--", "(1, B0)");
        row("multicolor top right-aligned", 1, 2, 1, {4, 30}, "--", "(1, T1)");
    }
    void hover()
    {
        QFETCH(int, mode);
        QFETCH(int, layout);
        QFETCH(int, screens);
        QFETCH(int, rightAligned);
        QFETCH(bool, valid);
        QFETCH(QPoint, pixel);

        Project project = makeProject(mode, layout, screens);
        if (rightAligned == 1)
            project.layoutSpec().topAlignment = BorderAlignment::Right;
        if (rightAligned == 2)
            project.layoutSpec().bottomAlignment = BorderAlignment::Right;
        const StatusTexts::HoverTexts texts = StatusTexts::hoverTexts(project, valid, pixel);
        QTEST(texts.charCell, "charCell");
        QTEST(texts.sprite, "sprite");
    }
};

QTEST_GUILESS_MAIN(TestStatusTexts)
#include "tst_statustexts.moc"
