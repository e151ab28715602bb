#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <utility>

class QTcpServer;
class QTcpSocket;

// A pretend Ultimate device: an HTTP server on 127.0.0.1 that notes every
// request it gets and answers each path the way the test told it to. It
// never listens on, or talks to, anything outside the loopback interface.
class StandInDevice : public QObject
{
    Q_OBJECT

public:
    struct Request {
        QByteArray method;
        QByteArray path;
        // In the order sent, names as sent.
        QList<std::pair<QByteArray, QByteArray>> headers;
        QByteArray body;

        // The value of the header `name` (any case); empty when not sent.
        QByteArray header(const QByteArray &name) const;
        int headerCount(const QByteArray &name) const;
    };

    enum class Behaviour {
        Reply, // an HTTP answer with `status`, after `delayMs`
        Stall, // read the request, never answer
        Close  // read the request, then close the connection unanswered
    };

    struct Answer {
        Behaviour behaviour = Behaviour::Reply;
        int status = 200;
        int delayMs = 0;
    };

    static Answer reply(int status, int delayMs = 0) { return {Behaviour::Reply, status, delayMs}; }
    static Answer stall() { return {Behaviour::Stall, 0, 0}; }
    static Answer close() { return {Behaviour::Close, 0, 0}; }
    // A loopback address with a port nobody listens on any more.
    static QString refusingHost();

    explicit StandInDevice(QObject *parent = nullptr);
    ~StandInDevice() override;

    // Listens on 127.0.0.1 at a port the system chooses; false when it cannot.
    bool start();
    quint16 port() const;
    // What the client's host setting would read: "127.0.0.1:port".
    QString host() const;

    // How requests for `path` are answered from now on; paths never set
    // get 200.
    void setAnswer(const QByteArray &path, const Answer &answer);

    const QList<Request> &requests() const { return m_requests; }
    int requestCount(const QByteArray &path) const;

signals:
    // A whole request has arrived and has been noted as requests()[index].
    void requestReceived(int index);

private:
    void acceptConnections();
    void readFrom(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const Answer &answer);

    QTcpServer *m_server;
    QHash<QByteArray, Answer> m_answers;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    QList<Request> m_requests;
};
