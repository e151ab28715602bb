// The Ultimate device client over real loopback sockets against the stand-in
// device: the clamped timeout, the two requests as the device sees them,
// every outcome's words, and cancelling a request the device never answers.

#include "exchange/ultimateclient.h"

#include "standindevice.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTest>
#include <cmath>
#include <limits>

namespace
{

const QByteArray VersionPath = QByteArrayLiteral("/v1/version");
const QByteArray RunPath = QByteArrayLiteral("/v1/runners:run_prg");

// A port on 127.0.0.1 that nobody listens on any more.
quint16 closedPort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress(QHostAddress::LocalHost), 0))
        return 0;
    const quint16 port = server.serverPort();
    server.close();
    return port;
}

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
    void transferTimeout_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<int>("milliseconds");
        QTest::newRow("zero") << 0.0 << 100;
        QTest::newRow("negative") << -3.0 << 100;
        QTest::newRow("just below the floor") << 0.099 << 100;
        QTest::newRow("floor") << 0.1 << 100;
        QTest::newRow("just above the floor") << 0.15 << 150;
        QTest::newRow("default") << 2.5 << 2500;
        QTest::newRow("ceiling") << 60.0 << 60000;
        QTest::newRow("just above the ceiling") << 60.001 << 60000;
        QTest::newRow("hundred") << 100.0 << 60000;
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 100;
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << 60000;
    }
    void transferTimeout()
    {
        QFETCH(double, seconds);
        QFETCH(int, milliseconds);
        QCOMPARE(UltimateClient::transferTimeoutMs(seconds), milliseconds);
    }
    // Inside the range the value is kept to the millisecond; the result never
    // leaves 100..60000 and never falls as the setting rises.
    void transferTimeoutProperties()
    {
        QRandomGenerator random(4404);
        QList<double> values;
        for (int i = 0; i < 2000; ++i)
            values << random.generateDouble() * 80.0 - 10.0;
        std::sort(values.begin(), values.end());
        int previous = 0;
        for (const double seconds : values) {
            const int ms = UltimateClient::transferTimeoutMs(seconds);
            QVERIFY2(ms >= 100 && ms <= 60000, qPrintable(QString::number(seconds)));
            QVERIFY(ms >= previous);
            previous = ms;
            if (seconds >= 0.1 && seconds <= 60.0)
                QVERIFY2(std::abs(ms - seconds * 1000.0) <= 0.5,
                         qPrintable(QString::number(seconds)));
        }
    }
    void deviceUrl()
    {
        const QUrl url = UltimateClient::deviceUrl(QStringLiteral("c64.local:6464"),
                                                   QString::fromLatin1(RunPath));
        QCOMPARE(url.scheme(), QStringLiteral("http"));
        QCOMPARE(url.host(), QStringLiteral("c64.local"));
        QCOMPARE(url.port(), 6464);
        QCOMPARE(url.path(), QString::fromLatin1(RunPath));
        QCOMPARE(UltimateClient::deviceUrl(QStringLiteral("192.168.0.64"),
                                           QString::fromLatin1(VersionPath))
                     .toString(),
                 QStringLiteral("http://192.168.0.64/v1/version"));
    }

    // What the device sees: a plain GET for the check, and for the run a
    // POST carrying the program untouched as an octet stream.
    void requestsAsTheDeviceSeesThem()
    {
        StandInDevice device;
        QVERIFY(device.start());
        QString error;
        QVERIFY(UltimateClient::checkDevice(device.host(), 10, &error));
        const QByteArray program = randomBytes(64, 4099) + QByteArray(3, '\0');
        QVERIFY(UltimateClient::runPrg(program, device.host(), 10, &error, [] { return false; }));
        QCOMPARE(error, QString());
        QCOMPARE(device.requests().size(), 2);

        const StandInDevice::Request &check = device.requests().at(0);
        QCOMPARE(check.method, QByteArray("GET"));
        QCOMPARE(check.path, VersionPath);
        QCOMPARE(check.header("Host"), device.host().toLatin1());
        QCOMPARE(check.headerCount("Content-Type"), 0);
        QCOMPARE(check.body, QByteArray());

        const StandInDevice::Request &run = device.requests().at(1);
        QCOMPARE(run.method, QByteArray("POST"));
        QCOMPARE(run.path, RunPath);
        QCOMPARE(run.headerCount("Content-Type"), 1);
        QCOMPARE(run.header("Content-Type"), QByteArray("application/octet-stream"));
        QCOMPARE(run.header("Content-Length"), QByteArray::number(program.size()));
        QCOMPARE(run.body, program);
    }

    void outcomes_data()
    {
        using D = StandInDevice;
        QTest::addColumn<bool>("run"); // runPrg, else checkDevice
        QTest::addColumn<int>("behaviour");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("withCancelCheck");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("error");
        const auto row = [](const char *name, bool run, D::Answer answer, bool cancelCheck, bool ok,
                            const QString &error) {
            QTest::newRow(name) << run << int(answer.behaviour) << answer.status << cancelCheck
                                << ok << error;
        };
        row("check answered", false, D::reply(200), false, true, {});
        row("check answered, polled", false, D::reply(200), true, true, {});
        row("run answered 201", true, D::reply(201), false, true, {});
        row("check 404", false, D::reply(404), false, false,
            "Device reported an error (HTTP 404).");
        row("check 400", false, D::reply(400), true, false, "Device reported an error (HTTP 400).");
        row("run 500", true, D::reply(500), true, false, "Device reported an error (HTTP 500).");
        row("check closed", false, D::close(), false, false, "Could not connect to device.");
        row("run closed", true, D::close(), true, false, "Could not connect to device.");
    }
    void outcomes()
    {
        QFETCH(bool, run);
        QFETCH(int, behaviour);
        QFETCH(int, status);
        QFETCH(bool, withCancelCheck);
        QFETCH(bool, ok);
        QFETCH(QString, error);
        StandInDevice device;
        QVERIFY(device.start());
        device.setAnswer(run ? RunPath : VersionPath,
                         {StandInDevice::Behaviour(behaviour), status, 0});
        QString got = QStringLiteral("untouched");
        int polls = 0;
        UltimateClient::CancelCheck cancelCheck;
        if (withCancelCheck)
            cancelCheck = [&polls] { return ++polls < 0; };
        const bool result = run ? UltimateClient::runPrg(QByteArray("\x01\x08", 2), device.host(),
                                                         10, &got, cancelCheck)
                                : UltimateClient::checkDevice(device.host(), 10, &got, cancelCheck);
        QCOMPARE(result, ok);
        QCOMPARE(ok ? QString() : got, error);
        QVERIFY(device.requestCount(run ? RunPath : VersionPath) >= 1);
        QCOMPARE(device.requestCount(run ? VersionPath : RunPath), 0);
    }

    void refusedPort()
    {
        const quint16 port = closedPort();
        QVERIFY(port != 0);
        QString error;
        QVERIFY(!UltimateClient::checkDevice(QStringLiteral("127.0.0.1:%1").arg(port), 10, &error,
                                             watchdog(20000)));
        QCOMPARE(error, QStringLiteral("Could not connect to device."));
    }

    // A device that never answers is given up after the clamped timeout: 0
    // and a negative value both mean a tenth of a second, far below the
    // watchdog's patience.
    void stallTimesOut_data()
    {
        QTest::addColumn<bool>("run");
        QTest::addColumn<double>("seconds");
        QTest::newRow("check, 0 s") << false << 0.0;
        QTest::newRow("run, 0 s") << true << 0.0;
        QTest::newRow("check, -1 s") << false << -1.0;
    }
    void stallTimesOut()
    {
        QFETCH(bool, run);
        QFETCH(double, seconds);
        StandInDevice device;
        QVERIFY(device.start());
        device.setAnswer(run ? RunPath : VersionPath, StandInDevice::stall());
        QString error;
        const UltimateClient::CancelCheck patience = watchdog(5000);
        QVERIFY(run ? !UltimateClient::runPrg(randomBytes(7, 600), device.host(), seconds, &error,
                                              patience)
                    : !UltimateClient::checkDevice(device.host(), seconds, &error, patience));
        QCOMPARE(error, QStringLiteral("Timeout connecting to device."));
        QCOMPARE(device.requestCount(run ? RunPath : VersionPath), 1);
    }

    // Cancelling a request the device holds on to ends it at the next poll.
    void cancelWhileStalled_data()
    {
        QTest::addColumn<bool>("run");
        QTest::newRow("check") << false;
        QTest::newRow("run") << true;
    }
    void cancelWhileStalled()
    {
        QFETCH(bool, run);
        StandInDevice device;
        QVERIFY(device.start());
        const QByteArray path = run ? RunPath : VersionPath;
        device.setAnswer(path, StandInDevice::stall());
        const QByteArray program = randomBytes(11, 2000);
        int pollsAfterArrival = 0;
        // The user presses Cancel once the device has the whole request.
        const auto cancelCheck = [&] {
            if (device.requestCount(path) == 0)
                return false;
            ++pollsAfterArrival;
            return true;
        };
        QString error;
        QVERIFY(run ? !UltimateClient::runPrg(program, device.host(), 60, &error, cancelCheck)
                    : !UltimateClient::checkDevice(device.host(), 60, &error, cancelCheck));
        QCOMPARE(error, QStringLiteral("Cancelled."));
        QCOMPARE(pollsAfterArrival, 1);
        QCOMPARE(device.requests().constLast().body, run ? program : QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestUltimateClient)
#include "tst_ultimateclient.moc"
