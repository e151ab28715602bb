#include "../common/paintrows.h"
#include "../common/projectstate.h"
#include "../common/wholefiles.h"
#include "edits.h"
#include "filebytes.h"

#include "document/project.h"
#include "history/projectfile.h"

#include <QDir>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>
#include <sys/resource.h>

using namespace filebytes;
using namespace testedits;

namespace
{

// Same settings and nodes, and the same picture, slots and layout after every
// undo back to the start and every redo to the end.
void compareProjects(Project actual, Project expected)
{
    const auto settings = [](const Project &p) {
        QList<int> v{int(p.mode()), p.screensAcross(), int(p.spriteCountPolicy()),
                     int(p.hiresClashResolution()), p.history().position()};
        for (const HistoryNode &n : p.history().nodes())
            v << int(n.kind) << n.hasConnectPoint << n.connectPoint.x() << n.connectPoint.y()
              << int(n.changes.size());
        return v;
    };
    QCOMPARE(settings(actual), settings(expected));
    const auto same = [&] { QVERIFY(projectState(actual) == projectState(expected)); };
    same();
    for (bool back : {true, false}) {
        History &a = actual.history();
        History &e = expected.history();
        while (back ? e.canUndo() : e.canRedo()) {
            QCOMPARE(back ? a.undo(actual) : a.redo(actual),
                     back ? e.undo(expected) : e.redo(expected));
            same();
        }
        QVERIFY(!(back ? a.canUndo() : a.canRedo()));
    }
}

} // namespace

class TestProjectFile : public QObject
{
    Q_OBJECT

private slots:
    void saveAndReloadGiveTheSameProject()
    {
        const Project project = richProject();
        const QString path = m_dir.filePath(QStringLiteral("rich.kvn"));
        const ProjectFileResult saved = saveProjectFile(project, path);
        QVERIFY2(saved.ok && !saved.cancelled, qPrintable(saved.errorMessage));
        Project loaded;
        const ProjectFileResult result = loadProjectFile(path, loaded);
        QVERIFY2(result.ok, qPrintable(result.errorMessage));
        compareProjects(loaded, project);

        // The preview reads the same state from the first record alone.
        ProjectPreviewInfo info;
        QString error;
        QVERIFY2(readProjectPreview(path, info, error), qPrintable(error));
        QCOMPARE((QList<int>{info.version, info.recordCount, info.position}),
                 (QList<int>{11, 40, 16}));
        QVERIFY(std::tuple(info.colormap, info.slotValues, info.layout) == projectState(project));

        // Written again, the file is the same to the byte.
        const QString again = m_dir.filePath(QStringLiteral("rich-again.kvn"));
        QVERIFY(saveProjectFile(loaded, again).ok);
        QCOMPARE(readBytes(again), readBytes(path));

        // The loaded project is clean exactly at the saved position.
        History &history = loaded.history();
        while (history.canUndo())
            history.undo(loaded);
        for (int i = 0; i <= 18; ++i) {
            QCOMPARE(history.isModified(), i != 16);
            history.redo(loaded);
        }
    }
    void storedCropsAreWrittenBack()
    {
        // Crops stored without compression: the writer's own choice would
        // differ, so identical output proves they went back untouched.
        const QByteArray original = bytesOf(QStringLiteral("stored"));
        Project loaded;
        const ProjectFileResult result = loadProjectFromBytes(original, loaded);
        QVERIFY2(result.ok, qPrintable(result.errorMessage));
        const HistoryChange &change = loaded.history().nodes().at(0).changes.at(0);
        QVERIFY(change.before.isDeflated() && change.after.isDeflated());
        const QString resaved = m_dir.filePath(QStringLiteral("stored-again.kvn"));
        QVERIFY(saveProjectFile(loaded, resaved).ok);
        QCOMPARE(readBytes(resaved), original);

        // Undo needs the pixels; they inflate to what was stored.
        loaded.history().undo(loaded);
        QCOMPARE(loaded.colormap().bytes(), QByteArray(4, '\x01'));
        QCOMPARE(loaded.slot(ColorSlot::Border), quint8(0));
        loaded.history().redo(loaded);
        QCOMPARE(loaded.colormap().bytes(), QByteArray::fromHex("02030405"));
    }
    void writerStoresTheSmallerBlob()
    {
        // A single pixel is stored raw (0), a flat 320 x 200 canvas compressed (1).
        for (const QSize size : {QSize(1, 1), QSize(320, 200)}) {
            Project project(CanvasMode::Hires, size.width(), size.height());
            project.colormap().fill(6);
            const QString path = m_dir.filePath(QStringLiteral("blob.kvn"));
            QVERIFY(saveProjectFile(project, path).ok);
            // The canvas blob follows the state fields at byte 49: encoding, byte count.
            const QByteArray bytes = readBytes(path);
            const bool raw = size.width() == 1;
            QCOMPARE(int(bytes.at(49)), raw ? 0 : 1);
            const qint64 count = qFromLittleEndian<qint32>(bytes.constData() + 50);
            QCOMPARE(bytes.size(), 54 + count);
            QVERIFY(raw ? count == 1 : count < 320 * 200);
        }
    }
    void rejectsMalformedFiles_data() { addTextRows("history/projectfile.txt", "malformed"); }
    void rejectsMalformedFiles()
    {
        QFETCH(QStringList, row);
        const QString &message = row[0];
        const bool inState = row[1] == u'1';
        const QByteArray bytes = bytesOf(row[2]);
        // The message is the whole report: no library warning may leak.
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
        // The caller's document must survive a failed load untouched.
        Project out(CanvasMode::Multicolor, 7, 3);
        out.colormap().fill(9);
        ProjectFileResult result = loadProjectFromBytes(bytes, out);
        QVERIFY(!result.ok && !result.cancelled);
        QCOMPARE(result.errorMessage, message);
        QCOMPARE(out.size(), QSize(7, 3));
        QCOMPARE(out.colormap().pixel(6, 2), quint8(9));

        const QString path = m_dir.filePath(QStringLiteral("malformed.kvn"));
        QVERIFY(writeBytes(path, bytes));
        QCOMPARE(loadProjectFile(path, out).errorMessage, message);
        ProjectPreviewInfo info;
        QString error;
        QCOMPARE(readProjectPreview(path, info, error), !inState);
        QCOMPARE(error, inState ? message : QString());
    }
    void acceptsTolerableFiles_data() { addTextRows("history/projectfile.txt", "tolerable"); }
    void acceptsTolerableFiles()
    {
        QFETCH(QStringList, row);
        Project out;
        const ProjectFileResult result = loadProjectFromBytes(bytesOf(row[5]), out);
        QVERIFY2(result.ok, qPrintable(result.errorMessage));
        QCOMPARE((QList<int>{out.history().nodeCount(), out.history().position()}),
                 (QList<int>{row[0].toInt(), row[1].toInt()}));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(out.slotBytes().data()), 10),
                 QByteArray::fromHex(row[2].toLatin1()));
        const LayoutSpec &layout = out.layoutSpec();
        QCOMPARE((QList<int>{int(out.mode()), int(layout.layout), int(layout.topAlignment),
                             int(layout.bottomAlignment), int(out.hiresClashResolution()),
                             int(out.spriteCountPolicy()), out.width(), out.height()}),
                 intsOf(row[3]));
        QCOMPARE(out.colormap().bytes(), QByteArray::fromHex(row[4].toLatin1()));
        QVERIFY(!out.history().isModified());
        for (const HistoryNode &node : out.history().nodes())
            QVERIFY(!node.changes.isEmpty() &&
                    (node.hasConnectPoint || node.connectPoint == QPoint()));
    }
    void progressAndCancel()
    {
        // 18 nodes, 21 changes and the state record: 40 records, counted from
        // 0 while saving and from 1 while loading.
        const Project project = richProject();
        const QString path = m_dir.filePath(QStringLiteral("progress.kvn"));
        QVERIFY(writeBytes(path, "the previous save"));
        const auto cancelAt4 = [](qint64 done, qint64) { return done != 4; };
        const ProjectFileResult cancelled = saveProjectFile(project, path, cancelAt4);
        QVERIFY(cancelled.cancelled && !cancelled.ok);
        QCOMPARE(readBytes(path), QByteArray("the previous save"));

        QList<qint64> saves, loads, expected;
        const auto count = [](QList<qint64> &calls) {
            return [&calls](qint64 done, qint64 total) {
                calls.append(total == 40 ? done : -100);
                return true;
            };
        };
        QVERIFY(saveProjectFile(project, path, count(saves)).ok);
        Project loaded;
        QVERIFY(loadProjectFile(path, loaded, count(loads)).ok);
        for (int i = 0; i <= 40; ++i)
            expected.append(i);
        QCOMPARE(saves, expected);
        QCOMPARE(loads, expected.mid(1));

        Project untouched(CanvasMode::Hires, 5, 5);
        const ProjectFileResult stopped =
            loadProjectFile(path, untouched, [](qint64 done, qint64) { return done < 20; });
        QVERIFY(stopped.cancelled && !stopped.ok);
        QCOMPARE(untouched.size(), QSize(5, 5));
        QCOMPARE(untouched.history().nodeCount(), 0);
    }
    void unwritableAndUnreadablePaths()
    {
        const QString missing = m_dir.filePath(QStringLiteral("no-such-folder/x.kvn"));
        Project out;
        ProjectPreviewInfo info;
        QString preview;
        QVERIFY(!readProjectPreview(missing, info, preview));
        for (const auto &[result, verb] : {std::pair{saveProjectFile(Project(), missing), "write"},
                                           std::pair{loadProjectFile(missing, out), "read"}}) {
            const QString start = QStringLiteral("cannot %1 %2: ").arg(verb, missing);
            QVERIFY(!result.ok && !result.cancelled);
            QVERIFY2(result.errorMessage.startsWith(start) && result.errorMessage > start,
                     qPrintable(result.errorMessage));
            QVERIFY(*verb == 'w' || result.errorMessage == preview);
        }
    }
    void failedWriteKeepsTheOldFile()
    {
        // A full disk, imitated by a file size limit of 4 KiB for this process.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("full.kvn"));
        QVERIFY(writeBytes(path, "the previous save"));
        Project project(CanvasMode::Hires, 320, 200);
        // Noise, so the canvas cannot compress below the limit.
        QRandomGenerator random(7);
        for (int i = 0; i < 320 * 200; ++i)
            project.colormap().setPixel(i % 320, i / 320, quint8(random.bounded(16)));

        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{4096, saved.rlim_max};
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const ProjectFileResult result = saveProjectFile(project, path);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);

        QVERIFY(!result.ok && !result.cancelled);
        QVERIFY2(result.errorMessage.startsWith(QStringLiteral("writing failed: ")),
                 qPrintable(result.errorMessage));
        QCOMPARE(readBytes(path), QByteArray("the previous save"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("full.kvn")});
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestProjectFile)
#include "tst_projectfile.moc"
