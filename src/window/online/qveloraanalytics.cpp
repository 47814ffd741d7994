#include "window/online/qveloraanalytics.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace {

// An answer is a few bytes of JSON; anything longer is not an answer of the update service.
constexpr qint64 MaxAnswerBytes = 64 * 1024;

// How long stop() waits for the thread before it stops counting on the request being abandoned.
constexpr int StopWaitMs = 1500;

} // namespace

QVeloraAnalytics::QVeloraAnalytics(QObject *parent)
    : QThread(parent)
{
}

QVeloraAnalytics::~QVeloraAnalytics()
{
    stop();
}

void QVeloraAnalytics::stop()
{
    requestInterruption();
    // Leaves the event loop run() waits in, or makes it return at once if it has not begun yet.
    quit();
    if (wait(StopWaitMs))
        return;
    // After its loop is left, run() only tears down its network objects, which ends on its own
    // (the manager gives its internal thread a few seconds at most). Waiting on is therefore
    // safe, whereas destroying the thread while it runs would abort the program.
    wait();
}

void QVeloraAnalytics::run()
{
    QNetworkAccessManager manager;
    QEventLoop loop;
    QNetworkRequest request(QUrl::fromUserInput(url));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("text/json"));

    // The manager owns the reply and deletes it when run() returns.
    QNetworkReply *reply = manager.get(request);
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    // A body that outgrows any answer ends the transfer; the reply then reports an error.
    connect(reply, &QNetworkReply::readyRead, reply, [reply] {
        if (reply->bytesAvailable() > MaxAnswerBytes)
            reply->abort();
    });
    if (!reply->isFinished())
        loop.exec();

    if (isInterruptionRequested())
        return;
    const bool answered = reply->error() == QNetworkReply::NoError;
    emit updateMessage(answered ? QString::fromUtf8(reply->readAll()) : QString());
}
