#include "engine/batch/stampjob.h"

#include "engine/batch/batchtexts.h"
#include "engine/batch/photoinformation.h"
#include "engine/batch/pictureencoder.h"
#include "engine/batch/picturesaver.h"

#include <QFileInfo>

namespace {

// Ends a picture's turn at its gate when the picture is done, whatever happened to it.
struct TurnEnder
{
    const SaveTurn &turn;
    ~TurnEnder()
    {
        if (turn.gate)
            turn.gate->endTurn(turn.ticket);
    }
};

} // namespace

bool LogLine::operator==(const LogLine &other) const
{
    return html == other.html && text == other.text;
}

void placeStamp(const StampJob &job, const QImage &picture, QPoint *textPos, QPoint *logoPos)
{
    const QSize size = stampedSize(picture.size(), job.stamp);
    const QSize textSize = job.stamp.text.isEmpty()
        ? QSize()
        : measureText(job.stamp.text, job.stamp.font, picture.dotsPerMeterX(),
                      picture.dotsPerMeterY())
              .size();
    *textPos = textTopLeft(job.textAlignment, size, textSize, job.textOffset);
    *logoPos = logoTopLeft(job.logoAlignment, size, job.logo.size(), job.stamp.logoScale,
                           job.logoOffset);
}

StampResult stampFile(const QString &path, const StampJob &job)
{
    return stampFile(path, job, SaveTurn());
}

StampResult stampFile(const QString &path, const StampJob &job, const SaveTurn &turn)
{
    const TurnEnder turnEnder {turn};
    SaveGate *gate = turn.gate;
    StampResult result;
    if (!QFileInfo::exists(path)) {
        result.missing = true;
        return result;
    }
    const auto stopped = [&] {
        result.discarded = gate && !gate->isOpen();
        return result.discarded;
    };
    if (stopped())
        return result;
    result.picture = readWorkingCopy(path);
    if (result.picture.image.isNull()) {
        result.lines << LogLine {false, unreadableLine(path, result.picture.error)};
        return result;
    }
    if (stopped())
        return result;

    placeStamp(job, result.picture.image, &result.textPos, &result.logoPos);
    StampRenderer renderer;
    result.stamped = renderer.render(result.picture.image, result.picture.opaque, job.logo,
                                     job.stamp, result.textPos, result.logoPos);
    if (stopped())
        return result;

    const PhotoInformation information = readPhotoInformation(path);
    // Drawn at the working copy's resolution, written at the source's: no pixel changes.
    if (information.dotsPerMeterX > 0 && information.dotsPerMeterY > 0) {
        result.stamped.image.setDotsPerMeterX(information.dotsPerMeterX);
        result.stamped.image.setDotsPerMeterY(information.dotsPerMeterY);
    }
    const QString notKept = informationNotKeptLine(path);
    FinishFile writeInformation;
    if (job.keepMetadata && information.metadata) {
        writeInformation = [&](const QString &temporaryPath) {
            return writePhotoInformation(information, temporaryPath, result.stamped.image.size(),
                                         job.keepLocation)
                ? QString()
                : notKept;
        };
    }

    const PictureEncoder encoder(job.format.toLatin1(), job.quality);
    const QFileInfo source(path);
    const SavedPicture saved
        = savePicture(result.stamped.image, encoder, job.outputFolder, source.completeBaseName(),
                      job.format, &QDateTime::currentDateTime, &isOccupied, turn, writeInformation);
    result.discarded = saved.discarded;
    result.outputPath = saved.path;
    if (saved.discarded)
        return result;
    if (saved.path.isEmpty()) {
        result.lines << LogLine {false, saved.error};
        return result;
    }
    if (saved.renamed)
        result.lines << LogLine {true,
                                 renamedWarningLine(job.outputFolder, source.baseName(), job.format,
                                                    QFileInfo(saved.path).completeBaseName())};
    if (job.keepMetadata && information.unreadable)
        result.lines << LogLine {false, notKept};
    else if (!saved.finishNote.isEmpty())
        result.lines << LogLine {false, saved.finishNote};
    return result;
}
