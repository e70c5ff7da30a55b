#pragma once

#include <QHash>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>

// A small HTTP/1.1 server on 127.0.0.1 (a free port) for tests and
// benchmarks: it answers each GET by its path from a table of answers, in the
// thread that created it, and closes the connection after each answer.
class LocalWebServer
{
public:
    struct Answer
    {
        int status = 200;
        QByteArray contentType = "text/html";
        QByteArray body;
        // Extra header lines ("Location: /x").
        QByteArrayList headers;
        // Sends this many bytes of filler page in pieces as the client takes
        // them, without a length, instead of `body`.
        qint64 streamBytes = 0;
        // Takes the request and never answers.
        bool silent = false;
    };

    LocalWebServer()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                serve(socket);
        });
    }

    bool isListening() const { return m_server.isListening(); }
    void answer(const QByteArray &path, const Answer &answer) { m_answers.insert(path, answer); }
    QString address(const QByteArray &path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(QString::fromLatin1(path));
    }
    // Filler bytes sent so far by streamed answers.
    qint64 streamed() const { return *m_streamed; }

private:
    void serve(QTcpSocket *socket)
    {
        auto request = std::make_shared<QByteArray>();
        // Answers go out at once, not held back for the client's
        // acknowledgement (40 ms each on loopback otherwise).
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
            if (request->endsWith("\r\n\r\n"))
                return;
            *request += socket->readAll();
            if (!request->contains("\r\n\r\n"))
                return;
            const QByteArray path = request->split(' ').value(1);
            respond(socket, m_answers.value(path, Answer{404, "text/html", "<html>none</html>", {}, 0, false}));
        });
    }

    void respond(QTcpSocket *socket, const Answer &answer)
    {
        if (answer.silent)
            return;
        QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.status) + (answer.status < 300 ? " OK" : " Other")
            + "\r\nContent-Type: " + answer.contentType + "\r\nConnection: close\r\n";
        for (const QByteArray &line : answer.headers)
            head += line + "\r\n";
        if (answer.streamBytes == 0) {
            socket->write(head + "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\n\r\n"
                          + answer.body);
            socket->disconnectFromHost();
            return;
        }
        socket->write(head + "\r\n");
        const QByteArray piece = QByteArray(64 * 1024, 'x');
        auto left = std::make_shared<qint64>(answer.streamBytes);
        auto more = [socket, piece, left, streamed = m_streamed] {
            while (*left > 0 && socket->bytesToWrite() < 256 * 1024
                   && socket->state() == QAbstractSocket::ConnectedState) {
                const qint64 n = qMin<qint64>(*left, piece.size());
                socket->write(piece.constData(), n);
                *left -= n;
                *streamed += n;
            }
            if (*left == 0)
                socket->disconnectFromHost();
        };
        QObject::connect(socket, &QTcpSocket::bytesWritten, socket, more);
        more();
    }

    QTcpServer m_server;
    QHash<QByteArray, Answer> m_answers;
    std::shared_ptr<qint64> m_streamed = std::make_shared<qint64>(0);
};
