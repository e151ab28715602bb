#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <memory>
#include <utility>

class C64Machine;
class QTcpServer;
class QTcpSocket;

// A pretend Ultimate device: an HTTP server on 127.0.0.1 that notes every
// request it gets and answers each path the way the test told it to. It
// never listens on, or talks to, anything outside the loopback interface.
//
// Behind it sits a C64 on the project's 6502: a program sent to run_prg is
// loaded and run until its main loop idles (a JMP to itself), as the real
// machine would unpack and set it up; writemem and readmem then act on that
// machine's memory, and each write lets it run one more frame. Running
// programs is switched on by the tests that want it.
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
    // From now on every request without this X-Password is answered 403;
    // empty lets every request in.
    void setPassword(const QByteArray &password) { m_password = password; }

    // Whether run_prg runs the program on the machine; off, it is only noted.
    void setRunsPrograms(bool runs) { m_runsPrograms = runs; }
    // The machine the last program runs on; null before the first run_prg.
    C64Machine *machine() const { return m_machine.get(); }
    // Whether the last program reached its idle loop.
    bool programIdles() const { return m_idles; }
    // Writes and reads through the machine's bus, as the device's DMA does.
    void writeMemory(int address, const QByteArray &bytes);
    QByteArray readMemory(int address, int length) const;
    // Loads `prg` on a freshly reset machine and runs it until it idles;
    // a BASIC line's SYS gives the start of a program loaded at $0801.
    bool runProgram(const QByteArray &prg);

    // How long a program may run before it counts as never idling.
    static constexpr qint64 MaxRunCycles = 60'000'000;

    const QList<Request> &requests() const { return m_requests; }
    int requestCount(const QByteArray &path) const;

signals:
    // A whole request has arrived and has been noted as requests()[index].
    void requestReceived(int index);

private:
    void acceptConnections();
    void readFrom(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const Answer &answer, const QByteArray &body = {});
    // The machine's part of a request: false when it is not a well-formed
    // memory or run request, which the device answers with 400.
    bool serveMachine(const Request &request, QByteArray *body);

    QTcpServer *m_server;
    QByteArray m_password;
    std::unique_ptr<C64Machine> m_machine;
    bool m_idles = false;
    bool m_runsPrograms = false;
    QHash<QByteArray, Answer> m_answers;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    QList<Request> m_requests;
};
