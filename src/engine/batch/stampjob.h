#ifndef TESSARO_STAMPJOB_H
#define TESSARO_STAMPJOB_H

#include "engine/batch/pictureoutcome.h"
#include "engine/read/imageload.h"
#include "engine/stamp/stamprenderer.h"

#include <QImage>
#include <QMetaType>
#include <QString>

#include "engine/batch/picturesaver.h"

#include <functional>
#include <memory>

class MemoryBudget;

// Everything the stamp of one picture depends on, copied from the settings when the picture is
// handed out: the stamp's settings, the logo, and how and where the stamped picture is written.
struct StampJob
{
    StampSettings stamp;
    QImage logo;
    QString outputFolder;
    QString format = QStringLiteral("jpg"); // "jpg", "png" or "tif": writer format and extension
    int quality = -1; // JPG quality 0 to 100; -1 leaves the encoder's default
    // The source's photo information (EXIF, IPTC, XMP) goes into the stamped file; its GPS
    // position too only with `keepLocation`.
    bool keepMetadata = true;
    bool keepLocation = false;
};

// What became of one picture, with the working copy read and the stamp drawn on it, as the
// preview shows them (null when the picture could not be read).
struct StampResult
{
    PictureOutcome outcome;
    WorkingCopy picture;
    StampedPicture stamped;
    StampPlacement placement;
};

// What the pictures of a run share: the gate their names pass in order, the memory they may hold
// at once, and the logos scaled once for all of them. Each may be missing. `picturesWanted` says
// whether the run still wants a picture's working copy back beside its stamped picture (by
// default it does); when it does not, the stamp is drawn on the working copy itself, which saves
// a copy of the picture.
struct RunShare
{
    SaveTurn turn;
    MemoryBudget *memory = nullptr;
    std::shared_ptr<ScaledLogos> logos;
    std::function<bool()> picturesWanted;
};

// Stamps the picture file at `path` with `job`: read once, working copy, render, encode with the
// photo information, and the safe save into the job's folder. The file takes the source's
// resolution, when it stores one, and photo information as the job says. No widget: callable
// from any thread. In a run (`share`), the picture is decoded once the memory its header asks for
// fits the budget (a picture that can never fit is refused), it takes its name in its turn, and a
// closed gate makes it stop at its next step and leave no file.
StampResult stampFile(const QString &path, const StampJob &job, const RunShare &share = {});

Q_DECLARE_METATYPE(StampResult)

#endif // TESSARO_STAMPJOB_H
