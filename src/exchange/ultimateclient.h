#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

// Talks to an Ultimate 64 or a 1541 Ultimate over its REST interface: a
// reachability check and the upload that loads and starts a program. Every
// request waits in a nested event loop on the calling (GUI) thread.
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
                              const CancelCheck &cancelCheck = {});
    // GET /v1/version: is there a device at `host`?
    static bool checkDevice(const QString &host, double timeoutSeconds, QString *error,
                            const CancelCheck &cancelCheck = {});
    // POST /v1/runners:run_prg: the device loads and starts `bytes`.
    static bool runPrg(const QByteArray &bytes, const QString &host, double timeoutSeconds,
                       QString *error, const CancelCheck &cancelCheck = {});

    // The timeout of each request in milliseconds, held to 0.1 .. 60 seconds.
    static int transferTimeoutMs(double timeoutSeconds);
    // "http://host/path", the host being the authority as the user typed it.
    static QUrl deviceUrl(const QString &host, const QString &path);

    static constexpr int CancelPollMs = 50;
    static constexpr int MinimumTimeoutMs = 100;
    static constexpr int MaximumTimeoutMs = 60000;
};
