// The Ultimate device client over real loopback sockets against the stand-in
// device: the clamped timeout, the two requests as the device sees them,
// every outcome's words, and cancelling a request the device never answers.

#include "../common/paintrows.h"

#include "exchange/ultimateclient.h"

#include "standindevice.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <limits>

namespace
{

const QByteArray VersionPath = QByteArrayLiteral("/v1/version");
const QByteArray RunPath = QByteArrayLiteral("/v1/runners:run_prg");

QByteArray randomBytes(quint32 seed, int size)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &byte : bytes)
        byte = char(random.bounded(256));
    return bytes;
}

// Gives up on a request that should have ended long before; a broken
// timeout then shows as "Cancelled." instead of a hang.
UltimateClient::CancelCheck watchdog(int milliseconds)
{
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    return [clock, milliseconds] { return clock->elapsed() > milliseconds; };
}

} // namespace

class TestUltimateClient : public QObject
{
    Q_OBJECT

private slots:
    // Inside the range the value is kept to the millisecond; the result never
    // leaves 100..60000 and never falls as the setting rises.
    void transferTimeout()
    {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double infinity = std::numeric_limits<double>::infinity();
        const std::pair<double, int> edges[] = {{0.0, 100},       {-3.0, 100},     {0.099, 100},
                                                {100.0, 60000},   {60.001, 60000}, {nan, 100},
                                                {infinity, 60000}};
        for (const auto &[seconds, ms] : edges)
            QCOMPARE(UltimateClient::transferTimeoutMs(seconds), ms);
        QRandomGenerator random(4404);
        QList<double> values = {0.1, 60.0};
        for (int i = 0; i < 2000; ++i)
            values << random.generateDouble() * 80.0 - 10.0;
        std::sort(values.begin(), values.end());
        int previous = 0;
        for (const double seconds : values) {
            const int ms = UltimateClient::transferTimeoutMs(seconds);
            QVERIFY2(
                ms >= 100 && ms <= 60000 && ms >= previous &&
                    (seconds < 0.1 || seconds > 60.0 || std::abs(ms - seconds * 1000.0) <= 0.5),
                qPrintable(QString::number(seconds)));
            previous = ms;
        }
    }

    // What the device sees at its address: a plain GET for the check, and
    // for the run a POST carrying the program untouched as an octet stream.
    void requestsAsTheDeviceSeesThem()
    {
        StandInDevice device;
        QVERIFY(device.start());
        QString error;
        QVERIFY(UltimateClient::checkDevice(device.host(), 10, &error));
        const QByteArray program = randomBytes(64, 4099) + QByteArray(3, '\0');
        QVERIFY(UltimateClient::runPrg(program, device.host(), 10, &error, [] { return false; }));
        QVERIFY(error.isEmpty() && device.requests().size() == 2);
        const StandInDevice::Request &check = device.requests().at(0),
                                     &run = device.requests().at(1);
        QCOMPARE((QByteArrayList{check.method, check.path, check.header("Host"), check.body}),
                 (QByteArrayList{"GET", VersionPath, device.host().toLatin1(), {}}));
        QCOMPARE((QByteArrayList{run.method, run.path, run.header("Content-Type"),
                                 run.header("Content-Length"), run.body}),
                 (QByteArrayList{"POST", RunPath, "application/octet-stream",
                                 QByteArray::number(program.size()), program}));
        QCOMPARE((QList<int>{check.headerCount("Content-Type"), run.headerCount("Content-Type")}),
                 (QList<int>{0, 1}));
    }

    // A device with a network password turns away every request without it,
    // and takes each one that carries it.
    void password()
    {
        StandInDevice device;
        QVERIFY(device.start());
        const QString secret = QStringLiteral("pa:ss w\u00f6rd");
        device.setPassword(secret.toUtf8());
        const QByteArray program = randomBytes(7, 300);
        const QString refused = QStringLiteral("The device wants its network password (HTTP 403).");
        QString error;
        QVERIFY(!UltimateClient::checkDevice(device.host(), 10, &error));
        QCOMPARE(error, refused);
        QCOMPARE(device.requests().constLast().headerCount("X-Password"), 0);
        QVERIFY(
            !UltimateClient::runPrg(program, device.host(), 10, &error, {}, QStringLiteral("x")));
        QCOMPARE(error, refused);
        QVERIFY(UltimateClient::checkDevice(device.host(), 10, &error, {}, secret));
        QVERIFY(UltimateClient::runPrg(program, device.host(), 10, &error, {}, secret));
        QCOMPARE(device.requests().size(), 4);
        QCOMPARE(device.requests().constLast().header("X-Password"), secret.toUtf8());
    }

    // Seeded writes of every length land in the machine's memory whole,
    // short ones as hex in a PUT, long ones as a POST body.
    void writeMemory()
    {
        StandInDevice device;
        QVERIFY(device.start());
        QNetworkAccessManager manager;
        QRandomGenerator random(3737);
        QByteArray expected(0xd000, '\0');
        for (int i = 0; i < 40; ++i) {
            const int length = 1 + random.bounded(i % 2 ? 600 : UltimateClient::MaxUrlWriteBytes);
            // Past the processor port at 0 and 1.
            const int address = 2 + random.bounded(0xd000 - 2 - length);
            const QByteArray bytes = randomBytes(quint32(i), length);
            expected.replace(address, length, bytes);
            QNetworkReply *reply =
                UltimateClient::startWriteMemory(manager, device.host(), address, bytes, 10, {});
            QEventLoop loop;
            connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
            if (!reply->isFinished())
                loop.exec();
            QCOMPARE(UltimateClient::replyError(reply), QString());
            reply->deleteLater();
            const StandInDevice::Request &got = device.requests().constLast();
            QCOMPARE(got.method,
                     length <= UltimateClient::MaxUrlWriteBytes ? QByteArray("PUT") : "POST");
            QVERIFY(got.path.startsWith(
                "/v1/machine:writemem?address=" +
                QByteArray::number(address, 16).toUpper().rightJustified(4, '0')));
        }
        QCOMPARE(device.readMemory(2, 0xd000 - 2), expected.mid(2));
    }

    // Every outcome's words; a behaviour of -1 is a port nobody listens on.
    void outcomes_data() { addTextRows("exchange/ultimateclient.txt", "outcome"); }
    void outcomes()
    {
        QFETCH(QStringList, row);
        const bool run = row[0] == u'1', withCancelCheck = row[3] == u'1';
        const int behaviour = row[1].toInt(), status = row[2].toInt();
        const QString &error = row[4];
        StandInDevice device;
        QVERIFY(device.start());
        const bool refused = behaviour < 0;
        if (!refused)
            device.setAnswer(run ? RunPath : VersionPath,
                             {StandInDevice::Behaviour(behaviour), status, 0});
        const QString host = refused ? StandInDevice::refusingHost() : device.host();
        QString got = QStringLiteral("untouched");
        const UltimateClient::CancelCheck cancelCheck =
            withCancelCheck ? watchdog(20000) : UltimateClient::CancelCheck();
        const bool result =
            run ? UltimateClient::runPrg(QByteArray("\x01\x08", 2), host, 10, &got, cancelCheck)
                : UltimateClient::checkDevice(host, 10, &got, cancelCheck);
        QCOMPARE(result, error.isEmpty());
        QCOMPARE(result ? QString() : got, error);
        QCOMPARE(device.requestCount(run ? RunPath : VersionPath) > 0, !refused);
        QCOMPARE(device.requestCount(run ? VersionPath : RunPath), 0);
    }

    // A device that never answers is given up after the clamped timeout (0
    // and a negative value both mean a tenth of a second, far below the
    // watchdog's patience), or at the first poll after the user cancels
    // once the device has the whole request.
    void stalled_data() { addTextRows("exchange/ultimateclient.txt", "stall"); }
    void stalled()
    {
        QFETCH(QStringList, row);
        const bool run = row[0] == u'1';
        const double seconds = row[1].toDouble();
        const QString &error = row[2];
        StandInDevice device;
        QVERIFY(device.start());
        const QByteArray path = run ? RunPath : VersionPath;
        device.setAnswer(path, StandInDevice::stall());
        const QByteArray program = randomBytes(11, 2000);
        const bool cancels = seconds > 1;
        int pollsAfterArrival = 0;
        const UltimateClient::CancelCheck patience = watchdog(5000);
        const auto cancelCheck = [&] {
            if (!cancels)
                return patience();
            if (device.requestCount(path) == 0)
                return false;
            ++pollsAfterArrival;
            return true;
        };
        QString got;
        QVERIFY(run ? !UltimateClient::runPrg(program, device.host(), seconds, &got, cancelCheck)
                    : !UltimateClient::checkDevice(device.host(), seconds, &got, cancelCheck));
        QCOMPARE(got, error);
        QCOMPARE(pollsAfterArrival, cancels ? 1 : 0);
        QCOMPARE(device.requestCount(path), 1);
        QCOMPARE(device.requests().constLast().body, run ? program : QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestUltimateClient)
#include "tst_ultimateclient.moc"
