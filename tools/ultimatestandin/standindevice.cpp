#include "standindevice.h"

#include "c64machine.h"

#include <QHostAddress>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrlQuery>

namespace
{

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
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

void StandInDevice::writeMemory(int address, const QByteArray &bytes)
{
    if (!m_machine)
        m_machine = std::make_unique<C64Machine>();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        m_machine->write(uint16_t(address + i), uint8_t(bytes.at(i)));
}

QByteArray StandInDevice::readMemory(int address, int length) const
{
    QByteArray bytes;
    for (int i = 0; i < length; ++i)
        bytes.append(m_machine ? char(m_machine->read(uint16_t(address + i))) : '\0');
    return bytes;
}

bool StandInDevice::runProgram(const QByteArray &prg)
{
    m_machine = std::make_unique<C64Machine>();
    m_idles = false;
    int start = m_machine->loadPrg(prg);
    if (start < 0)
        return false;
    if (start == 0x0801) {
        const QRegularExpressionMatch sys = QRegularExpression(QStringLiteral("\\x9e\\s*(\\d+)"))
                                                .match(QString::fromLatin1(prg.left(64)));
        if (sys.hasMatch())
            start = sys.captured(1).toInt();
    }
    C64Machine &machine = *m_machine;
    machine.cpu.pc = uint16_t(start);
    const qint64 end = machine.cycles() + MaxRunCycles;
    while (machine.cycles() < end && !machine.cpu.jammed) {
        const uint16_t pc = machine.cpu.pc;
        if (machine.ram[pc] == 0x4c && machine.ram[uint16_t(pc + 1)] == (pc & 0xff) &&
            machine.ram[uint16_t(pc + 2)] == pc >> 8) {
            m_idles = true;
            // Let the raster interrupts set up a whole frame.
            machine.runFrames(2);
            return true;
        }
        machine.cpu.step();
    }
    return false;
}

bool StandInDevice::serveMachine(const Request &request, QByteArray *body)
{
    const QUrl url(QString::fromLatin1(request.path));
    const QString path = url.path();
    if (path == QLatin1String("/v1/runners:run_prg")) {
        // The device answers once the program is loaded, idle or not.
        if (request.method != "POST")
            return false;
        if (m_runsPrograms)
            runProgram(request.body);
        return true;
    }
    const bool reads = path == QLatin1String("/v1/machine:readmem");
    if (!reads && path != QLatin1String("/v1/machine:writemem"))
        return true;
    const QUrlQuery query(url);
    bool ok = false;
    const int address = query.queryItemValue(QStringLiteral("address")).toInt(&ok, 16);
    if (!ok || address < 0 || address > 0xffff)
        return false;
    if (reads) {
        const int length = query.queryItemValue(QStringLiteral("length")).toInt(&ok);
        if (request.method != "GET" || !ok || length < 1 || address + length > 0x10000)
            return false;
        *body = readMemory(address, length);
        return true;
    }
    QByteArray data;
    if (request.method == "PUT") {
        const QString hex = query.queryItemValue(QStringLiteral("data"));
        if (hex.isEmpty() || hex.size() % 2 ||
            !QRegularExpression(QStringLiteral("^[0-9A-Fa-f]+$")).match(hex).hasMatch())
            return false;
        data = QByteArray::fromHex(hex.toLatin1());
    } else if (request.method == "POST" &&
               request.header("Content-Type") == "application/octet-stream") {
        data = request.body;
    } else {
        return false;
    }
    if (data.isEmpty() || address + data.size() > 0x10000)
        return false;
    writeMemory(address, data);
    if (m_machine && m_idles)
        m_machine->runFrames(1);
    return true;
}

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
        const QByteArray path = request.path.split('?').constFirst();
        Answer how = m_answers.value(path, reply(200));
        QByteArray body;
        if (!m_password.isEmpty() && request.header("X-Password") != m_password)
            how = reply(403);
        else if (how.behaviour == Behaviour::Reply && how.status < 400 &&
                 !serveMachine(request, &body))
            how = reply(400);
        emit requestReceived(int(m_requests.size() - 1));
        answer(socket, how, body);
        if (how.behaviour != Behaviour::Reply)
            return;
    }
}

void StandInDevice::answer(QTcpSocket *socket, const Answer &answer, const QByteArray &data)
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
    QTimer::singleShot(answer.delayMs, socket, [socket, status, data] {
        const bool binary = !data.isEmpty();
        const QByteArray body = binary         ? data
                                : status < 400 ? QByteArrayLiteral("{\"errors\":[]}")
                                               : QByteArrayLiteral("{\"errors\":[\"refused\"]}");
        const QByteArray type = binary ? "application/octet-stream" : "application/json";
        socket->write("HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) +
                      "\r\nContent-Type: " + type + "\r\nContent-Length: " +
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
