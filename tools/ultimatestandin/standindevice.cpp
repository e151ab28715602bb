#include "standindevice.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace
{

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

} // namespace

QByteArray StandInDevice::Request::header(const QByteArray &name) const
{
    for (const auto &[key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

int StandInDevice::Request::headerCount(const QByteArray &name) const
{
    int count = 0;
    for (const auto &header : headers)
        count += header.first.compare(name, Qt::CaseInsensitive) == 0 ? 1 : 0;
    return count;
}

StandInDevice::StandInDevice(QObject *parent) : QObject(parent), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &StandInDevice::acceptConnections);
}

StandInDevice::~StandInDevice() = default;

bool StandInDevice::start()
{
    return m_server->listen(QHostAddress(QHostAddress::LocalHost), 0);
}

quint16 StandInDevice::port() const
{
    return m_server->serverPort();
}

QString StandInDevice::host() const
{
    return QStringLiteral("127.0.0.1:%1").arg(port());
}

void StandInDevice::setAnswer(const QByteArray &path, const Answer &answer)
{
    m_answers.insert(path, answer);
}

int StandInDevice::requestCount(const QByteArray &path) const
{
    int count = 0;
    for (const Request &request : m_requests)
        count += request.path == path ? 1 : 0;
    return count;
}

void StandInDevice::acceptConnections()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        // Listening on 127.0.0.1 already keeps others out; this is the belt
        // to those braces.
        if (!socket->peerAddress().isLoopback()) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        m_buffers.insert(socket, {});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            socket->deleteLater();
        });
    }
}

void StandInDevice::readFrom(QTcpSocket *socket)
{
    QByteArray &buffer = m_buffers[socket];
    buffer += socket->readAll();
    for (;;) {
        const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
        const QList<QByteArray> requestLine = lines.constFirst().trimmed().split(' ');
        if (requestLine.size() < 2) {
            socket->abort();
            return;
        }
        Request request;
        request.method = requestLine.at(0);
        request.path = requestLine.at(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines.at(i).trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0)
                continue;
            request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
        }
        const qsizetype length = request.header("Content-Length").toLongLong();
        const qsizetype total = headerEnd + 4 + length;
        if (buffer.size() < total)
            return; // the rest of the body is still on its way
        request.body = buffer.mid(headerEnd + 4, length);
        buffer.remove(0, total);
        m_requests.append(request);
        const Answer how = m_answers.value(request.path, reply(200));
        emit requestReceived(int(m_requests.size() - 1));
        answer(socket, how);
        if (how.behaviour != Behaviour::Reply)
            return;
    }
}

void StandInDevice::answer(QTcpSocket *socket, const Answer &answer)
{
    switch (answer.behaviour) {
    case Behaviour::Stall:
        return;
    case Behaviour::Close:
        m_buffers.remove(socket);
        socket->disconnectFromHost();
        return;
    case Behaviour::Reply:
        break;
    }
    const int status = answer.status;
    QTimer::singleShot(answer.delayMs, socket, [socket, status] {
        const QByteArray body = status < 400 ? QByteArrayLiteral("{\"errors\":[]}")
                                             : QByteArrayLiteral("{\"errors\":[\"refused\"]}");
        socket->write("HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) +
                      "\r\nContent-Type: application/json\r\nContent-Length: " +
                      QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        socket->disconnectFromHost();
    });
}

QString StandInDevice::refusingHost()
{
    QTcpServer server;
    if (!server.listen(QHostAddress(QHostAddress::LocalHost), 0))
        return QStringLiteral("127.0.0.1:0");
    const quint16 port = server.serverPort();
    server.close();
    return QStringLiteral("127.0.0.1:%1").arg(port);
}
