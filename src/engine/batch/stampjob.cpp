#include "engine/batch/stampjob.h"

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

PictureOutcome::Kind readFailure(ReadProblem problem)
{
    switch (problem) {
    case ReadProblem::Damaged:
        return PictureOutcome::Damaged;
    case ReadProblem::TooLarge:
        return PictureOutcome::TooLarge;
    case ReadProblem::None:
    case ReadProblem::Unreadable:
        break;
    }
    return PictureOutcome::Unreadable;
}

// The stamps drawn on `stamped` whose boxes do not lie wholly on the picture, text first.
QVector<StampPastEdge> stampsPastEdges(const StampedPicture &stamped)
{
    const QRect picture = stamped.image.rect();
    QVector<StampPastEdge> past;
    if (!stamped.textRect.isNull() && !picture.contains(stamped.textRect))
        past << StampPastEdge {StampPastEdge::Text, stamped.textRect};
    if (!stamped.logoRect.isNull() && !picture.contains(stamped.logoRect))
        past << StampPastEdge {StampPastEdge::Logo, stamped.logoRect};
    return past;
}

} // namespace

StampResult stampFile(const QString &path, const StampJob &job)
{
    return stampFile(path, job, SaveTurn());
}

StampResult stampFile(const QString &path, const StampJob &job, const SaveTurn &turn)
{
    const TurnEnder turnEnder {turn};
    StampResult result;
    PictureOutcome &outcome = result.outcome;
    outcome.source = path;
    const auto end = [&](PictureOutcome::Kind kind, const QString &reason = QString()) {
        outcome.kind = kind;
        outcome.reason = reason;
        return result;
    };
    if (!QFileInfo::exists(path))
        return end(PictureOutcome::Missing);
    const auto stopped = [&] { return turn.gate && !turn.gate->isOpen(); };
    if (stopped())
        return end(PictureOutcome::Discarded);
    // Decoded no larger than it is drawn where the reader can, as the preview reads it too.
    PictureFile file = readPictureFile(
        path, [&job](const QSize &upright) { return stampedSize(upright, job.stamp); });
    if (file.image.isNull())
        return end(readFailure(file.problem), file.error);
    const PhotoInformation information = readPhotoInformation(file.bytes);
    file.bytes.clear();
    result.picture = workingCopy(std::move(file.image));
    result.picture.decoding = file.decoding;
    if (result.picture.image.isNull())
        return end(readFailure(result.picture.problem), result.picture.error);
    if (stopped())
        return end(PictureOutcome::Discarded);

    result.placement = placeStamp(job.stamp, job.logo.size(), result.picture.image);
    StampRenderer renderer;
    result.stamped = renderer.render(result.picture.image, result.picture.opaque, job.logo,
                                     job.stamp, result.placement.text, result.placement.logo);
    if (stopped())
        return end(PictureOutcome::Discarded);
    outcome.pastEdges = stampsPastEdges(result.stamped);
    outcome.stampedSize = result.stamped.image.size();

    // Drawn at the working copy's resolution, written at the source's: no pixel changes.
    if (information.dotsPerMeterX > 0 && information.dotsPerMeterY > 0) {
        result.stamped.image.setDotsPerMeterX(information.dotsPerMeterX);
        result.stamped.image.setDotsPerMeterY(information.dotsPerMeterY);
    }
    QString reason;
    QByteArray encoded
        = PictureEncoder(job.format.toLatin1(), job.quality).encode(result.stamped.image, &reason);
    if (encoded.isEmpty())
        return end(PictureOutcome::NotWritten, reason);
    if (job.keepMetadata) {
        const PhotoBlocks notWritten = information.metadata
            ? addPhotoInformation(information, &encoded, result.stamped.image, job.keepLocation)
            : PhotoBlocks();
        outcome.informationNotKept = photoBlockNames(information.unreadable | notWritten);
        outcome.informationPartlyKept = information.blocks & ~notWritten;
    }

    const SavedPicture saved
        = savePicture(encoded, job.outputFolder, QFileInfo(path).completeBaseName(), job.format,
                      &QDateTime::currentDateTime, &isOccupied, turn);
    if (saved.discarded)
        return end(PictureOutcome::Discarded);
    if (saved.path.isEmpty())
        return end(PictureOutcome::NotWritten, saved.error);
    outcome.output = saved.path;
    return end(saved.renamed ? PictureOutcome::Renamed : PictureOutcome::Written);
}
