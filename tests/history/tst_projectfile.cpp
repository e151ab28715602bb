#include "edits.h"
#include "filebytes.h"

#include "document/project.h"
#include "history/projectfile.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <array>
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
    QCOMPARE(actual.mode(), expected.mode());
    QCOMPARE(actual.screensAcross(), expected.screensAcross());
    QCOMPARE(actual.spriteCountPolicy(), expected.spriteCountPolicy());
    QCOMPARE(actual.hiresClashResolution(), expected.hiresClashResolution());
    History &a = actual.history();
    History &e = expected.history();
    QCOMPARE(a.position(), e.position());
    QCOMPARE(a.nodeCount(), e.nodeCount());
    for (int n = 0; n < e.nodeCount(); ++n) {
        const HistoryNode &an = a.nodes().at(n);
        const HistoryNode &en = e.nodes().at(n);
        QCOMPARE(an.kind, en.kind);
        QCOMPARE(an.hasConnectPoint, en.hasConnectPoint);
        if (en.hasConnectPoint)
            QCOMPARE(an.connectPoint, en.connectPoint);
        QCOMPARE(an.changes.size(), en.changes.size());
    }
    const auto same = [&] {
        QCOMPARE(actual.colormap(), expected.colormap());
        QCOMPARE(actual.slotBytes(), expected.slotBytes());
        QCOMPARE(actual.layoutSpec(), expected.layoutSpec());
    };
    same();
    while (e.canUndo()) {
        QCOMPARE(a.undo(actual), e.undo(expected));
        same();
    }
    QVERIFY(!a.canUndo());
    while (e.canRedo()) {
        QCOMPARE(a.redo(actual), e.redo(expected));
        same();
    }
    QVERIFY(!a.canRedo());
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Offsets of the state fields in file(State()).
enum : int { Mode = 14, Layout, Screens, Clash = 18, Policy, Top, Bottom, Slots = 23 };
enum : int { Width = 33, Height = 37, Records = 41 };

// A valid file with `bytes` written over it at `offset`.
QByteArray at(int offset, const QByteArray &bytes, QByteArray base = file(State()))
{
    return base.replace(offset, bytes.size(), bytes);
}

QByteArray withBlob(const QByteArray &blob)
{
    State s;
    s.blob = blob;
    return file(s);
}

QByteArray withHistory(int records, const QByteArray &rest)
{
    State s;
    s.records = records;
    return file(s, rest);
}

// inState: the preview reads this far and fails alike.
void bad(const QString &name, const QByteArray &bytes, const QString &message, bool inState = true)
{
    QTest::newRow(qPrintable(name)) << bytes << message << inState;
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
        QVERIFY2(saved.ok, qPrintable(saved.errorMessage));
        QVERIFY(!saved.cancelled);

        Project loaded;
        const ProjectFileResult result = loadProjectFile(path, loaded);
        QVERIFY2(result.ok, qPrintable(result.errorMessage));
        QCOMPARE(loaded.history().nodeCount(), 18);
        QCOMPARE(loaded.history().position(), 16);
        compareProjects(loaded, project);

        // The preview reads the same state from the first record alone.
        ProjectPreviewInfo info;
        QString error;
        QVERIFY2(readProjectPreview(path, info, error), qPrintable(error));
        QCOMPARE(info.version, 11);
        QCOMPARE(info.layout, project.layoutSpec());
        QCOMPARE(info.slotValues, project.slotBytes());
        QCOMPARE(info.colormap, project.colormap());
        QCOMPARE(info.recordCount, 40);
        QCOMPARE(info.position, 16);

        // Written again, the file is the same to the byte.
        const QString again = m_dir.filePath(QStringLiteral("rich-again.kvn"));
        QVERIFY(saveProjectFile(loaded, again).ok);
        QCOMPARE(readAll(again), readAll(path));

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
        // Crops stored without compression (level 0): the writer's own choice
        // would differ, so identical output proves they went back untouched.
        const QByteArray before(4, '\x01');
        const QByteArray after = QByteArray::fromHex("02030405");
        State state;
        state.records = 4;
        state.position = 1;
        const QByteArray original = file(
            state, node(4, 0, 0, 0, 2) + region(0, 0, 2, 2, zBlob(before, 0), zBlob(after, 0)) +
                       colorIndex(1, 0, 9));
        Project loaded;
        const ProjectFileResult result = loadProjectFromBytes(original, loaded);
        QVERIFY2(result.ok, qPrintable(result.errorMessage));
        const HistoryChange &change = loaded.history().nodes().at(0).changes.at(0);
        QVERIFY(change.before.isDeflated());
        QVERIFY(change.after.isDeflated());

        const QString resaved = m_dir.filePath(QStringLiteral("stored-again.kvn"));
        QVERIFY(saveProjectFile(loaded, resaved).ok);
        QCOMPARE(readAll(resaved), original);

        // Undo needs the pixels; they inflate to what was stored.
        loaded.history().undo(loaded);
        QCOMPARE(loaded.colormap().bytes(), before);
        QCOMPARE(loaded.slot(ColorSlot::Border), quint8(0));
        loaded.history().redo(loaded);
        QCOMPARE(loaded.colormap().bytes(), after);
    }
    void writerStoresTheSmallerBlob_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("encoding");
        QTest::newRow("single pixel: raw") << QSize(1, 1) << 0;
        QTest::newRow("flat 320 x 200: compressed") << QSize(320, 200) << 1;
    }
    void writerStoresTheSmallerBlob()
    {
        QFETCH(QSize, size);
        QFETCH(int, encoding);
        Project project(CanvasMode::Hires, size.width(), size.height());
        project.colormap().fill(6);
        const QString path = m_dir.filePath(QStringLiteral("blob.kvn"));
        QVERIFY(saveProjectFile(project, path).ok);
        // The canvas blob follows the state fields: encoding, then the byte count.
        const QByteArray bytes = readAll(path);
        const int blob = Records + 8;
        QCOMPARE(int(bytes.at(blob)), encoding);
        const qint64 count = qFromLittleEndian<qint32>(bytes.constData() + blob + 1);
        QCOMPARE(bytes.size(), blob + 5 + count);
        const qint64 pixels = qint64(size.width()) * size.height();
        QVERIFY(encoding == 0 ? count == pixels : count < pixels);
    }
    void rejectsMalformedFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("inState");

        const QByteArray ok = file(State());
        const QString signature = "not an KORVEN project file (bad signature)";
        bad("empty", {}, signature);
        bad("last signature byte", at(6, u8(ok.at(6) ^ 0x20)), signature);
        bad("version 9", file(State(), {}, 9),
            "file version 9 was written by the GTK version of KORVEN and is not supported");
        bad("version 12", file(State(), {}, 12),
            "file version 12 is newer than this KORVEN understands (version 11)");

        const QString headerEnd = "unexpected end of file in a record header";
        bad("five header bytes", header() + i32(20) + u8(1), headerEnd);
        for (qint64 size : {1, 0x10000001})
            bad(QString("record size %1").arg(size), header() + i32(size) + i16(1),
                QString("record size %1 is out of range").arg(size));
        bad("record longer than the file",
            header() + i32(0x10000000) + i16(1) + QByteArray(50, '\0'),
            "unexpected end of file inside a record");
        bad("first record is a node", header() + node(0, 0, 0, 0, 0),
            "the first record is not the project state");

        // The state record.
        const QString malformed = "malformed project state record";
        bad("state without position", header() + record(1, State().payload().left(31)), malformed);
        State s;
        s.slotCount = 9;
        s.slotValues.chop(1);
        bad("nine slots", file(s), malformed);
        s.slotCount = 3;
        s.slotValues.chop(6);
        bad("version 10 with three slots", file(s, {}, 10), malformed);
        s.layout = 2;
        s.slotCount = 4;
        s.slotValues += '\0';
        bad("version 10 with layout 2", file(s, {}, 10), "unknown canvas layout 2");
        bad("mode 2", at(Mode, u8(2)), "unknown canvas mode 2");
        bad("layout 3", at(Layout, u8(3)), "unknown canvas layout 3");
        bad("screens 9", at(Screens, i16(9)), "screens-across 9 is out of range");
        bad("clash resolution 3", at(Clash, u8(3)), "unknown clash resolution 3");
        bad("policy 2", at(Policy, u8(2)), "unknown sprite count policy 2");
        bad("bottom alignment 255", at(Bottom, u8(255)), "malformed border alignment");
        bad("slot 7 is 16", at(Slots + 7, u8(16)), "color index 16 is out of range");
        bad("width 4097", at(Width, i32(4097)), "canvas size 4097 x 2 is out of range");
        bad("height negative", at(Height, i32(-3)), "canvas size 2 x -3 is out of range");
        bad("record count 0", at(Records, i32(0)), "record count is zero");
        bad("blob count too big", withBlob(u8(0) + i32(0x10000001)), "malformed pixel blob header");
        bad("blob longer than record", withBlob(u8(0) + i32(100) + QByteArray(4, '\0')),
            "pixel blob declares 100 bytes, but 4 remain in the record");
        bad("raw blob of 3 bytes", withBlob(rawBlob(QByteArray(3, '\0'))),
            "raw pixel blob holds 3 bytes, expected 4");
        bad("compressed blob of 6 bytes", withBlob(zBlob(QByteArray(6, '\0'))),
            "compressed pixel blob declares 6 bytes, expected 4");
        bad("blob encoding 2", withBlob(u8(2) + i32(4) + QByteArray(4, '\0')),
            "unknown pixel blob encoding 2");
        bad("corrupt canvas stream",
            withBlob(u8(1) + i32(9) + QByteArray::fromHex("00000004") + "junk!"),
            "the canvas pixel data is corrupt");

        // History records: the preview never reads them.
        const QByteArray px = rawBlob(QByteArray(4, '\x01'));
        const QByteArray stroke = node(0, 0, 0, 0, 1);
        const QByteArray slot = node(1, 0, 0, 0, 1);
        const QByteArray align = node(9, 0, 0, 0, 1);
        bad("second state record", withHistory(2, record(1, State().payload())),
            "duplicate project state record", false);
        bad("node before the previous one is complete",
            withHistory(4, node(0, 0, 0, 0, 2) + region(0, 0, 2, 2, px, px) + stroke),
            "a history node starts before the previous node's children are complete", false);
        const QString outsideNode = "history change record outside a node";
        bad("change before any node", withHistory(2, colorIndex(0, 0, 1)), outsideNode, false);
        bad("change beyond the declared count",
            withHistory(4, slot + colorIndex(0, 0, 1) + colorIndex(1, 0, 1)), outsideNode, false);
        const QString badNode = "malformed history node record";
        bad("node flag 2", withHistory(2, node(0, 2, 0, 0, 0)), badNode, false);
        bad("node kind 16", withHistory(2, node(16, 0, 0, 0, 0)), "unknown history entry kind 16",
            false);
        for (const auto &[x, y, w, h] : {std::array{1, 0, 2, 2}, std::array{0, 0, 0, 2}})
            bad(QString("region %1 %2 %3 %4").arg(x).arg(y).arg(w).arg(h),
                withHistory(3, stroke + region(x, y, w, h, px, px)),
                QString("region change rect (%1, %2) %3 x %4 lies outside the canvas")
                    .arg(x)
                    .arg(y)
                    .arg(w)
                    .arg(h),
                false);
        bad("short region record", withHistory(3, stroke + record(3, i32(0) + i32(0) + i32(2))),
            "malformed region change record", false);
        bad("no after crop", withHistory(3, stroke + region(0, 0, 2, 2, px, {})),
            "malformed pixel blob header", false);
        bad("short colour change", withHistory(3, slot + record(4, u8(0) + u8(1))),
            "malformed color index change record", false);
        bad("colour slot 10", withHistory(3, slot + colorIndex(10, 0, 1)), "unknown color slot 10",
            false);
        const QString badIndex = "color index change is out of range";
        bad("new colour 200", withHistory(3, slot + colorIndex(2, 1, 200)), badIndex, false);
        const QString badAlignment = "malformed border alignment change record";
        bad("alignment value 2", withHistory(3, align + alignment(0, 0, 2)), badAlignment, false);
        bad("short alignment change", withHistory(3, align + record(5, u8(0))), badAlignment,
            false);
        bad("file ends inside a node", withHistory(3, node(0, 0, 0, 0, 2) + colorIndex(0, 0, 1)),
            "the file ends inside a history node", false);
        bad("fewer records than declared", withHistory(3, slot), headerEnd, false);
        const QString trailing = "trailing data after the last record";
        bad("trailing record", withHistory(3, slot + colorIndex(0, 0, 1) + colorIndex(0, 1, 2)),
            trailing, false);
    }
    void rejectsMalformedFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        QFETCH(bool, inState);

        if (message == QLatin1String("the canvas pixel data is corrupt")) {
            for (int i = 0; i < 3; ++i) // loaded twice and previewed once
                QTest::ignoreMessage(QtWarningMsg, "qUncompress: Input data is corrupted");
        }
        // The caller's document must survive a failed load untouched.
        Project out(CanvasMode::Multicolor, 7, 3);
        out.colormap().fill(9);
        ProjectFileResult result = loadProjectFromBytes(bytes, out);
        QVERIFY(!result.ok);
        QVERIFY(!result.cancelled);
        QCOMPARE(result.errorMessage, message);
        QCOMPARE(out.size(), QSize(7, 3));
        QCOMPARE(out.colormap().pixel(6, 2), quint8(9));

        const QString path = m_dir.filePath(QStringLiteral("malformed.kvn"));
        QVERIFY(writeAll(path, bytes));
        QCOMPARE(loadProjectFile(path, out).errorMessage, message);
        ProjectPreviewInfo info;
        QString error;
        QCOMPARE(readProjectPreview(path, info, error), !inState);
        QCOMPARE(error, inState ? message : QString());
    }
    void acceptsTolerableFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("nodes");
        QTest::addColumn<int>("position");
        QTest::addColumn<QByteArray>("slotBytes");

        const QByteArray defaults = State().slotValues;
        const QByteArray px = rawBlob(QByteArray(4, '\x01'));
        const QByteArray two = node(0, 1, 1, 1, 1) + region(0, 0, 2, 2, px, px) +
                               node(4, 0, 0, 0, 1) +
                               region(1, 1, 1, 1, rawBlob("\x01"), zBlob("\x02"));
        State s;
        s.records = 2;
        QTest::newRow("empty record of an unknown kind")
            << file(s, record(9, {})) << 0 << 0 << defaults;
        s.records = 4;
        s.position = 2;
        QTest::newRow("node without changes is dropped")
            << file(s, node(0, 0, 0, 0, 0) + node(1, 0, 3, 4, 1) + colorIndex(3, 10, 5)) << 1 << 1
            << defaults;
        s.records = 5;
        s.position = 1;
        QTest::newRow("unknown kind 7 counts as a change")
            << file(s, node(1, 0, 0, 0, 2) + record(7, "xyz") + colorIndex(3, 10, 5) +
                           node(0, 1, 1, 1, 0))
            << 1 << 1 << defaults;
        s.position = 40;
        QTest::newRow("position beyond the nodes") << file(s, two) << 2 << 2 << defaults;
        s.position = -7;
        QTest::newRow("negative position") << file(s, two) << 2 << 0 << defaults;
        s = State();
        s.slotCount = 12;
        s.slotValues = QByteArray::fromHex("0102030405060708090a0f0f");
        QTest::newRow("twelve slots") << file(s) << 0 << 0 << s.slotValues.left(10);
    }
    void acceptsTolerableFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, nodes);
        QFETCH(int, position);
        QFETCH(QByteArray, slotBytes);

        Project out;
        const ProjectFileResult result = loadProjectFromBytes(bytes, out);
        QVERIFY2(result.ok, qPrintable(result.errorMessage));
        QCOMPARE(out.history().nodeCount(), nodes);
        QCOMPARE(out.history().position(), position);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(out.slotBytes().data()), 10), slotBytes);
        QVERIFY(!out.history().isModified());
        for (const HistoryNode &node : out.history().nodes()) {
            QVERIFY(!node.changes.isEmpty());
            if (!node.hasConnectPoint)
                QCOMPARE(node.connectPoint, QPoint());
        }
    }
    void version10Defaults()
    {
        State s;
        s.mode = 1;
        s.layout = 1;
        s.clash = 2;
        s.slotCount = 5;
        s.slotValues = QByteArray::fromHex("060e02070f");
        s.width = 3;
        s.height = 1;
        s.blob = rawBlob(QByteArray::fromHex("010203"));
        Project out;
        const ProjectFileResult result = loadProjectFromBytes(file(s, {}, 10), out);
        QVERIFY2(result.ok, qPrintable(result.errorMessage));
        QCOMPARE(out.mode(), CanvasMode::Multicolor);
        QCOMPARE(out.layoutSpec(), (LayoutSpec{CanvasLayout::SideBorderSprites,
                                               BorderAlignment::Left, BorderAlignment::Left}));
        QCOMPARE(out.hiresClashResolution(), HiresClashResolution::PreserveMostUsed);
        QCOMPARE(out.spriteCountPolicy(), SpriteCountPolicy::Flag);
        const std::array<quint8, ColorSlotCount> slotBytes{6, 14, 2, 7, 0, 4, 10, 0, 4, 10};
        QCOMPARE(out.slotBytes(), slotBytes);
        QCOMPARE(out.colormap().bytes(), QByteArray::fromHex("010203"));
    }
    void saveProgressAndCancel_data()
    {
        QTest::addColumn<int>("cancelAt"); // -1: never
        QTest::newRow("never") << -1;
        QTest::newRow("in the middle") << 4;
    }
    void saveProgressAndCancel()
    {
        QFETCH(int, cancelAt);
        // Three nodes holding 1, 2 and 1 changes: 1 + 3 + 4 records.
        Project project(CanvasMode::Hires, 16, 16);
        paint(project, QRect(0, 0, 2, 2), 1);
        HistoryNode two = paintNode(project, QRect(4, 4, 2, 2), 2);
        two.changes.append(HistoryChange::colorIndex(1, 0, 3));
        project.history().push(two);
        assignSlot(project, ColorSlot::Background, 5);

        const QString path = m_dir.filePath(QStringLiteral("progress.kvn"));
        QVERIFY(writeAll(path, "the previous save"));
        QList<qint64> calls;
        const ProjectFileResult result =
            saveProjectFile(project, path, [&](qint64 done, qint64 total) {
                calls.append(total == 8 ? done : -100);
                return done != cancelAt;
            });
        QCOMPARE(result.ok, cancelAt < 0);
        QCOMPARE(result.cancelled, cancelAt >= 0);
        if (cancelAt < 0) {
            QCOMPARE(calls, (QList<qint64>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
            Project loaded;
            QVERIFY(loadProjectFile(path, loaded).ok);
            compareProjects(loaded, project);
        } else {
            QCOMPARE(calls.last(), qint64(cancelAt));
            QCOMPARE(readAll(path), QByteArray("the previous save"));
        }
    }
    void loadProgressAndCancel()
    {
        const QString path = m_dir.filePath(QStringLiteral("load-progress.kvn"));
        QVERIFY(saveProjectFile(richProject(), path).ok);
        QList<qint64> calls;
        Project out;
        QVERIFY(loadProjectFile(path, out, [&](qint64 done, qint64 total) {
                    // 18 nodes, 21 changes and the state record.
                    calls.append(total == 40 ? done : -100);
                    return true;
                }).ok);
        QCOMPARE(calls.size(), 40);
        for (int i = 0; i < calls.size(); ++i)
            QCOMPARE(calls.at(i), qint64(i + 1));

        Project untouched(CanvasMode::Hires, 5, 5);
        const ProjectFileResult cancelled =
            loadProjectFile(path, untouched, [](qint64 done, qint64) { return done < 20; });
        QVERIFY(cancelled.cancelled && !cancelled.ok);
        QCOMPARE(untouched.size(), QSize(5, 5));
        QCOMPARE(untouched.history().nodeCount(), 0);
    }
    void unwritableAndUnreadablePaths()
    {
        const QString missing = m_dir.filePath(QStringLiteral("no-such-folder/x.kvn"));
        ProjectFileResult result = saveProjectFile(Project(), missing);
        QVERIFY(!result.ok && !result.cancelled);
        QString start = QStringLiteral("cannot write %1: ").arg(missing);
        QVERIFY2(result.errorMessage.startsWith(start) && result.errorMessage.size() > start.size(),
                 qPrintable(result.errorMessage));

        Project out;
        result = loadProjectFile(missing, out);
        QVERIFY(!result.ok);
        start = QStringLiteral("cannot read %1: ").arg(missing);
        QVERIFY2(result.errorMessage.startsWith(start) && result.errorMessage.size() > start.size(),
                 qPrintable(result.errorMessage));
        ProjectPreviewInfo info;
        QString error;
        QVERIFY(!readProjectPreview(missing, info, error));
        QCOMPARE(error, result.errorMessage);
    }
    void failedWriteKeepsTheOldFile()
    {
        // A full disk, imitated by a file size limit of 4 KiB for this process.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("full.kvn"));
        QVERIFY(writeAll(path, "the previous save"));
        Project project(CanvasMode::Hires, 320, 200);
        // Noise, so the canvas cannot compress below the limit.
        QRandomGenerator random(7);
        for (int i = 0; i < 320 * 200; ++i)
            project.colormap().setPixel(i % 320, i / 320, quint8(random.bounded(16)));

        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 4096;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const ProjectFileResult result = saveProjectFile(project, path);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);

        QVERIFY(!result.ok && !result.cancelled);
        QVERIFY2(result.errorMessage.startsWith(QStringLiteral("writing failed: ")),
                 qPrintable(result.errorMessage));
        QCOMPARE(readAll(path), QByteArray("the previous save"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("full.kvn")});
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestProjectFile)
#include "tst_projectfile.moc"
