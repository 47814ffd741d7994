#ifndef TESSARO_QVELORAANALYTICS_H
#define TESSARO_QVELORAANALYTICS_H

#include <QString>
#include <QThread>

// The start-up update check: one HTTP GET on its own thread, whose answer body comes back through
// updateMessage (an empty text on any failure).
class QVeloraAnalytics : public QThread
{
    Q_OBJECT

public:
    explicit QVeloraAnalytics(QObject *parent = nullptr);
    ~QVeloraAnalytics() override;

    QString requestUrl() const { return url; }
    void setRequestUrl(const QString &requestUrl) { url = requestUrl; }

    // Abandons a pending request (nothing is emitted for it) and waits for the thread, so that
    // the owner never destroys a running thread. The worker can be started again afterwards.
    void stop();

signals:
    void updateMessage(const QString &message);

protected:
    void run() override;

private:
    QString url;
};

#endif // TESSARO_QVELORAANALYTICS_H
