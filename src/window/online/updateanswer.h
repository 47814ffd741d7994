#ifndef TESSARO_UPDATEANSWER_H
#define TESSARO_UPDATEANSWER_H

#include <QByteArray>

// Whether the update service's answer announces a newer version: a JSON object whose member
// "result" is a whole number other than 0. Text that is not JSON, a top level that is not an
// object, a missing "result" or one that is not a whole number all mean "no update".
bool updateAvailable(const QByteArray &answer);

#endif // TESSARO_UPDATEANSWER_H
