#include "ultimateclient.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace
{

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

} // namespace

int UltimateClient::transferTimeoutMs(double timeoutSeconds)
{
    // Not-a-number compares false both ways and would slip through; treat it
    // like a value below the range.
    if (!(timeoutSeconds >= MinimumTimeoutMs / 1000.0))
        return MinimumTimeoutMs;
    if (timeoutSeconds > MaximumTimeoutMs / 1000.0)
        return MaximumTimeoutMs;
    return qRound(timeoutSeconds * 1000.0);
}

QUrl UltimateClient::deviceUrl(const QString &host, const QString &path)
{
    return QUrl(QStringLiteral("http://%1%2").arg(host, path));
}

QNetworkRequest UltimateClient::request(const QUrl &url, double timeoutSeconds,
                                        const QString &password)
{
    QNetworkRequest request(url);
    // Bounds every wait for data, the connection's included.
    request.setTransferTimeout(transferTimeoutMs(timeoutSeconds));
    if (!password.isEmpty())
        request.setRawHeader(QByteArrayLiteral("X-Password"), password.toUtf8());
    return request;
}

QString UltimateClient::replyError(QNetworkReply *reply)
{
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid()) {
        const int code = status.toInt();
        if (code < 400)
            return {};
        if (code == 403)
            return tr("The device wants its network password (HTTP 403).");
        return tr("Device reported an error (HTTP %1).").arg(code);
    }
    // An expired transfer timeout aborts the reply, which reads as cancelled.
    const QNetworkReply::NetworkError failure = reply->error();
    if (failure == QNetworkReply::TimeoutError || failure == QNetworkReply::OperationCanceledError)
        return tr("Timeout connecting to device.");
    return tr("Could not connect to device.");
}

QNetworkReply *UltimateClient::startWriteMemory(QNetworkAccessManager &manager, const QString &host,
                                                int address, const QByteArray &bytes,
                                                double timeoutSeconds, const QString &password)
{
    const QString where =
        QStringLiteral("/v1/machine:writemem?address=") +
        QString::number(address & 0xffff, 16).toUpper().rightJustified(4, QLatin1Char('0'));
    if (bytes.size() <= MaxUrlWriteBytes) {
        const QUrl url = deviceUrl(host, where + QStringLiteral("&data=") +
                                             QString::fromLatin1(bytes.toHex().toUpper()));
        return manager.put(request(url, timeoutSeconds, password), QByteArray());
    }
    QNetworkRequest post = request(deviceUrl(host, where), timeoutSeconds, password);
    post.setHeader(QNetworkRequest::ContentTypeHeader,
                   QByteArrayLiteral("application/octet-stream"));
    return manager.post(post, bytes);
}

bool UltimateClient::deviceRequest(const QUrl &url, const std::optional<QByteArray> &body,
                                   double timeoutSeconds, QString *error,
                                   const CancelCheck &cancelCheck, const QString &password)
{
    QNetworkAccessManager manager;
    // The device sits on the local network; a proxy configured for the web
    // would only stand in its way.
    manager.setProxy(QNetworkProxy::NoProxy);
    QNetworkRequest request = UltimateClient::request(url, timeoutSeconds, password);
    QNetworkReply *reply = nullptr;
    if (body) {
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QByteArrayLiteral("application/octet-stream"));
        reply = manager.post(request, *body);
    } else {
        reply = manager.get(request);
    }

    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    bool cancelled = false;
    QTimer poll;
    if (cancelCheck) {
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (cancelled || !cancelCheck())
                return;
            cancelled = true;
            reply->abort();
            loop.quit();
        });
        poll.start(CancelPollMs);
    }
    if (!reply->isFinished()) {
        // Only a cancel check gives the user something to press; without
        // one the user's input waits until the request is over.
        loop.exec(cancelCheck ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    }
    poll.stop();
    reply->deleteLater();

    if (cancelled) {
        setError(error, tr("Cancelled."));
        return false;
    }
    const QString failure = replyError(reply);
    if (failure.isEmpty())
        return true;
    setError(error, failure);
    return false;
}

bool UltimateClient::checkDevice(const QString &host, double timeoutSeconds, QString *error,
                                 const CancelCheck &cancelCheck, const QString &password)
{
    return deviceRequest(deviceUrl(host, QStringLiteral("/v1/version")), std::nullopt,
                         timeoutSeconds, error, cancelCheck, password);
}

bool UltimateClient::runPrg(const QByteArray &bytes, const QString &host, double timeoutSeconds,
                            QString *error, const CancelCheck &cancelCheck, const QString &password)
{
    return deviceRequest(deviceUrl(host, QStringLiteral("/v1/runners:run_prg")), bytes,
                         timeoutSeconds, error, cancelCheck, password);
}
