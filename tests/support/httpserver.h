#ifndef TESSARO_HTTPSERVER_H
#define TESSARO_HTTPSERVER_H

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QTcpServer>

class QTcpSocket;

// One request as the server read it; header names are lower case.
struct HttpRequest
{
    QByteArray method;
    QByteArray path;
    QByteArray query;
    QMap<QByteArray, QByteArray> headers;
};

// A small HTTP/1.1 server on 127.0.0.1 for tests: it records every request and gives each the
// same answer, or none at all when it is told to hang.
class HttpServer : public QObject
{
    Q_OBJECT

public:
    explicit HttpServer(QObject *parent = nullptr);

    quint16 port() const { return server.serverPort(); }
    void answerWith(int status, const QByteArray &body,
                    const QByteArray &contentType = "application/json");
    // Accepts connections and reads requests but never answers them.
    void hang() { hanging = true; }

    const QList<HttpRequest> &requests() const { return received; }
    int openConnections() const { return connections; }

signals:
    // The answer to a request has been written and flushed.
    void requestServed();

private:
    void accept();
    void serve(QTcpSocket *socket);

    QTcpServer server;
    int status = 200;
    QByteArray body;
    QByteArray contentType = "application/json";
    bool hanging = false;
    QList<HttpRequest> received;
    int connections = 0;
};

#endif // TESSARO_HTTPSERVER_H
