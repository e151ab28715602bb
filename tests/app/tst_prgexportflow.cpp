// Export to PRG from the main window: the budget refusal, the export with
// and without the cruncher beside the program, and the SYS hint.

#include "windowtesthelpers.h"

#include "app/prgexportflow.h"
#include "rules/clashrules.h"

using namespace Qt::StringLiterals;

namespace
{

class AnsweredFlow : public PrgExportFlow
{
public:
    using PrgExportFlow::PrgExportFlow;
    QString answer;

protected:
    QString choosePath(const QString &) override { return answer; }
};

} // namespace

class TestPrgExportFlow : public QObject
{
    Q_OBJECT

private slots:
    void exportPrg_data()
    {
        QTest::addColumn<bool>("cruncher");
        QTest::addColumn<int>("columns"); // used top border columns
        QTest::addColumn<QString>("box"); // the warnings shown, empty for none
        const QString missing =
            "KORVEN|Could not compress the export: the bundled Exomizer is missing (%1).\nThe "
            "file is exported uncompressed instead; start it with SYS 13312 rather than RUN.";
        QTest::newRow("no cruncher") << false << 3 << missing;
        QTest::newRow("clashes resolved first")
            << false << -3
            << "KORVEN|Could not export an executable PRG file: the canvas holds unresolved color "
               "clashes.\n" +
                   missing;
        QTest::newRow("crunched") << true << 3 << QString();
        QTest::newRow("over budget")
            << true << 9
            << "KORVEN|Could not export an executable PRG file.\nOver the sprite budget: the top "
               "border holds sprites in 9 unit columns, but the hardware shows at most 8 sprites "
               "per border.\nOptions -> Border Sprites -> Reduce Borders to 8 Sprites trims the "
               "strips as one undoable edit.";
    }
    void exportPrg()
    {
        QFETCH(bool, cruncher);
        QFETCH(int, columns);
        QFETCH(QString, box);
        const QString beside = QCoreApplication::applicationDirPath() + "/exomizer.exe";
        QFile::remove(beside);
        QVERIFY(!cruncher || QFile::copy(QStringLiteral(KORVEN_EXOMIZER), beside));
        TestWindow window;
        window.project() =
            Project(CanvasMode::Hires, -1, -1, {CanvasLayout::TopBottomBorderSprites});
        for (int c = 0; c < qAbs(columns); ++c) // negative: and a cell of three colours
            window.project().colormap().setPixel(columns < 0 ? c : 24 * c + 5,
                                                 columns < 0 ? 50 : 10, quint8(c + 1));
        QTemporaryDir dir;
        AnsweredFlow flow(&window);
        flow.answer = dir.filePath(u"x.prg"_s);
        {
            BoxAnswerer answerer(QMessageBox::Ok);
            flow.run();
            QCOMPARE(answerer.texts.join(u'\n'), box.arg(QDir::toNativeSeparators(beside)));
        }
        // The entry the refusal names is there, under that menu.
        const QAction *reduce = window.findChild<QAction *>(u"reduceBorders"_s);
        QVERIFY(box.contains(u"Options -> Border Sprites -> "_s + reduce->text()) || columns <= 8);
        QFile::remove(beside);
        const bool written = columns <= 8;
        QVERIFY(
            !canvasHasClash(ClashContext::forSweep(window.project()), window.project().colormap()));
        // Hand count: 284 lines, the strips' outer 21-line rows.
        QCOMPARE(statusText(window),
                 written ? "Exported x.prg. An NTSC machine does not show rows 0-20 and 263-283."
                         : FirstStart::hint());
        QFile file(flow.answer);
        QCOMPARE(file.open(QIODevice::ReadOnly), written);
        if (!written)
            return;
        // Uncompressed: the program at $3400; crunched: a smaller BASIC program at $0801.
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes.left(2), QByteArray(cruncher ? "\x01\x08" : "\x00\x34", 2));
        QCOMPARE(bytes.size() < 15874, cruncher);
    }

    // A target that cannot be replaced stays as it was, and the message
    // names it, not a temporary copy.
    void unwritableTargetKept()
    {
        QFile::remove(QCoreApplication::applicationDirPath() + "/exomizer.exe");
        TestWindow window;
        QTemporaryDir dir;
        AnsweredFlow flow(&window);
        flow.answer = dir.filePath(u"x.prg"_s);
        QVERIFY(QDir(dir.path()).mkpath(u"x.prg/old"_s));
        BoxAnswerer answerer(QMessageBox::Ok);
        flow.run();
        QCOMPARE(answerer.texts.size(), 2); // the missing cruncher, then the failure
        QVERIFY2(answerer.texts.last().startsWith("KORVEN|Could not write " +
                                                  QDir::toNativeSeparators(flow.answer)),
                 qPrintable(answerer.texts.last()));
        QVERIFY(QDir(flow.answer + "/old").exists());
    }
};

QTEST_MAIN(TestPrgExportFlow)
#include "tst_prgexportflow.moc"
