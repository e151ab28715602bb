#include "app/elidedlabel.h"

#include <QFontMetrics>
#include <QTest>

class TestElidedLabel : public QObject
{
    Q_OBJECT

private slots:
    void elision_data();
    void elision();
    void neverAsksForItsTextWidth();
    void fontChangeReElides();
    void resizeRestoresFullText();
};

void TestElidedLabel::elision_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("elided");
    QTest::newRow("fits") << "Mode: Hires" << 400 << false;
    QTest::newRow("too narrow") << "Mode: Multicolor + T/B Sprites" << 60 << true;
    QTest::newRow("empty text") << "" << 10 << false;
    QTest::newRow("long message") << "Opening projects is not available in this build yet." << 120
                                  << true;
}

void TestElidedLabel::elision()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(bool, elided);

    ElidedLabel label;
    label.setContentsMargins(6, 0, 6, 0);
    label.resize(width, 20);
    label.setFullText(text);
    QCOMPARE(label.fullText(), text);
    if (elided) {
        QVERIFY(label.text() != text);
        QVERIFY(label.text().endsWith(QChar(0x2026)));
        QCOMPARE(label.toolTip(), text);
        // What is shown fits the contents rectangle, margins excluded.
        QVERIFY(QFontMetrics(label.font()).horizontalAdvance(label.text()) <=
                label.contentsRect().width());
    } else {
        QCOMPARE(label.text(), text);
        QVERIFY(label.toolTip().isEmpty());
    }
}

void TestElidedLabel::neverAsksForItsTextWidth()
{
    ElidedLabel label;
    QCOMPARE(label.sizePolicy().horizontalPolicy(), QSizePolicy::Ignored);
    QCOMPARE(label.sizePolicy().verticalPolicy(), QSizePolicy::Preferred);
}

void TestElidedLabel::fontChangeReElides()
{
    ElidedLabel label;
    const QString text = QStringLiteral("Rotation: -22.50°");
    QFont font = label.font();
    font.setPixelSize(10);
    label.setFont(font);
    label.resize(QFontMetrics(font).horizontalAdvance(text) + 4, 20);
    label.setFullText(text);
    QCOMPARE(label.text(), text);

    font.setPixelSize(30);
    label.setFont(font);
    QVERIFY(label.text() != text);
    QCOMPARE(label.toolTip(), text);
}

void TestElidedLabel::resizeRestoresFullText()
{
    ElidedLabel label;
    const QString text = QStringLiteral("Sprite: (13, T1)");
    label.resize(30, 20);
    label.show();
    QVERIFY(QTest::qWaitForWindowExposed(&label));
    label.setFullText(text);
    QVERIFY(label.text() != text);
    label.resize(500, 20);
    QCOMPARE(label.text(), text);
    QVERIFY(label.toolTip().isEmpty());
    label.resize(30, 20);
    QVERIFY(label.text() != text);
    QCOMPARE(label.toolTip(), text);
}

QTEST_MAIN(TestElidedLabel)
#include "tst_elidedlabel.moc"
