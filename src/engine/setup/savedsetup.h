#ifndef TESSARO_SAVEDSETUP_H
#define TESSARO_SAVEDSETUP_H

#include "engine/batch/stampjob.h"

#include <QString>

class QSettings;

// What a window started on a settings store stamps with: the job its run builds from the
// controls and members the store filled, as the window's load leaves them (values clamped to the
// controls' ranges, one button checked per group), with the run's smooth scaling. The logo
// picture and the output folder are left to the caller.
struct SavedSetup
{
    StampJob job;
    QString logoFileName; // the stored logo file, which the window reads when it exists
    int jpgQuality = 90; // the JPG quality control, whatever the stored format
};

SavedSetup savedSetup(const QSettings &store);

// The quality a run writes `format` with: `jpgQuality` for "jpg", else the writer's default (-1).
int writerQuality(const QString &format, int jpgQuality);

#endif // TESSARO_SAVEDSETUP_H
