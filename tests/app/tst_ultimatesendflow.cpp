// Export to PRG from the main window, and to the Ultimate Device against the stand-in
// device on the loopback interface: what arrives at the device, the outcome
// in the status bar or a warning box, the refusals before anything is sent,
// and a send cancelled while the device holds the upload, with the window
// taking no input meanwhile.

#include "windowtesthelpers.h"

#include "../canvas/canvastesthelpers.h"
#include "../common/paintrows.h"
#include "../common/wholefiles.h"

#include "app/liveultimateflow.h"
#include "app/prgexportflow.h"
#include "app/ultimatesendflow.h"
#include "exchange/exomizercall.h"
#include "exchange/liveimage.h"
#include "exchange/livesession.h"
#include "exchange/prgbuilder.h"
#include "rules/clashrules.h"

#include "c64machine.h"
#include "standindevice.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QProgressDialog>
#include <QRandomGenerator>

using namespace Qt::StringLiterals;

namespace
{

const QByteArray VersionPath = QByteArrayLiteral("/v1/version");
const QByteArray RunPath = QByteArrayLiteral("/v1/runners:run_prg");

QString beside()
{
    return QCoreApplication::applicationDirPath() + u"/exomizer.exe"_s;
}

// The cruncher is beside this test only while a test wants it there.
bool placeCruncher(bool present)
{
    QFile::remove(beside());
    return !present || QFile::copy(QStringLiteral(KORVEN_EXOMIZER), beside());
}

// The program the device should get: built and crunched here, apart from the flow.
QByteArray crunched(const Project &project)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"expected.prg"_s);
    const QStringList arguments =
        ExomizerCall::arguments(path, PrgBuilder::startAddress(project.layout()));
    return writeBytes(path, PrgBuilder::buildPrg(project)) &&
                   QProcess::execute(QStringLiteral(KORVEN_EXOMIZER), arguments) == 0
               ? readBytes(path)
               : QByteArray();
}

// On a hires canvas with top and bottom border sprites: a pixel in each of
// `columns` unit columns of the top border, or, for a negative count, that
// many colours in one bitmap cell.
void paintColumns(Project &project, int columns)
{
    for (int c = 0; c < qAbs(columns); ++c)
        project.colormap().setPixel(columns < 0 ? c : 24 * c + 5, columns < 0 ? 50 : 10,
                                    quint8(c + 1));
}

class AnsweredFlow : public PrgExportFlow
{
public:
    using PrgExportFlow::PrgExportFlow;
    QString answer;

protected:
    QString choosePath(const QString &) override { return answer; }
};

void setDevice(const QString &host, double timeoutSeconds)
{
    QSettings settings;
    settings.setValue(QLatin1String(UltimateSendFlow::HostKey), host);
    settings.setValue(QLatin1String(UltimateSendFlow::TimeoutKey), timeoutSeconds);
}

// A listening stand-in that the settings name, the cruncher beside the test or not.
struct Device : StandInDevice {
    explicit Device(double timeout = 10, bool cruncher = true)
    {
        QVERIFY(placeCruncher(cruncher) && start());
        setDevice(host(), timeout);
    }
};

const QByteArray WritePath = QByteArrayLiteral("/v1/machine:writemem");

// The bytes a memory write carries, in its URL or as its body.
int payload(const StandInDevice::Request &request)
{
    const qsizetype data = request.path.indexOf("&data=");
    return data < 0 ? int(request.body.size()) : int(request.path.size() - data - 6) / 2;
}

// A window whose live mode starts writing as soon as the program runs.
struct LiveWindow : TestWindow {
    explicit LiveWindow(const char *preset)
    {
        resize(900, 700);
        show();
        QMetaObject::invokeMethod(this, preset);
        findChild<LiveUltimateFlow *>()->setSettleMs(0);
    }
    QAction *live() { return findChild<QAction *>(u"liveOnUltimate"_s); }
    // A send that fails says so in a box, which must never hang the test.
    BoxAnswerer answerer{QMessageBox::Ok};
    LiveSession *session() { return findChild<LiveUltimateFlow *>()->session(); }
    // A pen stroke of `segments` steps between random canvas pixels.
    void scrawl(QRandomGenerator &dice, int segments, const QRect &within)
    {
        QList<QPoint> path;
        QPoint p(within.left() + dice.bounded(within.width()),
                 within.top() + dice.bounded(within.height()));
        for (int i = 0; i <= segments; ++i) {
            path << p;
            p = QPoint(qBound(within.left(), p.x() + dice.bounded(-6, 7), within.right()),
                       qBound(within.top(), p.y() + dice.bounded(-6, 7), within.bottom()));
        }
        canvas()->paintSettings().setPenIndex(quint8(dice.bounded(16)));
        stroke(canvas(), path);
    }
};

// The box at the end of a row of windowrows.txt, its title and text parted
// by | and its line breaks written \n.
QString boxOf(const QStringList &row, int from)
{
    return row.mid(from).join(u'|').replace(u"\\n"_s, u"\n"_s);
}

void send(MainWindow &window)
{
    entry(window, "sendToUltimate")->trigger();
}

// A few pixels so the program is not all background.
void scribble(MainWindow &window)
{
    Colormap &colormap = window.project().colormap();
    for (int i = 0; i < 40; ++i)
        colormap.setPixel(8 * i % colormap.width(), 3 * i % colormap.height(), 1);
}

} // namespace

class TestUltimateSendFlow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QCoreApplication::setOrganizationName(u"korvensoft-test"_s); }
    void init() { freshSettings(); }
    void cleanupTestCase() { QFile::remove(beside()); }

    // The entry follows the PRG export's gate: one C64 screen exactly.
    void gatedLikePrgExport()
    {
        TestWindow window;
        QAction *prg = window.findChild<QAction *>(u"exportPrg"_s);
        for (const char *preset :
             {"newHiresCanvas", "newMulticolorTopBottomSpritesCanvas", "newDualHiresCanvas",
              "newMulticolorSpritesCanvas", "newDualMulticolorCanvas"}) {
            QVERIFY(QMetaObject::invokeMethod(&window, preset));
            const bool single = !QByteArray(preset).contains("Dual");
            QCOMPARE(entry(window, "sendToUltimate")->isEnabled(), single);
            QCOMPARE(prg->isEnabled(), single);
        }
    }

    void sent_data() { addTextRows("app/windowrows.txt", "sent"); }
    void sent()
    {
        QFETCH(QStringList, row);
        const QString &preset = row[0], box = boxOf(row, 2);
        const bool cruncher = row[1] == u"yes"_s;
        Device device(10, cruncher);
        TestWindow window;
        QVERIFY(QMetaObject::invokeMethod(&window, preset.toLatin1().constData()));
        scribble(window);
        const bool modified = window.isWindowModified();
        const int nodes = window.project().history().nodeCount();
        const QByteArray expected =
            cruncher ? crunched(window.project())
                     : PrgBuilder::withBasicStart(PrgBuilder::buildPrg(window.project()));
        QVERIFY(!expected.isEmpty());
        QCOMPARE(boxesDuring(QMessageBox::Ok, [&] { send(window); }).value(0),
                 box.isEmpty() ? box : box.arg(QDir::toNativeSeparators(beside())));
        QCOMPARE(statusText(window), u"Sent to the Ultimate device at %1."_s.arg(device.host()));
        QCOMPARE(device.requests().size(), 2);
        QCOMPARE(device.requests().at(1).body, expected);
        QCOMPARE(window.isWindowModified(), modified);
        QCOMPARE(window.project().history().nodeCount(), nodes);
        QVERIFY(!window.isFileTaskBusy());
    }

    // A failed send says why in a warning box and leaves the status bar
    // alone; the host and the timeout are read again at the next send.
    void failed_data() { addTextRows("app/windowrows.txt", "failures"); }
    void failed()
    {
        QFETCH(QStringList, row);
        const auto answer = [](const QString &field) {
            return field == u"stall"_s ? StandInDevice::stall()
                                       : StandInDevice::reply(field.toInt());
        };
        const QByteArray password = row[4].toLatin1();
        const QString &reason = row[5];
        Device good, device(row[2].toDouble());
        device.setAnswer(VersionPath, answer(row[0]));
        device.setAnswer(RunPath, answer(row[1]));
        device.setPassword(password);
        const QString host = device.host();
        TestWindow window;
        {
            BoxAnswerer answerer(QMessageBox::Ok);
            send(window);
            QCOMPARE(answerer.texts,
                     QStringList(u"KORVEN|Could not send to the Ultimate device at %1.\n%2"_s.arg(
                         host, reason)));
            QCOMPARE(answerer.looks.constFirst().first, QMessageBox::Warning);
        }
        QCOMPARE(device.requestCount(RunPath), row[3].toInt());
        QCOMPARE(statusText(window), FirstStart::hint());
        QVERIFY(!window.isFileTaskBusy());

        setDevice(good.host(), 10);
        // Once the setting holds the device's password, both requests carry it.
        good.setPassword(password);
        QSettings().setValue(QLatin1String(UltimateSendFlow::PasswordKey),
                             QString::fromLatin1(password));
        send(window);
        QCOMPARE(good.requestCount(RunPath), 1);
        QCOMPARE(statusText(window), u"Sent to the Ultimate device at %1."_s.arg(good.host()));
    }

    // Refused before anything is built or sent: clashes the user will not
    // resolve, and a border over its sprite budget.
    void refusedBeforeSending_data() { addTextRows("app/windowrows.txt", "refused"); }
    void refusedBeforeSending()
    {
        QFETCH(QStringList, row);
        const int columns = row[0].toInt();
        const QString status = hintOr(row[1]);
        const QString box = boxOf(row, 2);
        Device device;
        TestWindow window;
        QVERIFY(QMetaObject::invokeMethod(&window, "newHiresTopBottomSpritesCanvas"));
        paintColumns(window.project(), columns);
        const QStringList texts = boxesDuring(QMessageBox::Cancel, [&] { send(window); });
        QCOMPARE(texts.size(), 1);
        QCOMPARE(texts.constFirst().left(box.size()), box);
        QCOMPARE(statusText(window), status);
        QVERIFY(device.requests().isEmpty());
        QCOMPARE(window.project().history().nodeCount(), 0);
        QVERIFY(!window.isFileTaskBusy());
    }

    // While the device holds the upload, the window ignores keys and clicks;
    // the dialog's Cancel, Esc or close still end the send, quietly.
    void cancelledDuringUpload_data() { addTextRows("app/windowrows.txt", "cancelled send"); }
    void cancelledDuringUpload()
    {
        QFETCH(QStringList, row);
        const QString how = row[0];
        Device device(60);
        device.setAnswer(RunPath, StandInDevice::stall());
        TestWindow window;
        QVERIFY(shownAndExposed(window));
        CanvasArea *canvas = window.canvas();
        canvas->paintSettings().setPenIndex(7);
        const QPoint at = canvas->viewTransform().toWidget(QPointF(100.5, 60.5)).toPoint();
        const QPointF offset = canvas->viewTransform().offset();

        bool acted = false;
        QTimer user;
        connect(&user, &QTimer::timeout, this, [&] {
            auto *dialog = window.findChild<QProgressDialog *>();
            if (acted || !dialog || !dialog->isVisible() || device.requestCount(RunPath) == 0)
                return;
            acted = true;
            QVERIFY(window.isFileTaskBusy());
            QCOMPARE(dialog->labelText(),
                     u"Sending to the Ultimate device at %1..."_s.arg(device.host()));
            QCOMPARE(dialog->windowModality(), Qt::ApplicationModal);
            // The artist tries to pan and to paint; neither may reach the canvas.
            QTest::keyClick(canvas, Qt::Key_Left);
            QTest::mouseClick(canvas, Qt::LeftButton, Qt::NoModifier, at);
            if (how == u"Cancel button"_s)
                QTest::mouseClick(dialog->findChild<QPushButton *>(), Qt::LeftButton);
            else if (how == u"Esc"_s)
                QTest::keyClick(dialog, Qt::Key_Escape);
            else
                dialog->close();
        });
        user.start(10);
        BoxAnswerer answerer(QMessageBox::Ok);
        send(window);
        user.stop();

        QVERIFY(acted);
        QCOMPARE(answerer.texts, QStringList());
        QCOMPARE(statusText(window), u"Send to the Ultimate device cancelled."_s);
        QCOMPARE(canvas->viewTransform().offset(), offset);
        QCOMPARE(window.project().colormap().pixel(100, 60), quint8(0));
        QCOMPARE(window.project().history().nodeCount(), 0);
        QCOMPARE(device.requestCount(RunPath), 1);
        QVERIFY(!window.isFileTaskBusy());

        // Afterwards the window takes input again.
        QTest::mouseClick(canvas, Qt::LeftButton, Qt::NoModifier, at);
        QCOMPARE(window.project().colormap().pixel(100, 60), quint8(7));
    }

    // Live mode on a C64 behind the stand-in: after seeded strokes, undos,
    // redos, whole-canvas edits and slot changes, the machine holds over the
    // program's data what a fresh run of the canvas sets up. A stroke
    // travels in a few writes, and nothing leaves once live mode is off.
    void liveMirrorsEdits_data() { addTextRows("app/windowrows.txt", "live"); }
    void liveMirrorsEdits()
    {
        QFETCH(QStringList, row);
        const QString &preset = row[0];
        Device device(30);
        device.setRunsPrograms(true);
        LiveWindow window(preset.toLatin1().constData());
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.live()->trigger();
        QVERIFY(window.live()->isChecked() && device.programIdles());
        QCOMPARE(statusText(window), u"Live on the Ultimate device at %1."_s.arg(device.host()));
        // Requests leave one interval apart at the least, 25 a second at most.
        QElapsedTimer clock;
        clock.start();
        QList<qint64> leaving;
        connect(window.session(), &LiveSession::requestSent, this,
                [&] { leaving << clock.nsecsElapsed(); });
        const QRect canvasRect = window.project().colormap().rect();
        QRandomGenerator dice(qHash(preset));
        for (int step = 0; step < 16; ++step) {
            const char *actions[] = {"undo", "redo", "colorSwap", "flipHorizontally", "undo"};
            const int what = dice.bounded(8);
            if (what < 3) {
                window.scrawl(dice, 4 + dice.bounded(20), canvasRect);
            } else if (what < 7) {
                window.findChild<QAction *>(QLatin1String(actions[what - 3 + step % 2]))->trigger();
            } else {
                // Slots outside the border backgrounds, which would change the budget.
                const ColorSlot choices[] = {ColorSlot::Background, ColorSlot::Border,
                                             ColorSlot::SpriteMulticolor1,
                                             ColorSlot::TopMulticolor0};
                window.project().setSlot(choices[dice.bounded(4)], quint8(dice.bounded(16)));
            }
            QTRY_VERIFY(window.session() && window.session()->isSettled());
        }

        const QByteArray prg = PrgBuilder::buildPrg(window.project());
        const int load = PrgBuilder::startAddress(window.project().layout());
        C64Machine fresh;
        fresh.loadPrg(prg);
        fresh.cpu.pc = uint16_t(load);
        const KorvenAsmProgram &program =
            PrgBuilder::displayProgram(window.project().mode(), window.project().layout());
        QVERIFY(fresh.runUntil(uint16_t(program.address("forever")), 40'000'000));
        fresh.runFrames(2);
        const C64Machine &machine = *device.machine();
        QCOMPARE(machine.memory(load, int(prg.size()) - 2),
                 fresh.memory(load, int(prg.size()) - 2));
        for (int copy : load == 0x1e00 ? QList<int>{0x0400} : QList<int>{0x7400, 0x7800})
            QCOMPARE(machine.memory(copy, 1000), fresh.memory(copy, 1000));
        QCOMPARE(machine.colorRamBytes(), fresh.colorRamBytes());

        // One long stroke inside the bitmap, the pointer's events handled as
        // they come: its writes are few and carry little beyond the change.
        const LiveImage before = LiveImage::fromProject(window.project());
        const qsizetype sent = device.requests().size();
        CanvasArea *canvas = window.canvas();
        press(canvas, at(canvas, QPoint(20, 100)));
        for (int i = 0; i <= 120; ++i) {
            move(canvas, at(canvas, QPoint(20 + i, 100 + (i % 20))));
            QCoreApplication::processEvents();
        }
        release(canvas, at(canvas, QPoint(140, 100))); // the last point: 120 % 20 is 0
        QTRY_VERIFY(window.session()->isSettled());
        const QList<LiveImage::Block> least =
            before.writesTo(LiveImage::fromProject(window.project()), LiveSession::MergeGap);
        int leastBytes = 0, bytes = 0;
        for (const LiveImage::Block &block : least)
            leastBytes += int(block.bytes.size());
        for (qsizetype i = sent; i < device.requests().size(); ++i)
            bytes += payload(device.requests().at(i));
        const qsizetype requests = device.requests().size() - sent;
        QVERIFY2(requests >= 1 && requests <= 3 * least.size() + 2,
                 qPrintable(u"%1 requests"_s.arg(requests)));
        QVERIFY2(bytes <= 3 * leastBytes,
                 qPrintable(u"%1 bytes, %2 least"_s.arg(bytes).arg(leastBytes)));

        for (qsizetype i = 1; i < leaving.size(); ++i)
            QVERIFY(leaving[i] - leaving[i - 1] >= (LiveSession::IntervalMs - 1) * 1000000LL);
        window.live()->trigger();
        QCOMPARE(statusText(window), u"Live on the Ultimate device ended."_s);
        const qsizetype after = device.requests().size();
        window.scrawl(dice, 30, canvasRect);
        QTest::qWait(4 * LiveSession::IntervalMs);
        QCOMPARE(device.requests().size(), after);
    }

    // A device that refuses, stalls or wants a password ends live mode with
    // the reason; the stroke stays in the history, nothing more is sent, and
    // going live again sends the program afresh.
    void liveFailures_data() { addTextRows("app/windowrows.txt", "live failures"); }
    void liveFailures()
    {
        QFETCH(QStringList, row);
        const QString &how = row[0], &reason = row[2];
        Device device(row[1].toDouble());
        LiveWindow window("newHiresCanvas");
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.live()->trigger();
        QVERIFY(window.live()->isChecked());
        if (how == u"password"_s)
            device.setPassword("secret");
        else
            device.setAnswer(WritePath, how == u"stall"_s ? StandInDevice::stall()
                                                          : StandInDevice::reply(500));
        const int nodes = window.project().history().nodeCount();
        QRandomGenerator dice(5);
        window.scrawl(dice, 10, QRect(40, 40, 100, 100));
        QTRY_VERIFY(!window.live()->isChecked());
        QCOMPARE(statusText(window), u"Live on the Ultimate device stopped: %1"_s.arg(reason));
        QVERIFY(!window.session());
        QCOMPARE(window.project().history().nodeCount(), nodes + 1);
        const qsizetype count = device.requests().size();
        window.scrawl(dice, 10, QRect(40, 40, 100, 100));
        QTest::qWait(4 * LiveSession::IntervalMs);
        QCOMPARE(device.requests().size(), count);

        device.setPassword({});
        device.setAnswer(WritePath, StandInDevice::reply(200));
        setDevice(device.host(), 10);
        window.live()->trigger();
        QVERIFY(window.live()->isChecked());
        QCOMPARE(device.requestCount(RunPath), 2);
        window.live()->trigger();
    }

    // Export to PRG: the budget refusal, the export with and without the
    // cruncher beside the program, and the SYS hint.
    void exportPrg_data() { addTextRows("app/windowrows.txt", "prg"); }
    void exportPrg()
    {
        QFETCH(QStringList, row);
        const bool cruncher = row[0] == u"yes"_s;
        const int columns = row[1].toInt();
        const QString box = boxOf(row, 2);
        QVERIFY(placeCruncher(cruncher));
        TestWindow window;
        window.project() =
            Project(CanvasMode::Hires, -1, -1, {CanvasLayout::TopBottomBorderSprites});
        paintColumns(window.project(), columns);
        QTemporaryDir dir;
        AnsweredFlow flow(&window);
        flow.answer = dir.filePath(u"x.prg"_s);
        QCOMPARE(boxesDuring(QMessageBox::Ok, [&] { flow.run(); }).join(u'\n'),
                 box.arg(QDir::toNativeSeparators(beside())));
        // The entry the refusal names is there, under that menu.
        const QAction *reduce = window.findChild<QAction *>(u"reduceBorders"_s);
        QVERIFY(box.contains(u"Options -> Border Sprites -> "_s + reduce->text()) || columns <= 8);
        QFile::remove(beside());
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
        QVERIFY(placeCruncher(false));
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

QTEST_MAIN(TestUltimateSendFlow)
#include "tst_ultimatesendflow.moc"
