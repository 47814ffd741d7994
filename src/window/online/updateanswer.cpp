#include "window/online/updateanswer.h"

#include <QJsonDocument>
#include <QJsonObject>

bool updateAvailable(const QByteArray &answer)
{
    const QJsonObject reply = QJsonDocument::fromJson(answer).object();
    return reply.value(QLatin1String("result")).toInt(0) != 0;
}
