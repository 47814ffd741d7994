#ifndef TESSARO_SETUPOPTIONS_H
#define TESSARO_SETUPOPTIONS_H

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

// An option of tessaro-stamp that changes the setup: the settings keys it sets, and the values
// its argument stands for, as the window would save them.
struct SetupOption
{
    QString name; // without the dashes
    QString valueName; // empty for an option that takes no value
    QString description; // its line of the help
    QStringList keys; // every key it can set
    // The values of (some of) `keys` that `value` stands for; an empty map and `*problem` set
    // when it stands for none. The problem names the option and the range.
    std::function<QSettings::SettingsMap(const QString &value, QString *problem)> values;
    // The option that says the opposite and cannot be given with this one; empty for none.
    QString excludes = {};
};

// Every option that changes the setup, in the order of the help. Together they set every key of
// the settings table but the window's own (see windowOnlyKeys).
const QVector<SetupOption> &setupOptions();

// The keys that only the window uses, which no option sets: the preview's size and the last
// output folder chosen in the window.
QStringList windowOnlyKeys();

#endif // TESSARO_SETUPOPTIONS_H
