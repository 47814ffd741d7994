#ifndef TESSARO_SAVEDSETUP_H
#define TESSARO_SAVEDSETUP_H

#include "engine/batch/stampjob.h"

#include <QSettings>
#include <QString>

// What a window started on a settings store stamps with: the job its run builds from the
// controls and members the store filled, as the window's load leaves them (values clamped to the
// controls' ranges, one button checked per group), with the run's smooth scaling. The logo
// picture and the output folder are left to the caller.
struct SavedSetup
{
    StampJob job;
    QString logoFileName; // the stored logo file, which the window reads when it exists
    int qualityControl = 90; // the quality of JPG, WebP and AVIF, whatever the stored format
};

// The values a store holds under the keys of the table; a key it lacks is left out.
QSettings::SettingsMap storedSettings(const QSettings &store);

SavedSetup savedSetup(const QSettings::SettingsMap &stored);
SavedSetup savedSetup(const QSettings &store);

// What the window writes back at exit after loading `stored`: every key of the table, each as
// its control or member holds it after the load (clamped, one button checked per group, the
// font and colour as their codecs write them), so that the result means what `stored` means.
QSettings::SettingsMap savedSettings(const QSettings::SettingsMap &stored);

// The quality a run writes `format` with: `qualityControl` for "jpg", "webp" and "avif", the
// formats whose encoders trade size for fidelity; else the writer's default (-1).
int writerQuality(const QString &format, int qualityControl);

#endif // TESSARO_SAVEDSETUP_H
