// The converter's curves: the point rules of adding, moving and removing,
// and the natural-spline tables built from the points.

#include "conversion/curvesmodel.h"

#include <QRandomGenerator>
#include <QTest>

namespace
{

QString pointsText(const QList<QPoint> &points)
{
    QStringList parts;
    for (const QPoint &p : points)
        parts << QStringLiteral("%1,%2").arg(p.x()).arg(p.y());
    return parts.join(u' ');
}

} // namespace

class TestCurvesModel : public QObject
{
    Q_OBJECT

private slots:
    // Each step is "a X Y", "m INDEX X Y" or "r INDEX", then "=" and the
    // value it returns; all run with the widget's gap of 7 on the R channel.
    void pointRules_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("points");
        QTest::newRow("end points move vertically only")
            << "m 0 40 30=1; m 1 200 255=0; m 1 200 300=0"
            << "0,30 255,255";
        QTest::newRow("gap to the end points")
            << "a 5 10=-1; a 6 10=-1; a 7 10=1; a 249 10=-1; a 248 10=2"
            << "0,0 7,10 248,10 255,255";
        QTest::newRow("y clamped, equal x inserted after") << "a 100 300=1; a 100 -5=2"
                                                           << "0,0 100,255 100,0 255,255";
        QTest::newRow("interior x kept from neighbours")
            << "a 50 50=1; a 100 100=2; m 1 200 60=1; m 1 0 60=1; m 1 7 60=0"
            << "0,0 7,60 100,100 255,255";
        QTest::newRow("end points are not removed") << "a 50 50=1; r 0=0; r 2=0; r 1=1; r 1=0"
                                                    << "0,0 255,255";
        QString fill;
        QString filled = "0,0";
        for (int i = 1; i <= 30; ++i) {
            fill += QStringLiteral("a %1 %2=%3; ").arg(8 * i).arg(i).arg(i);
            filled += QStringLiteral(" %1,%2").arg(8 * i).arg(i);
        }
        QTest::newRow("a 33rd point is refused") << fill + "a 244 9=-1" << filled + " 255,255";
    }

    void pointRules()
    {
        QFETCH(QString, steps);
        QFETCH(QString, points);
        CurvesModel curves;
        for (const QString &step : steps.split(u';', Qt::SkipEmptyParts)) {
            const QStringList call = step.section(u'=', 0, 0).split(u' ', Qt::SkipEmptyParts);
            const int expected = step.section(u'=', 1).toInt();
            const int a = call.value(1).toInt(), b = call.value(2).toInt(),
                      c = call.value(3).toInt();
            int got = 0;
            if (call[0] == u'a')
                got = curves.addPoint(CurvesModel::Red, a, b, 7);
            else if (call[0] == u'm')
                got = curves.movePoint(CurvesModel::Red, a, b, c, 7);
            else
                got = curves.removePoint(CurvesModel::Red, a);
            QVERIFY2(got == expected, qPrintable(step));
        }
        QCOMPARE(pointsText(curves.points(CurvesModel::Red)), points);
        for (int channel : {CurvesModel::Master, CurvesModel::Green, CurvesModel::Blue})
            QCOMPARE(pointsText(curves.points(channel)), QStringLiteral("0,0 255,255"));
    }

    // Expected values are the natural cubic spline worked out by hand,
    // truncated toward zero and clamped.
    void splineTables_data()
    {
        QTest::addColumn<QString>("points");
        QTest::addColumn<QString>("values");
        QTest::addColumn<bool>("identity");
        QTest::newRow("two points: the straight line") << "0,255 255,0"
                                                       << "0=255 100=155 255=0" << false;
        QTest::newRow("three points") << "0,0 64,128 255,255"
                                      << "32=68 64=128 100=178 160=227 250=254" << false;
        QTest::newRow("overshoot clamps") << "0,0 30,250 255,255"
                                          << "30=250 125=255 254=255" << false;
        QTest::newRow("collinear points: the line") << "0,0 51,51 102,102 255,255"
                                                    << "0=0 77=77 101=101 200=200" << true;
    }

    void splineTables()
    {
        QFETCH(QString, points);
        QFETCH(QString, values);
        CurvesModel curves;
        const QStringList list = points.split(u' ');
        for (int i = 0; i < list.size(); ++i) {
            const int x = list[i].section(u',', 0, 0).toInt(), y = list[i].section(u',', 1).toInt();
            if (i == 0 || i == list.size() - 1)
                curves.movePoint(CurvesModel::Green, i == 0 ? 0 : i, x, y, 1);
            else
                QCOMPARE(curves.addPoint(CurvesModel::Green, x, y, 1), i);
        }
        QCOMPARE(pointsText(curves.points(CurvesModel::Green)), points);
        for (const QString &check : values.split(u' '))
            QVERIFY2(curves.value(CurvesModel::Green, check.section(u'=', 0, 0).toInt()) ==
                         check.section(u'=', 1).toInt(),
                     qPrintable(check));
        QFETCH(bool, identity);
        QCOMPARE(curves.isIdentity(), identity);
        curves.reset();
        QVERIFY(curves.isIdentity());
    }

    // Random edits keep the points sorted between fixed ends, and the table
    // passes exactly through every point that has an x of its own.
    void randomEditsKeepInvariants()
    {
        QRandomGenerator rng(20261207);
        CurvesModel curves;
        for (int step = 0; step < 3000; ++step) {
            const int channel = int(rng.bounded(4));
            const int count = int(curves.points(channel).size());
            const int x = int(rng.bounded(-20, 276)), y = int(rng.bounded(-20, 276));
            switch (rng.bounded(3)) {
            case 0:
                curves.addPoint(channel, x, y, 7);
                break;
            case 1:
                curves.movePoint(channel, int(rng.bounded(count)), x, y, 7);
                break;
            default:
                curves.removePoint(channel, int(rng.bounded(count)));
            }
            const QList<QPoint> &points = curves.points(channel);
            QVERIFY(points.size() >= 2 && points.size() <= CurvesModel::MaxPoints);
            QCOMPARE(points.first().x(), 0);
            QCOMPARE(points.last().x(), 255);
            for (qsizetype i = 1; i < points.size(); ++i)
                QVERIFY(points[i].x() >= points[i - 1].x());
            for (qsizetype i = 0; i < points.size(); ++i) {
                const bool shared = (i > 0 && points[i - 1].x() == points[i].x()) ||
                                    (i + 1 < points.size() && points[i + 1].x() == points[i].x());
                if (!shared)
                    QCOMPARE(int(curves.value(channel, points[i].x())), points[i].y());
            }
        }
    }
};

QTEST_APPLESS_MAIN(TestCurvesModel)
#include "tst_curvesmodel.moc"
