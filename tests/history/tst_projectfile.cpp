#include "edits.h"
#include "filebytes.h"

#include "document/project.h"
#include "history/projectfile.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>

using namespace filebytes;
using namespace testedits;

namespace
{

// A multicolor top/bottom canvas with every kind of change, a redo tail
// and non-default policies, alignments and slots.
Project richProject()
{
    LayoutSpec layout{CanvasLayout::TopBottomBorderSprites, BorderAlignment::Left,
                      BorderAlignment::Left};
    Project project(CanvasMode::Multicolor, 96, 60, layout);
    project.setSpriteCountPolicy(SpriteCountPolicy::Enforce);
    project.setHiresClashResolution(HiresClashResolution::PreserveBorder);
    for (int i = 0; i < 12; ++i) {
        paint(project, QRect(i * 7 % 90, i * 5 % 55, 3 + i, 2 + i % 4), quint8(1 + i % 15),
              HistoryEntryKind::Stroke, QPoint(i, 2 * i));
    }
    assignSlot(project, ColorSlot::TopMulticolor1, 13);
    setBottomAlignment(project, BorderAlignment::Right);
    // A node mixing a slot change with pixels, like a colour swap.
    HistoryNode swap = paintNode(project, QRect(0, 0, 96, 60), 0, HistoryEntryKind::SwapColors);
    swap.changes.prepend(HistoryChange::colorIndex(0, 0, 2));
    project.setSlot(ColorSlot::Background, 2);
    project.history().push(swap);
    // A flat, large change: stored compressed.
    paint(project, QRect(0, 0, 96, 60), 11, HistoryEntryKind::ClearScreen);
    paint(project, QRect(5, 5, 1, 1), 3, HistoryEntryKind::Stroke, QPoint(5, 5));
    project.history().undo(project);
    project.history().undo(project);
    return project;
}

void compareProjects(const Project &actual, const Project &expected)
{
    QCOMPARE(actual.mode(), expected.mode());
    QCOMPARE(actual.layoutSpec(), expected.layoutSpec());
    QCOMPARE(actual.screensAcross(), expected.screensAcross());
    QCOMPARE(actual.slotBytes(), expected.slotBytes());
    QCOMPARE(actual.spriteCountPolicy(), expected.spriteCountPolicy());
    QCOMPARE(actual.hiresClashResolution(), expected.hiresClashResolution());
    QCOMPARE(actual.colormap(), expected.colormap());
    const History &a = actual.history();
    const History &e = expected.history();
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
        for (int c = 0; c < en.changes.size(); ++c) {
            const HistoryChange &ac = an.changes.at(c);
            const HistoryChange &ec = en.changes.at(c);
            QCOMPARE(ac.type, ec.type);
            if (ec.type == HistoryChange::Type::RegionChange) {
                QCOMPARE(ac.rect, ec.rect);
                QCOMPARE(ac.before.pixels(), ec.before.pixels());
                QCOMPARE(ac.after.pixels(), ec.after.pixels());
            } else {
                QCOMPARE(ac.slot, ec.slot);
                QCOMPARE(ac.oldIndex, ec.oldIndex);
                QCOMPARE(ac.newIndex, ec.newIndex);
            }
        }
    }
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

} // namespace

class TestProjectFile : public QObject
{
    Q_OBJECT

private slots:
    void saveAndReloadGiveTheSameProject();
    void reloadedProjectUndoesToTheStart();
    void deflatedCropsAreWrittenBack();
    void blobEncodingChoice_data();
    void blobEncodingChoice();
    void rejectsMalformedFiles_data();
    void rejectsMalformedFiles();
    void acceptsTolerableFiles_data();
    void acceptsTolerableFiles();
    void version10Defaults();
    void previewReadsOnlyTheState();
    void previewPosition();
    void saveProgressAndCancel_data();
    void saveProgressAndCancel();
    void loadProgressAndCancel();
    void saveIntoMissingFolder();
    void failedWriteKeepsTheOldFile();
    void unreadableFile();

private:
    QTemporaryDir m_dir;
};

void TestProjectFile::saveAndReloadGiveTheSameProject()
{
    const Project project = richProject();
    const QString path = m_dir.filePath(QStringLiteral("rich.kvn"));
    const ProjectFileResult saved = saveProjectFile(project, path);
    QVERIFY2(saved.ok, qPrintable(saved.errorMessage));
    QVERIFY(!saved.cancelled);

    Project loaded;
    const ProjectFileResult result = loadProjectFile(path, loaded);
    QVERIFY2(result.ok, qPrintable(result.errorMessage));
    compareProjects(loaded, project);
    QVERIFY(!loaded.history().isModified());
    QCOMPARE(loaded.history().nodeCount(), 17);
    QCOMPARE(loaded.history().position(), 15);

    // Written again, the file is the same to the byte.
    const QString again = m_dir.filePath(QStringLiteral("rich-again.kvn"));
    QVERIFY(saveProjectFile(loaded, again).ok);
    QCOMPARE(readAll(again), readAll(path));
}

void TestProjectFile::reloadedProjectUndoesToTheStart()
{
    Project project = richProject();
    const QString path = m_dir.filePath(QStringLiteral("walk.kvn"));
    QVERIFY(saveProjectFile(project, path).ok);
    Project loaded;
    QVERIFY(loadProjectFile(path, loaded).ok);

    while (project.history().canUndo()) {
        QCOMPARE(loaded.history().undo(loaded), project.history().undo(project));
        QCOMPARE(loaded.colormap(), project.colormap());
        QCOMPARE(loaded.slotBytes(), project.slotBytes());
        QCOMPARE(loaded.layoutSpec(), project.layoutSpec());
    }
    QVERIFY(!loaded.history().canUndo());
    // Redoing forward to the saved position is the saved state again.
    for (int i = 0; i < 15; ++i) {
        QVERIFY(loaded.history().isModified());
        project.history().redo(project);
        loaded.history().redo(loaded);
        QCOMPARE(loaded.colormap(), project.colormap());
    }
    QVERIFY(!loaded.history().isModified());
    while (project.history().canRedo()) {
        project.history().redo(project);
        loaded.history().redo(loaded);
        QCOMPARE(loaded.colormap(), project.colormap());
        QCOMPARE(loaded.slotBytes(), project.slotBytes());
    }
    QVERIFY(loaded.history().isModified());
}

void TestProjectFile::deflatedCropsAreWrittenBack()
{
    // Crops stored without compression (level 0): the writer's own choice
    // would differ, so identical output proves they went back untouched.
    const QByteArray before(4, '\x01');
    const QByteArray after = QByteArray::fromHex("02030405");
    State state;
    state.records = 4;
    state.position = 1;
    const QByteArray original =
        file(state, node(4, 0, 0, 0, 2) + region(0, 0, 2, 2, zBlob(before, 0), zBlob(after, 0)) +
                        colorIndex(1, 0, 9));
    const QString path = m_dir.filePath(QStringLiteral("stored.kvn"));
    QVERIFY(writeAll(path, original));

    Project loaded;
    const ProjectFileResult result = loadProjectFile(path, loaded);
    QVERIFY2(result.ok, qPrintable(result.errorMessage));
    const HistoryChange &change = loaded.history().nodes().at(0).changes.at(0);
    QVERIFY(change.before.isDeflated());
    QVERIFY(change.after.isDeflated());
    QCOMPARE(change.after.pixels().bytes(), after);

    const QString resaved = m_dir.filePath(QStringLiteral("stored-again.kvn"));
    QVERIFY(saveProjectFile(loaded, resaved).ok);
    QCOMPARE(readAll(resaved), original);

    // Undo needs the pixels; they inflate to what was stored.
    loaded.history().undo(loaded);
    QCOMPARE(loaded.colormap().bytes(), before);
    QCOMPARE(loaded.slot(ColorSlot::Border), quint8(0));
}

void TestProjectFile::blobEncodingChoice_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("noisy");
    QTest::addColumn<int>("encoding");

    QTest::newRow("single pixel") << 1 << 1 << false << 0;
    QTest::newRow("flat screen") << 320 << 200 << false << 1;
    QTest::newRow("noise of four pixels") << 2 << 2 << true << 0;
}

void TestProjectFile::blobEncodingChoice()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(bool, noisy);
    QFETCH(int, encoding);

    Project project(CanvasMode::Hires, width, height);
    if (noisy) {
        for (int i = 0; i < width * height; ++i)
            project.colormap().setPixel(i % width, i / width, quint8(i * 7 % 16));
    }
    const QString path = m_dir.filePath(QStringLiteral("blob.kvn"));
    QVERIFY(saveProjectFile(project, path).ok);
    const QByteArray bytes = readAll(path);
    // Header 8, record header 6, state fields 25 + ten slots: the blob follows.
    const int blob = 8 + 6 + 35;
    QCOMPARE(int(quint8(bytes.at(blob))), encoding);
    const quint32 count = qFromLittleEndian<quint32>(bytes.constData() + blob + 1);
    QCOMPARE(qsizetype(blob + 5 + count), bytes.size());
    if (encoding == 0)
        QCOMPARE(bytes.mid(blob + 5), project.colormap().bytes());
    else
        QCOMPARE(qUncompress(bytes.mid(blob + 5)), project.colormap().bytes());
}

void TestProjectFile::rejectsMalformedFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("inState"); // the preview reads this far and fails alike

    const State ok;
    const QString signature = QStringLiteral("not an KORVEN project file (bad signature)");
    QTest::newRow("empty") << QByteArray() << signature << true;
    QTest::newRow("seven bytes") << header().left(7) << signature << true;
    for (int i = 0; i < 7; ++i) {
        QByteArray bytes = file(ok);
        bytes[i] = char(bytes.at(i) ^ 0x20);
        QTest::addRow("signature byte %d", i) << bytes << signature << true;
    }
    const auto gtk = [](int v) {
        return QStringLiteral("file version %1 was written by the GTK version of KORVEN and is "
                              "not supported")
            .arg(v);
    };
    const auto newer = [](int v) {
        return QStringLiteral("file version %1 is newer than this KORVEN understands (version 11)")
            .arg(v);
    };
    QTest::newRow("version 0") << file(ok, {}, 0) << gtk(0) << true;
    QTest::newRow("version 9") << file(ok, {}, 9) << gtk(9) << true;
    QTest::newRow("version 12") << file(ok, {}, 12) << newer(12) << true;
    QTest::newRow("version 200") << file(ok, {}, 200) << newer(200) << true;

    const QString headerEnd = QStringLiteral("unexpected end of file in a record header");
    QTest::newRow("no records") << header() << headerEnd << true;
    QTest::newRow("five header bytes") << header() + i32(20) + u8(1) << headerEnd << true;
    const auto size = [](qint64 s) {
        return QStringLiteral("record size %1 is out of range").arg(s);
    };
    QTest::newRow("record size 0") << header() + i32(0) + i16(1) << size(0) << true;
    QTest::newRow("record size 1") << header() + i32(1) + i16(1) << size(1) << true;
    QTest::newRow("record size negative") << header() + i32(-6) + i16(1) << size(-6) << true;
    QTest::newRow("record size too big")
        << header() + i32(0x10000001) + i16(1) << size(0x10000001) << true;
    QTest::newRow("record longer than the file")
        << header() + i32(0x10000000) + i16(1) + QByteArray(50, '\0')
        << QStringLiteral("unexpected end of file inside a record") << true;
    QTest::newRow("first record is a node")
        << header() + node(0, 0, 0, 0, 0)
        << QStringLiteral("the first record is not the project state") << true;

    const QString malformed = QStringLiteral("malformed project state record");
    QTest::newRow("empty state record") << header() + record(1, {}) << malformed << true;
    QTest::newRow("state without position")
        << header() + record(1, ok.payload().left(31)) << malformed << true;
    State s = ok;
    s.slotCount = 9;
    s.slotValues.chop(1);
    QTest::newRow("nine slots") << file(s) << malformed << true;
    s = ok;
    s.slotCount = 3;
    s.slotValues = s.slotValues.left(3);
    QTest::newRow("version 10 with three slots") << file(s, {}, 10) << malformed << true;

    const auto state = [](auto change) {
        State st;
        change(st);
        return file(st);
    };
    QTest::newRow("mode 2") << state([](State &st) { st.mode = 2; })
                            << QStringLiteral("unknown canvas mode 2") << true;
    QTest::newRow("mode before layout") << state([](State &st) {
        st.mode = 5;
        st.layout = 9;
    }) << QStringLiteral("unknown canvas mode 5")
                                        << true;
    QTest::newRow("layout 3") << state([](State &st) { st.layout = 3; })
                              << QStringLiteral("unknown canvas layout 3") << true;
    s = ok;
    s.layout = 2;
    s.slotCount = 4;
    s.slotValues = s.slotValues.left(4);
    QTest::newRow("version 10 with layout 2")
        << file(s, {}, 10) << QStringLiteral("unknown canvas layout 2") << true;
    for (int screens : {0, 9, -1}) {
        QTest::addRow("screens %d", screens)
            << state([screens](State &st) { st.screens = screens; })
            << QStringLiteral("screens-across %1 is out of range").arg(screens) << true;
    }
    QTest::newRow("screens before slots") << state([](State &st) {
        st.screens = 0;
        st.slotValues[0] = 30;
    }) << QStringLiteral("screens-across 0 is out of range")
                                          << true;
    QTest::newRow("clash resolution 3") << state([](State &st) { st.clash = 3; })
                                        << QStringLiteral("unknown clash resolution 3") << true;
    QTest::newRow("policy 2") << state([](State &st) { st.policy = 2; })
                              << QStringLiteral("unknown sprite count policy 2") << true;
    QTest::newRow("top alignment 2") << state([](State &st) { st.top = 2; })
                                     << QStringLiteral("malformed border alignment") << true;
    QTest::newRow("bottom alignment 255") << state([](State &st) { st.bottom = 255; })
                                          << QStringLiteral("malformed border alignment") << true;
    QTest::newRow("slot 7 is 16") << state([](State &st) { st.slotValues[7] = 16; })
                                  << QStringLiteral("color index 16 is out of range") << true;
    QTest::newRow("width 0") << state([](State &st) { st.width = 0; })
                             << QStringLiteral("canvas size 0 x 2 is out of range") << true;
    QTest::newRow("width 4097") << state([](State &st) { st.width = 4097; })
                                << QStringLiteral("canvas size 4097 x 2 is out of range") << true;
    QTest::newRow("height negative")
        << state([](State &st) { st.height = -3; })
        << QStringLiteral("canvas size 2 x -3 is out of range") << true;
    QTest::newRow("record count 0") << state([](State &st) { st.records = 0; })
                                    << QStringLiteral("record count is zero") << true;

    QTest::newRow("blob header cut") << state([](State &st) { st.blob = u8(0) + i16(4); })
                                     << QStringLiteral("malformed pixel blob header") << true;
    QTest::newRow("blob count too big")
        << state([](State &st) { st.blob = u8(0) + i32(0x10000001); })
        << QStringLiteral("malformed pixel blob header") << true;
    QTest::newRow("blob longer than record")
        << state([](State &st) { st.blob = u8(0) + i32(100) + QByteArray(4, '\0'); })
        << QStringLiteral("pixel blob declares 100 bytes, but 4 remain in the record") << true;
    QTest::newRow("raw blob of 3 bytes")
        << state([](State &st) { st.blob = rawBlob(QByteArray(3, '\0')); })
        << QStringLiteral("raw pixel blob holds 3 bytes, expected 4") << true;
    QTest::newRow("compressed blob of 4 bytes")
        << state([](State &st) { st.blob = u8(1) + i32(4) + QByteArray::fromHex("00000004"); })
        << QStringLiteral("compressed pixel blob declares 0 bytes, expected 4") << true;
    QTest::newRow("compressed blob of the wrong size")
        << state([](State &st) { st.blob = zBlob(QByteArray(6, '\0')); })
        << QStringLiteral("compressed pixel blob declares 6 bytes, expected 4") << true;
    QTest::newRow("blob encoding 2")
        << state([](State &st) { st.blob = u8(2) + i32(4) + QByteArray(4, '\0'); })
        << QStringLiteral("unknown pixel blob encoding 2") << true;
    QTest::newRow("corrupt canvas stream") << state([](State &st) {
        st.blob = u8(1) + i32(9) + QByteArray::fromHex("00000004") + QByteArray("junk!");
    }) << QStringLiteral("the canvas pixel data is corrupt")
                                           << true;

    // History records.
    const QByteArray px = rawBlob(QByteArray(4, '\x01'));
    const auto history = [](int records, const QByteArray &rest) {
        State st;
        st.records = records;
        return file(st, rest);
    };
    QTest::newRow("second state record")
        << history(2, record(1, ok.payload())) << QStringLiteral("duplicate project state record")
        << false;
    QTest::newRow("node before the previous one is complete")
        << history(4, node(0, 0, 0, 0, 2) + region(0, 0, 2, 2, px, px) + node(0, 0, 0, 0, 1))
        << QStringLiteral("a history node starts before the previous node's children are complete")
        << false;
    QTest::newRow("change before any node")
        << history(2, colorIndex(0, 0, 1)) << QStringLiteral("history change record outside a node")
        << false;
    QTest::newRow("change beyond the declared count")
        << history(4, node(1, 0, 0, 0, 1) + colorIndex(0, 0, 1) + colorIndex(1, 0, 1))
        << QStringLiteral("history change record outside a node") << false;
    QTest::newRow("short node record") << history(2, record(2, u8(0) + u8(0) + i32(0) + i32(0)))
                                       << QStringLiteral("malformed history node record") << false;
    QTest::newRow("node kind 16") << history(2, node(16, 0, 0, 0, 0))
                                  << QStringLiteral("unknown history entry kind 16") << false;
    QTest::newRow("node flag 2") << history(2, node(0, 2, 0, 0, 0))
                                 << QStringLiteral("malformed history node record") << false;
    const auto outside = [](int x, int y, int w, int h) {
        return QStringLiteral("region change rect (%1, %2) %3 x %4 lies outside the canvas")
            .arg(x)
            .arg(y)
            .arg(w)
            .arg(h);
    };
    QTest::newRow("region past the right edge")
        << history(3, node(0, 0, 0, 0, 1) + region(1, 0, 2, 2, px, px)) << outside(1, 0, 2, 2)
        << false;
    QTest::newRow("region past the bottom edge")
        << history(3, node(0, 0, 0, 0, 1) + region(0, 1, 2, 2, px, px)) << outside(0, 1, 2, 2)
        << false;
    QTest::newRow("region of width 0")
        << history(3, node(0, 0, 0, 0, 1) + region(0, 0, 0, 2, px, px)) << outside(0, 0, 0, 2)
        << false;
    QTest::newRow("region at negative x")
        << history(3, node(0, 0, 0, 0, 1) + region(-1, 0, 2, 2, px, px)) << outside(-1, 0, 2, 2)
        << false;
    QTest::newRow("region of negative height")
        << history(3, node(0, 0, 0, 0, 1) + region(0, 0, 1, -1, px, px)) << outside(0, 0, 1, -1)
        << false;
    QTest::newRow("short region record")
        << history(3, node(0, 0, 0, 0, 1) + record(3, i32(0) + i32(0) + i32(2)))
        << QStringLiteral("malformed region change record") << false;
    QTest::newRow("region with a short after crop")
        << history(3, node(0, 0, 0, 0, 1) + region(0, 0, 2, 2, px, rawBlob("abc")))
        << QStringLiteral("raw pixel blob holds 3 bytes, expected 4") << false;
    QTest::newRow("region without an after crop")
        << history(3, node(0, 0, 0, 0, 1) + region(0, 0, 2, 2, px, {}))
        << QStringLiteral("malformed pixel blob header") << false;
    QTest::newRow("short colour change")
        << history(3, node(1, 0, 0, 0, 1) + record(4, u8(0) + u8(1)))
        << QStringLiteral("malformed color index change record") << false;
    QTest::newRow("colour slot 10") << history(3, node(1, 0, 0, 0, 1) + colorIndex(10, 0, 1))
                                    << QStringLiteral("unknown color slot 10") << false;
    QTest::newRow("old colour 16") << history(3, node(1, 0, 0, 0, 1) + colorIndex(2, 16, 1))
                                   << QStringLiteral("color index change is out of range") << false;
    QTest::newRow("new colour 200")
        << history(3, node(1, 0, 0, 0, 1) + colorIndex(2, 1, 200))
        << QStringLiteral("color index change is out of range") << false;
    const QString badAlignment = QStringLiteral("malformed border alignment change record");
    QTest::newRow("alignment border 2")
        << history(3, node(9, 0, 0, 0, 1) + alignment(2, 0, 1)) << badAlignment << false;
    QTest::newRow("alignment value 2")
        << history(3, node(9, 0, 0, 0, 1) + alignment(0, 0, 2)) << badAlignment << false;
    QTest::newRow("short alignment change")
        << history(3, node(9, 0, 0, 0, 1) + record(5, u8(0))) << badAlignment << false;
    QTest::newRow("file ends inside a node")
        << history(3, node(0, 0, 0, 0, 2) + colorIndex(0, 0, 1))
        << QStringLiteral("the file ends inside a history node") << false;
    QTest::newRow("fewer records than declared")
        << history(3, node(1, 0, 0, 0, 1)) << headerEnd << false;
    QTest::newRow("trailing byte")
        << history(1, u8(0)) << QStringLiteral("trailing data after the last record") << false;
    QTest::newRow("trailing record")
        << history(3, node(1, 0, 0, 0, 1) + colorIndex(0, 0, 1) + colorIndex(0, 1, 2))
        << QStringLiteral("trailing data after the last record") << false;
}

void TestProjectFile::rejectsMalformedFiles()
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
    result = loadProjectFile(path, out);
    QCOMPARE(result.errorMessage, message);

    ProjectPreviewInfo info;
    QString error;
    const bool previewed = readProjectPreview(path, info, error);
    QCOMPARE(previewed, !inState);
    if (inState)
        QCOMPARE(error, message);
}

void TestProjectFile::acceptsTolerableFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("nodes");
    QTest::addColumn<int>("position");
    QTest::addColumn<QByteArray>("slotBytes");

    const QByteArray defaults("\x00\x00\x04\x0a\x00\x04\x0a\x00\x04\x0a", 10);
    const QByteArray px = rawBlob(QByteArray(4, '\x01'));
    State s;
    s.records = 2;
    QTest::newRow("empty record of an unknown kind")
        << file(s, record(9, {})) << 0 << 0 << defaults;
    s.records = 1;
    s.slotCount = 12;
    s.slotValues = QByteArray::fromHex("0102030405060708090a0f0f");
    QTest::newRow("twelve slots") << file(s) << 0 << 0 << s.slotValues.left(10);
    s = State();
    s.records = 4;
    s.position = 2;
    QTest::newRow("node without changes is dropped")
        << file(s, node(0, 0, 0, 0, 0) + node(1, 0, 0, 0, 1) + colorIndex(3, 10, 5)) << 1 << 1
        << defaults;
    s.records = 5;
    s.position = 1;
    QTest::newRow("unknown kind 7 counts as a change")
        << file(s,
                node(1, 0, 0, 0, 2) + record(7, "xyz") + colorIndex(3, 10, 5) + node(0, 1, 1, 1, 0))
        << 1 << 1 << defaults;
    s.records = 5;
    s.position = 40;
    QTest::newRow("position beyond the nodes")
        << file(s, node(0, 1, 1, 1, 1) + region(0, 0, 2, 2, px, px) + node(4, 0, 0, 0, 1) +
                       region(0, 0, 1, 1, rawBlob("\x01"), zBlob("\x02")))
        << 2 << 2 << defaults;
    s.position = -7;
    QTest::newRow("negative position")
        << file(s, node(0, 1, 1, 1, 1) + region(0, 0, 2, 2, px, px) + node(4, 0, 0, 0, 1) +
                       region(1, 1, 1, 1, rawBlob("\x01"), zBlob("\x02")))
        << 2 << 0 << defaults;
}

void TestProjectFile::acceptsTolerableFiles()
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
    for (const HistoryNode &node : out.history().nodes())
        QVERIFY(!node.changes.isEmpty());
}

void TestProjectFile::version10Defaults()
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
    QCOMPARE(out.layout(), CanvasLayout::SideBorderSprites);
    QCOMPARE(out.hiresClashResolution(), HiresClashResolution::PreserveMostUsed);
    QCOMPARE(out.spriteCountPolicy(), SpriteCountPolicy::Flag);
    QCOMPARE(out.layoutSpec().topAlignment, BorderAlignment::Left);
    QCOMPARE(out.layoutSpec().bottomAlignment, BorderAlignment::Left);
    const std::array<quint8, ColorSlotCount> slotBytes{6, 14, 2, 7, 0, 4, 10, 0, 4, 10};
    QCOMPARE(out.slotBytes(), slotBytes);
    QCOMPARE(out.colormap().bytes(), QByteArray::fromHex("010203"));
}

void TestProjectFile::previewReadsOnlyTheState()
{
    // Anything after the state record, even garbage, is no business of the preview.
    State s;
    s.mode = 1;
    s.layout = 2;
    s.screens = 1;
    s.top = 1;
    s.policy = 0;
    s.records = 1000;
    s.position = 3;
    s.width = 4;
    s.height = 1;
    s.blob = zBlob(QByteArray::fromHex("0f0e0d0c"));
    const QString path = m_dir.filePath(QStringLiteral("preview.kvn"));
    QVERIFY(writeAll(path, file(s, QByteArray(100, '\xff'))));

    ProjectPreviewInfo info;
    QString error;
    QVERIFY2(readProjectPreview(path, info, error), qPrintable(error));
    QCOMPARE(info.version, 11);
    QCOMPARE(info.mode, CanvasMode::Multicolor);
    QCOMPARE(info.layout.layout, CanvasLayout::TopBottomBorderSprites);
    QCOMPARE(info.layout.topAlignment, BorderAlignment::Right);
    QCOMPARE(info.spriteCountPolicy, SpriteCountPolicy::Enforce);
    QCOMPARE(info.recordCount, 1000);
    QCOMPARE(info.position, 3);
    QCOMPARE(info.colormap.size(), QSize(4, 1));
    QCOMPARE(info.colormap.bytes(), QByteArray::fromHex("0f0e0d0c"));
    Project out;
    QCOMPARE(loadProjectFile(path, out).errorMessage,
             QStringLiteral("record size -1 is out of range"));
}

void TestProjectFile::previewPosition()
{
    Project project(CanvasMode::Hires, 16, 16);
    for (quint8 i = 0; i < 5; ++i)
        paint(project, QRect(i, 0, 1, 1), quint8(i + 1));
    project.history().undo(project);
    project.history().undo(project);
    project.history().undo(project);
    const QString path = m_dir.filePath(QStringLiteral("five.kvn"));
    QVERIFY(saveProjectFile(project, path).ok);
    ProjectPreviewInfo info;
    QString error;
    QVERIFY(readProjectPreview(path, info, error));
    QCOMPARE(info.position, 2);
    QCOMPARE(info.recordCount, 11);
    QCOMPARE(info.colormap, project.colormap());
}

void TestProjectFile::saveProgressAndCancel_data()
{
    QTest::addColumn<int>("cancelAt"); // -1: never

    QTest::newRow("never") << -1;
    QTest::newRow("before writing") << 0;
    QTest::newRow("after the state") << 1;
    QTest::newRow("in the middle") << 4;
    QTest::newRow("at the last record") << 8;
}

void TestProjectFile::saveProgressAndCancel()
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
    const ProjectFileResult result = saveProjectFile(project, path, [&](qint64 done, qint64 total) {
        if (total != 8)
            return false;
        calls.append(done);
        return done != cancelAt;
    });
    if (cancelAt < 0) {
        QVERIFY(result.ok);
        QCOMPARE(calls, (QList<qint64>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
        Project loaded;
        QVERIFY(loadProjectFile(path, loaded).ok);
        compareProjects(loaded, project);
    } else {
        QVERIFY(!result.ok);
        QVERIFY(result.cancelled);
        QCOMPARE(calls.last(), qint64(cancelAt));
        QCOMPARE(readAll(path), QByteArray("the previous save"));
    }
}

void TestProjectFile::loadProgressAndCancel()
{
    const QString path = m_dir.filePath(QStringLiteral("load-progress.kvn"));
    QVERIFY(saveProjectFile(richProject(), path).ok);
    QList<qint64> calls;
    qint64 seenTotal = 0;
    Project out;
    QVERIFY(loadProjectFile(path, out, [&](qint64 done, qint64 total) {
                calls.append(done);
                seenTotal = total;
                return true;
            }).ok);
    // 17 nodes, 18 changes and the state record.
    QCOMPARE(seenTotal, qint64(36));
    QCOMPARE(calls.size(), 36);
    for (int i = 0; i < calls.size(); ++i)
        QCOMPARE(calls.at(i), qint64(i + 1));

    Project untouched(CanvasMode::Hires, 5, 5);
    const ProjectFileResult cancelled =
        loadProjectFile(path, untouched, [](qint64 done, qint64) { return done < 20; });
    QVERIFY(cancelled.cancelled);
    QVERIFY(!cancelled.ok);
    QCOMPARE(untouched.size(), QSize(5, 5));
    QCOMPARE(untouched.history().nodeCount(), 0);
}

void TestProjectFile::saveIntoMissingFolder()
{
    const QString missing = m_dir.filePath(QStringLiteral("no-such-folder/x.kvn"));
    const ProjectFileResult result = saveProjectFile(Project(), missing);
    QVERIFY(!result.ok);
    QVERIFY(!result.cancelled);
    QVERIFY2(result.errorMessage.startsWith(QStringLiteral("cannot write %1: ").arg(missing)),
             qPrintable(result.errorMessage));
    QVERIFY(result.errorMessage.size() > QStringLiteral("cannot write %1: ").arg(missing).size());
}

void TestProjectFile::failedWriteKeepsTheOldFile()
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

    QVERIFY(!result.ok);
    QVERIFY(!result.cancelled);
    QVERIFY2(result.errorMessage.startsWith(QStringLiteral("writing failed: ")),
             qPrintable(result.errorMessage));
    QCOMPARE(readAll(path), QByteArray("the previous save"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("full.kvn")});
}

void TestProjectFile::unreadableFile()
{
    const QString missing = m_dir.filePath(QStringLiteral("missing.kvn"));
    Project out;
    const ProjectFileResult result = loadProjectFile(missing, out);
    QVERIFY(!result.ok);
    QVERIFY(result.errorMessage.startsWith(QStringLiteral("cannot read %1: ").arg(missing)));
    ProjectPreviewInfo info;
    QString error;
    QVERIFY(!readProjectPreview(missing, info, error));
    QCOMPARE(error, result.errorMessage);
}

QTEST_GUILESS_MAIN(TestProjectFile)
#include "tst_projectfile.moc"
