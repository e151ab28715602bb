#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

class QNetworkReply;
class QNetworkRequest;

// Talks to an Ultimate 64 or a 1541 Ultimate over its REST interface: a
// reachability check, the upload that loads and starts a program, and the
// writes into the running machine's memory. The blocking calls wait in a
// nested event loop on the calling (GUI) thread. A device with a network
// password wants it with every request.
class UltimateClient
{
    Q_DECLARE_TR_FUNCTIONS(UltimateClient)

public:
    // True when the user has cancelled; polled while a request is under way.
    using CancelCheck = std::function<bool()>;

    // The one request primitive: POST `body` as a program upload, or GET
    // without one. True for an HTTP status below 400; otherwise false with
    // the reason in `error`.
    static bool deviceRequest(const QUrl &url, const std::optional<QByteArray> &body,
                              double timeoutSeconds, QString *error,
                              const CancelCheck &cancelCheck = {}, const QString &password = {});
    // GET /v1/version: is there a device at `host`?
    static bool checkDevice(const QString &host, double timeoutSeconds, QString *error,
                            const CancelCheck &cancelCheck = {}, const QString &password = {});
    // POST /v1/runners:run_prg: the device loads and starts `bytes`.
    static bool runPrg(const QByteArray &bytes, const QString &host, double timeoutSeconds,
                       QString *error, const CancelCheck &cancelCheck = {},
                       const QString &password = {});

    // A request to the device: the transfer timeout, and the password in an
    // X-Password header unless it is empty.
    static QNetworkRequest request(const QUrl &url, double timeoutSeconds, const QString &password);
    // Starts writing `bytes` into the C64's memory from `address` without
    // waiting: a few bytes go as hex in the URL of a PUT, more as the body
    // of a POST. The reply belongs to `manager`.
    static QNetworkReply *startWriteMemory(class QNetworkAccessManager &manager,
                                           const QString &host, int address,
                                           const QByteArray &bytes, double timeoutSeconds,
                                           const QString &password);
    // A finished reply's outcome: empty for an HTTP status below 400, else
    // the words the user is shown.
    static QString replyError(QNetworkReply *reply);

    // Longest write that goes in the URL as hex.
    static constexpr int MaxUrlWriteBytes = 64;

    // The timeout of each request in milliseconds, held to 0.1 .. 60 seconds.
    static int transferTimeoutMs(double timeoutSeconds);
    // "http://host/path", the host being the authority as the user typed it.
    static QUrl deviceUrl(const QString &host, const QString &path);

    static constexpr int CancelPollMs = 50;
    static constexpr int MinimumTimeoutMs = 100;
    static constexpr int MaximumTimeoutMs = 60000;
};
