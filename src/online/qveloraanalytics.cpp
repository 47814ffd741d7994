#include "online/qveloraanalytics.h"

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
    wait();
}

void QVeloraAnalytics::run()
{
}
