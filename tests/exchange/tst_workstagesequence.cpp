// The time-lapse sequence: which workstages a subset takes, and frames that
// show each stage with the border colour it had then.

#include "../common/paintrows.h"
#include "../history/edits.h"

#include "document/palette.h"
#include "document/project.h"
#include "exchange/workstagesequence.h"
#include "rules/wholecanvasedits.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

using namespace testedits;
using Reduction = WorkstageSequence::Reduction;

class TestWorkstageSequence : public QObject
{
    Q_OBJECT

private slots:
    void selectFrames_data() { addTextRows("exchange/workstagesequence.txt", "frames"); }
    void selectFrames()
    {
        QFETCH(QStringList, row);
        QCOMPARE(WorkstageSequence::selectFrames(row[0].toInt(), row[1].toInt(),
                                                 Reduction(row[2].toInt())),
                 intsOf(row[3]));
    }

    void framesShowTheirStage()
    {
        // Three nodes, the second turning the border red; a fourth undone.
        Project project(CanvasMode::Hires, -1, -1, {CanvasLayout::BitmapOnly});
        QList<Colormap> stages{project.colormap()};
        QList<quint8> borders{project.slot(ColorSlot::Border)};
        paint(project, QRect(10, 10, 30, 20), 5);
        stages << project.colormap(), borders << borders.last();
        assignColorSlot(project, ColorSlot::Border, 2);
        stages << project.colormap(), borders << 2;
        paint(project, QRect(100, 50, 40, 40), 7);
        stages << project.colormap(), borders << 2;
        paint(project, QRect(0, 0, 320, 200), 1);
        project.history().undo(project);

        QTemporaryDir folder;
        const QList<int> frames{0, 1, 2, 3, 3};
        const WorkstageSequence::Result result =
            WorkstageSequence::write(project, frames, folder.path(), QStringLiteral("art"), true);
        QCOMPARE(result.written, 5);
        // Each frame: the stage's picture at x 48, y 51 of the 416 x 301
        // frame, in the border colour of its stage.
        for (int j = 0; j < frames.size(); ++j) {
            const QImage frame = QImage(WorkstageSequence::frameFileName(folder.path(), "art", j))
                                     .convertToFormat(QImage::Format_RGB32);
            QCOMPARE(frame.size(), QSize(416, 301));
            QCOMPARE(frame.copy(48, 51, 320, 200), stages[frames[j]].toImage(0));
            QCOMPARE(frame.pixel(0, 0), paletteRgb(0, borders[frames[j]]));
            QCOMPARE(frame.pixel(415, 300), paletteRgb(0, borders[frames[j]]));
        }
        QVERIFY(QFile::exists(folder.filePath(QStringLiteral("art-000004.png"))));

        // Stopped before the third frame: two written; an unwritable folder
        // reports the frame it could not save.
        QCOMPARE(WorkstageSequence::write(project, frames, folder.path(), "art", false,
                                          [](int done) { return done < 2; })
                     .written,
                 2);
        const WorkstageSequence::Result failed =
            WorkstageSequence::write(project, frames, folder.filePath("missing"), "art", false);
        QCOMPARE(failed.written, 0);
        QVERIFY(failed.error.startsWith(QLatin1String("Could not save ")));
    }
};

QTEST_GUILESS_MAIN(TestWorkstageSequence)
#include "tst_workstagesequence.moc"
