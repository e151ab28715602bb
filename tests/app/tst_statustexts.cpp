#include "../common/paintrows.h"

#include "app/statustexts.h"

#include "document/project.h"

class TestStatusTexts : public QObject
{
    Q_OBJECT

private slots:
    void valueTexts()
    {
        // PAL only at its exact ratio; zoom rounds half up; no minus on a zero angle.
        QCOMPARE((QStringList{StatusTexts::aspectText(0.9375), StatusTexts::aspectText(0.9376),
                              StatusTexts::zoomText(0.125), StatusTexts::rotationText(-0.0)}),
                 (QStringList{"Aspect: PAL", "Aspect: Square", "Zoom: 13%", "Rotation: 0.00°"}));
    }
    void hover_data() { addTextRows("app/statustexts.txt", "hover"); }
    void hover()
    {
        QFETCH(QStringList, row);
        const QList<int> canvas = intsOf(row[0]);
        LayoutSpec spec;
        spec.layout = CanvasLayout(canvas[1]);
        if (canvas[3] == 1)
            spec.topAlignment = BorderAlignment::Right;
        if (canvas[3] == 2)
            spec.bottomAlignment = BorderAlignment::Right;
        const Project project{CanvasMode(canvas[0]), -1, -1, spec, canvas[2]};
        const StatusTexts::HoverTexts texts =
            StatusTexts::hoverTexts(project, !row[1].isEmpty(), pointOf(row[1]));
        QCOMPARE((QStringList{texts.charCell, texts.sprite}), row.mid(2));
    }
};

QTEST_GUILESS_MAIN(TestStatusTexts)
#include "tst_statustexts.moc"
