// Export to PRG from the main window: the budget refusal, the export with
// and without the cruncher beside the program, and the SYS hint.

#include "windowtesthelpers.h"

#include "app/prgexportflow.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace
{

class AnsweredFlow : public PrgExportFlow
{
public:
    AnsweredFlow(MainWindow *window, const QString &answer)
        : PrgExportFlow(window), m_answer(answer)
    {
    }
    QStringList proposals;

protected:
    QString choosePath(const QString &proposedPath) override
    {
        proposals << proposedPath;
        return m_answer;
    }

private:
    QString m_answer;
};

} // namespace

class TestPrgExportFlow : public QObject
{
    Q_OBJECT

private slots:
    void exportPrg_data()
    {
        QTest::addColumn<bool>("cruncher");
        QTest::addColumn<bool>("overBudget");
        QTest::addColumn<QString>("box"); // the warning shown, empty for none
        QTest::addColumn<QString>("status");
        const QString uncompressed = QStringLiteral(
            "The file is exported uncompressed instead; start it with SYS 13312 rather than RUN.");
        QTest::newRow("no cruncher")
            << false << false
            << "KORVEN|Could not compress the export: the bundled Exomizer is missing (%1).\n" +
                   uncompressed
            << "Exported x.prg.";
        QTest::newRow("crunched") << true << false << QString() << "Exported x.prg.";
        QTest::newRow("over budget")
            << true << true
            << "KORVEN|Could not export an executable PRG file.\nOver the sprite budget: the top "
               "border "
               "holds sprites in 9 unit columns, but the hardware shows at most 8 sprites per "
               "border.\nOptions -> Border Sprites -> Reduce Border Sprites to Budget trims the "
               "strips "
               "as one undoable edit."
            << QString();
    }
    void exportPrg()
    {
        QFETCH(bool, cruncher);
        QFETCH(bool, overBudget);
        QFETCH(QString, box);
        QFETCH(QString, status);
        const QString beside =
            QCoreApplication::applicationDirPath() + QStringLiteral("/exomizer.exe");
        QFile::remove(beside);
        if (cruncher)
            QVERIFY(QFile::copy(QStringLiteral(KORVEN_EXOMIZER), beside));
        TestWindow window;
        window.project() =
            Project(CanvasMode::Hires, -1, -1, {CanvasLayout::TopBottomBorderSprites});
        for (int c = 0; c < (overBudget ? 9 : 3); ++c)
            window.project().colormap().setPixel(24 * c + 5, 10, 1);
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("x.prg"));
        AnsweredFlow flow(&window, target);
        {
            BoxAnswerer answerer(QMessageBox::Ok);
            flow.run();
            QCOMPARE(answerer.texts, box.isEmpty()
                                         ? QStringList()
                                         : QStringList{box.arg(QDir::toNativeSeparators(beside))});
        }
        QFile::remove(beside);
        QCOMPARE(fieldText(window, "statusMessage"), status);
        QFile written(target);
        QCOMPARE(written.exists(), !overBudget);
        if (overBudget)
            return;
        QVERIFY(flow.proposals.constFirst().endsWith(QLatin1String("/untitled.prg")));
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray bytes = written.readAll();
        // Uncompressed: the program at $3400; crunched: a BASIC program at $0801.
        QCOMPARE(bytes.left(2), cruncher ? QByteArray("\x01\x08", 2) : QByteArray("\x00\x34", 2));
        QCOMPARE(bytes.size() < 15874, cruncher);
    }
};

QTEST_MAIN(TestPrgExportFlow)
#include "tst_prgexportflow.moc"
