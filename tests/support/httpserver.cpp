#include "support/httpserver.h"

#include <QTcpSocket>

HttpServer::HttpServer(QObject *parent)
    : QObject(parent)
{
    connect(&server, &QTcpServer::newConnection, this, &HttpServer::accept);
    server.listen(QHostAddress::LocalHost);
}

void HttpServer::answerWith(int answerStatus, const QByteArray &answerBody,
                            const QByteArray &answerType)
{
    status = answerStatus;
    body = answerBody;
    contentType = answerType;
}

void HttpServer::accept()
{
    while (QTcpSocket *socket = server.nextPendingConnection()) {
        ++connections;
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            --connections;
            socket->deleteLater();
        });
    }
}

void HttpServer::serve(QTcpSocket *socket)
{
    // Requests without a body are complete once the blank line after the headers has come.
    if (!socket->peek(socket->bytesAvailable()).contains("\r\n\r\n"))
        return;
    const QList<QByteArray> lines = socket->readAll().split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    const QByteArray target = requestLine.value(1);
    const int queryStart = target.indexOf('?');
    HttpRequest request {requestLine.value(0), target.left(queryStart), {}, {}};
    if (queryStart >= 0)
        request.query = target.mid(queryStart + 1);
    for (const QByteArray &line : lines.mid(1)) {
        const int colon = line.indexOf(':');
        if (colon > 0)
            request.headers.insert(line.left(colon).trimmed().toLower(),
                                   line.mid(colon + 1).trimmed());
    }
    received << request;
    if (hanging)
        return;
    const QByteArray head = "HTTP/1.1 " + QByteArray::number(status)
        + " Answer\r\nContent-Type: " + contentType + "\r\nConnection: close\r\nContent-Length: "
        + QByteArray::number(body.size()) + "\r\n\r\n";
    socket->write(head + body);
    socket->flush();
    socket->disconnectFromHost();
    emit requestServed();
}
