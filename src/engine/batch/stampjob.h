#ifndef TESSARO_STAMPJOB_H
#define TESSARO_STAMPJOB_H

#include "engine/read/imageload.h"
#include "engine/stamp/placement.h"
#include "engine/stamp/stamprenderer.h"

#include <QImage>
#include <QMetaType>
#include <QPoint>
#include <QString>
#include <QVector>

struct SaveTurn;

// Everything the stamp of one picture depends on, copied from the settings when the picture is
// handed out: the render settings, the logo, where text and logo go, and how and where the
// stamped picture is written.
struct StampJob
{
    StampSettings stamp;
    QImage logo;
    StampAlignment textAlignment = StampAlignment::TopLeft;
    QPoint textOffset;
    StampAlignment logoAlignment = StampAlignment::TopLeft;
    QPoint logoOffset;
    QString outputFolder;
    QString format = QStringLiteral("jpg"); // "jpg", "png" or "tif": writer format and extension
    int quality = -1; // JPG quality 0 to 100; -1 leaves the encoder's default
    // The source's photo information (EXIF, IPTC, XMP) goes into the stamped file; its GPS
    // position too only with `keepLocation`.
    bool keepMetadata = true;
    bool keepLocation = false;
};

// One line for the results log: plain text, or HTML whose markup is rendered.
struct LogLine
{
    bool html = false;
    QString text;

    bool operator==(const LogLine &other) const;
};

// What became of one picture. `lines` are the log lines that come before the written line (the
// renamed-file warning and the line saying the photo information was not kept, or the one line
// saying why nothing was written); `outputPath` is empty when nothing was written. `missing`: no
// file was there, so nothing is logged but the separator. `discarded`: the run was stopped
// before the picture took its name; nothing was written.
struct StampResult
{
    QString outputPath;
    QVector<LogLine> lines;
    bool missing = false;
    bool discarded = false;

    // The working copy read and the stamp drawn on it, as the preview shows them.
    WorkingCopy picture;
    StampedPicture stamped;
    QPoint textPos;
    QPoint logoPos;
};

// Where text and logo go on `picture` for `job`: placed on the picture's stamped size, the text
// by its measured box at the working copy's resolution.
void placeStamp(const StampJob &job, const QImage &picture, QPoint *textPos, QPoint *logoPos);

// Stamps the picture file at `path` with `job`: read, working copy, render, encode and the safe
// save into the job's folder. The file takes the source's resolution, when it stores one, and
// photo information as the job says. No widget and no shared state: callable from any thread.
// Under a gate (`turn`), the picture takes its name in its turn, and a closed gate makes it stop
// at its next step and leave no file.
StampResult stampFile(const QString &path, const StampJob &job);
StampResult stampFile(const QString &path, const StampJob &job, const SaveTurn &turn);

Q_DECLARE_METATYPE(StampResult)

#endif // TESSARO_STAMPJOB_H
