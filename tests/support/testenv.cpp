#include "support/testenv.h"

#include "engine/setup/settingsstore.h"

#include <QApplication>
#include <QSettings>

void initTestApplication()
{
    Q_INIT_RESOURCE(resources);
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
}

IsolatedSettings::IsolatedSettings()
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    QSettings::setPath(settingsStoreFormat(), QSettings::UserScope, dir.path());
}
