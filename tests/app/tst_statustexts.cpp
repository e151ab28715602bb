#include "app/statustexts.h"

#include "document/project.h"

#include <QTest>

namespace
{

Project makeProject(CanvasMode mode, CanvasLayout layout, int screens = 1)
{
    LayoutSpec spec;
    spec.layout = layout;
    return Project(mode, -1, -1, spec, screens);
}

} // namespace

class TestStatusTexts : public QObject
{
    Q_OBJECT

private slots:
    void mode_data();
    void mode();
    void size_data();
    void size();
    void aspect_data();
    void aspect();
    void brush_data();
    void brush();
    void zoom_data();
    void zoom();
    void rotation_data();
    void rotation();
    void hover_data();
    void hover();
    void fieldsFollowTheProjectAndInputs();
};

void TestStatusTexts::mode_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("layout");
    QTest::addColumn<int>("screens");
    QTest::addColumn<QString>("expected");
    QTest::newRow("hires") << 0 << 0 << 1 << "Mode: Hires";
    QTest::newRow("multicolor") << 1 << 0 << 1 << "Mode: Multicolor";
    QTest::newRow("hires side") << 0 << 1 << 1 << "Mode: Hires + Side Sprites";
    QTest::newRow("multicolor side") << 1 << 1 << 1 << "Mode: Multicolor + Side Sprites";
    QTest::newRow("hires top/bottom") << 0 << 2 << 1 << "Mode: Hires + T/B Sprites";
    QTest::newRow("multicolor top/bottom") << 1 << 2 << 1 << "Mode: Multicolor + T/B Sprites";
    QTest::newRow("dual hires") << 0 << 0 << 2 << "Mode: Hires ×2";
    QTest::newRow("three multicolor screens") << 1 << 0 << 3 << "Mode: Multicolor ×3";
    // A sprite layout always has one screen, so no count is shown.
    QTest::newRow("side sprites ask for 3 screens") << 0 << 1 << 3 << "Mode: Hires + Side Sprites";
}

void TestStatusTexts::mode()
{
    QFETCH(int, mode);
    QFETCH(int, layout);
    QFETCH(int, screens);
    QFETCH(QString, expected);
    const Project project = makeProject(CanvasMode(mode), CanvasLayout(layout), screens);
    QCOMPARE(StatusTexts::modeText(project), expected);
}

void TestStatusTexts::size_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("layout");
    QTest::addColumn<int>("screens");
    QTest::addColumn<QString>("expected");
    QTest::newRow("hires") << 0 << 0 << 1 << "Size: 320×200";
    QTest::newRow("multicolor side") << 1 << 1 << 1 << "Size: 208×200";
    QTest::newRow("hires side") << 0 << 1 << 1 << "Size: 416×200";
    QTest::newRow("multicolor top/bottom") << 1 << 2 << 1 << "Size: 160×284";
    QTest::newRow("dual hires") << 0 << 0 << 2 << "Size: 640×200";
}

void TestStatusTexts::size()
{
    QFETCH(int, mode);
    QFETCH(int, layout);
    QFETCH(int, screens);
    QFETCH(QString, expected);
    const Project project = makeProject(CanvasMode(mode), CanvasLayout(layout), screens);
    QCOMPARE(StatusTexts::sizeText(project), expected);
}

void TestStatusTexts::aspect_data()
{
    QTest::addColumn<double>("aspect");
    QTest::addColumn<QString>("expected");
    QTest::newRow("PAL") << 0.9375 << "Aspect: PAL";
    QTest::newRow("NTSC") << 0.75 << "Aspect: NTSC";
    QTest::newRow("square") << 1.0 << "Aspect: Square";
    QTest::newRow("near PAL") << 0.9376 << "Aspect: Square";
    QTest::newRow("near NTSC") << 0.7499 << "Aspect: Square";
    QTest::newRow("wide") << 2.0 << "Aspect: Square";
}

void TestStatusTexts::aspect()
{
    QFETCH(double, aspect);
    QFETCH(QString, expected);
    QCOMPARE(StatusTexts::aspectText(aspect), expected);
}

void TestStatusTexts::brush_data()
{
    QTest::addColumn<bool>("round");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("expected");
    QTest::newRow("round 1") << true << 1 << "Brush: Round 1";
    QTest::newRow("square 32") << false << 32 << "Brush: Square 32";
    QTest::newRow("round 7") << true << 7 << "Brush: Round 7";
}

void TestStatusTexts::brush()
{
    QFETCH(bool, round);
    QFETCH(int, width);
    QFETCH(QString, expected);
    QCOMPARE(StatusTexts::brushText(round, width), expected);
}

void TestStatusTexts::zoom_data()
{
    QTest::addColumn<double>("zoom");
    QTest::addColumn<QString>("expected");
    QTest::newRow("one") << 1.0 << "Zoom: 100%";
    QTest::newRow("two and a half") << 2.5 << "Zoom: 250%";
    QTest::newRow("half rounds up") << 0.125 << "Zoom: 13%";
    QTest::newRow("below half rounds down") << 0.0624 << "Zoom: 6%";
    QTest::newRow("smallest") << 0.0625 << "Zoom: 6%";
    QTest::newRow("largest") << 64.0 << "Zoom: 6400%";
    QTest::newRow("third") << 1.0 / 3.0 << "Zoom: 33%";
}

void TestStatusTexts::zoom()
{
    QFETCH(double, zoom);
    QFETCH(QString, expected);
    QCOMPARE(StatusTexts::zoomText(zoom), expected);
}

void TestStatusTexts::rotation_data()
{
    QTest::addColumn<double>("degrees");
    QTest::addColumn<QString>("expected");
    QTest::newRow("none") << 0.0 << "Rotation: 0.00°";
    QTest::newRow("negative zero") << -0.0 << "Rotation: 0.00°";
    QTest::newRow("minus 22.5") << -22.5 << "Rotation: -22.50°";
    QTest::newRow("quarter") << 90.0 << "Rotation: 90.00°";
    QTest::newRow("fraction") << 12.345678 << "Rotation: 12.35°";
    QTest::newRow("lower bound") << -180.0 << "Rotation: -180.00°";
}

void TestStatusTexts::rotation()
{
    QFETCH(double, degrees);
    QFETCH(QString, expected);
    QCOMPARE(StatusTexts::rotationText(degrees), expected);
}

void TestStatusTexts::hover_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("layout");
    QTest::addColumn<int>("screens");
    QTest::addColumn<bool>("topRight");
    QTest::addColumn<bool>("bottomRight");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<QString>("charCell");
    QTest::addColumn<QString>("sprite");

    const QString none = QStringLiteral("--");
    // Hires bitmap: 8 x 8 cells from the origin.
    QTest::newRow("hires origin") << 0 << 0 << 1 << false << false << true << QPoint(0, 0)
                                  << "(0, 0)" << none;
    QTest::newRow("hires last cell")
        << 0 << 0 << 1 << false << false << true << QPoint(319, 199) << "(39, 24)" << none;
    QTest::newRow("hires cell edge")
        << 0 << 0 << 1 << false << false << true << QPoint(8, 7) << "(1, 0)" << none;
    QTest::newRow("invalid hover")
        << 0 << 0 << 1 << false << false << false << QPoint(10, 10) << none << none;
    QTest::newRow("left of canvas")
        << 0 << 0 << 1 << false << false << true << QPoint(-1, 5) << none << none;
    QTest::newRow("below canvas") << 0 << 0 << 1 << false << false << true << QPoint(5, 200) << none
                                  << none;
    // Multicolor cells are 4 pixels wide.
    QTest::newRow("multicolor cell")
        << 1 << 0 << 1 << false << false << true << QPoint(159, 8) << "(39, 1)" << none;
    QTest::newRow("dual hires far cell")
        << 0 << 0 << 2 << false << false << true << QPoint(639, 199) << "(79, 24)" << none;
    // Hires side canvas: strips 0-47 and 360-407, bitmap 48-359, locked 408-415.
    QTest::newRow("side bitmap first cell")
        << 0 << 1 << 1 << false << false << true << QPoint(48, 0) << "(0, 0)" << none;
    QTest::newRow("side bitmap inner cell")
        << 0 << 1 << 1 << false << false << true << QPoint(100, 50) << "(6, 6)" << none;
    QTest::newRow("left strip top")
        << 0 << 1 << 1 << false << false << true << QPoint(0, 0) << none << "(0, 0)";
    QTest::newRow("left strip second sprite row")
        << 0 << 1 << 1 << false << false << true << QPoint(30, 13) << none << "(1, 1)";
    QTest::newRow("left strip bottom")
        << 0 << 1 << 1 << false << false << true << QPoint(47, 199) << none << "(1, 9)";
    QTest::newRow("right strip first column")
        << 0 << 1 << 1 << false << false << true << QPoint(360, 12) << none << "(2, 0)";
    QTest::newRow("right strip second column")
        << 0 << 1 << 1 << false << false << true << QPoint(384, 100) << none << "(3, 5)";
    QTest::newRow("locked border column")
        << 0 << 1 << 1 << false << false << true << QPoint(410, 50) << none << none;
    // Multicolor side canvas: 12-pixel sprites, strips 0-23 and 184-207.
    QTest::newRow("multicolor left strip")
        << 1 << 1 << 1 << false << false << true << QPoint(12, 34) << none << "(1, 2)";
    QTest::newRow("multicolor right strip")
        << 1 << 1 << 1 << false << false << true << QPoint(207, 199) << none << "(3, 9)";
    QTest::newRow("multicolor side bitmap")
        << 1 << 1 << 1 << false << false << true << QPoint(24, 8) << "(0, 1)" << none;
    // Top/bottom canvas: borders 0-41 and 242-283, bitmap 42-241.
    QTest::newRow("top border row 1 column 3")
        << 0 << 2 << 1 << false << false << true << QPoint(72, 21) << none << "(3, T1)";
    QTest::newRow("top border left-aligned sliver")
        << 0 << 2 << 1 << false << false << true << QPoint(312, 0) << none << "(13, T0)";
    QTest::newRow("top border right-aligned sliver")
        << 0 << 2 << 1 << true << false << true << QPoint(7, 0) << none << "(0, T0)";
    QTest::newRow("top border right-aligned after sliver")
        << 0 << 2 << 1 << true << false << true << QPoint(8, 41) << none << "(1, T1)";
    QTest::newRow("bottom alignment leaves top alone")
        << 0 << 2 << 1 << false << true << true << QPoint(8, 0) << none << "(0, T0)";
    QTest::newRow("bottom border last line")
        << 0 << 2 << 1 << false << false << true << QPoint(0, 283) << none << "(0, B1)";
    QTest::newRow("bottom border right-aligned")
        << 0 << 2 << 1 << false << true << true << QPoint(10, 242) << none << "(1, B0)";
    QTest::newRow("top/bottom bitmap first cell")
        << 0 << 2 << 1 << false << false << true << QPoint(0, 42) << "(0, 0)" << none;
    QTest::newRow("top/bottom bitmap last cell")
        << 0 << 2 << 1 << false << false << true << QPoint(319, 241) << "(39, 24)" << none;
    // Multicolor borders: 12-pixel sprites with a 4-pixel sliver.
    QTest::newRow("multicolor top right-aligned sliver")
        << 1 << 2 << 1 << true << false << true << QPoint(3, 30) << none << "(0, T1)";
    QTest::newRow("multicolor top right-aligned column 1")
        << 1 << 2 << 1 << true << false << true << QPoint(4, 30) << none << "(1, T1)";
    QTest::newRow("multicolor top left-aligned")
        << 1 << 2 << 1 << false << false << true << QPoint(15, 5) << none << "(1, T0)";
}

void TestStatusTexts::hover()
{
    QFETCH(int, mode);
    QFETCH(int, layout);
    QFETCH(int, screens);
    QFETCH(bool, topRight);
    QFETCH(bool, bottomRight);
    QFETCH(bool, valid);
    QFETCH(QPoint, pixel);
    QFETCH(QString, charCell);
    QFETCH(QString, sprite);

    Project project = makeProject(CanvasMode(mode), CanvasLayout(layout), screens);
    if (topRight)
        project.layoutSpec().topAlignment = BorderAlignment::Right;
    if (bottomRight)
        project.layoutSpec().bottomAlignment = BorderAlignment::Right;
    const StatusTexts::HoverTexts texts = StatusTexts::hoverTexts(project, valid, pixel);
    QCOMPARE(texts.charCell, charCell);
    QCOMPARE(texts.sprite, sprite);
}

void TestStatusTexts::fieldsFollowTheProjectAndInputs()
{
    Project project = makeProject(CanvasMode::Multicolor, CanvasLayout::SideBorderSprites);
    project.view().setZoom(2.5);
    project.view().setRotation(-22.5);
    project.view().setDisplayAspect(0.9375);
    StatusInputs inputs;
    inputs.roundBrush = false;
    inputs.penWidth = 4;
    inputs.hoverValid = true;
    inputs.hoverPixel = QPoint(30, 0);

    const StatusFields fields = StatusTexts::fields(project, inputs);
    QCOMPARE(fields.mode, QStringLiteral("Mode: Multicolor + Side Sprites"));
    QCOMPARE(fields.size, QStringLiteral("Size: 208×200"));
    QCOMPARE(fields.aspect, QStringLiteral("Aspect: PAL"));
    QCOMPARE(fields.brush, QStringLiteral("Brush: Square 4"));
    QCOMPARE(fields.zoom, QStringLiteral("Zoom: 250%"));
    QCOMPARE(fields.rotation, QStringLiteral("Rotation: -22.50°"));
    QCOMPARE(fields.charCell, QStringLiteral("Char: (1, 0)"));
    QCOMPARE(fields.sprite, QStringLiteral("Sprite: --"));

    inputs.hoverValid = false;
    const StatusFields away = StatusTexts::fields(project, inputs);
    QCOMPARE(away.charCell, QStringLiteral("Char: --"));
    QCOMPARE(away.sprite, QStringLiteral("Sprite: --"));
}

QTEST_GUILESS_MAIN(TestStatusTexts)
#include "tst_statustexts.moc"
