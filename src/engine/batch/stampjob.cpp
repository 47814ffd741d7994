#include "engine/batch/stampjob.h"

#include "engine/batch/memorybudget.h"
#include "engine/batch/photoinformation.h"
#include "engine/batch/pictureencoder.h"
#include "engine/batch/picturesaver.h"
#include "engine/read/pictureguards.h"

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

// Whether a picture whose header says `header` is decoded, stamped with `stamp`: refused when its
// stamped size passes the pixel budget whichever way its orientation turns it (`*refusal` then
// NotWritten), or when its memory can never fit the budget (TooLarge); else it waits for its
// memory. A run stopped meanwhile makes it Discarded. Empty when the picture goes on.
QString admission(const PictureHeader &header, const StampSettings &stamp, const QString &name,
                  MemoryReservation &memory, PictureOutcome::Kind *refusal)
{
    const QSize turned = header.size.transposed();
    const QSize stamped = stampedSize(header.size, stamp);
    const QSize stampedTurned = stampedSize(turned, stamp);
    const QString tooLarge = stampedSizeRefusal(header.size, stamped);
    if (!tooLarge.isEmpty() && !stampedSizeRefusal(turned, stampedTurned).isEmpty()) {
        *refusal = PictureOutcome::NotWritten;
        return tooLarge;
    }
    const qint64 stampedPixels = qMin(MaxPicturePixels,
                                      qMax(qint64(stamped.width()) * stamped.height(),
                                           qint64(stampedTurned.width()) * stampedTurned.height()));
    const qint64 bytes
        = pictureMemory(header.fileSize, qint64(header.size.width()) * header.size.height(),
                        header.format, stampedPixels);
    switch (memory.admit(bytes)) {
    case MemoryBudget::Admitted:
        return QString();
    case MemoryBudget::NeverFits:
        *refusal = PictureOutcome::TooLarge;
        return notEnoughMemoryReason(name, header.size);
    case MemoryBudget::Closed:
        break;
    }
    *refusal = PictureOutcome::Discarded;
    return QStringLiteral("discarded"); // never shown
}

} // namespace

StampResult stampFile(const QString &path, const StampJob &job, const RunShare &share)
{
    const SaveTurn &turn = share.turn;
    const TurnEnder turnEnder {turn};
    MemoryReservation memory(share.memory, turn.ticket);
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
    const QString name = QFileInfo(path).fileName();
    PictureOutcome::Kind refusal = PictureOutcome::TooLarge;
    // Decoded no larger than it is drawn where the reader can, as the preview reads it too.
    PictureFile file = readPictureFile(
        path, [&job](const QSize &upright) { return stampedSize(upright, job.stamp); },
        [&](const PictureHeader &header) {
            return admission(header, job.stamp, name, memory, &refusal);
        });
    if (file.image.isNull())
        return end(file.problem == ReadProblem::TooLarge ? refusal : readFailure(file.problem),
                   refusal == PictureOutcome::Discarded ? QString() : file.error);
    const PhotoInformation information = readPhotoInformation(file.bytes);
    file.bytes.clear();
    const QSize pictureSize = file.image.size();
    result.picture = workingCopy(std::move(file.image));
    result.picture.decoding = file.decoding;
    if (result.picture.image.isNull())
        return end(readFailure(result.picture.problem),
                   result.picture.problem == ReadProblem::TooLarge
                       ? notEnoughMemoryReason(name, pictureSize)
                       : result.picture.error);
    if (stopped())
        return end(PictureOutcome::Discarded);

    result.placement = placeStamp(job.stamp, job.logo.size(), result.picture.image);
    StampRenderer renderer(share.logos ? share.logos : std::make_shared<ScaledLogos>());
    const bool picturesWanted = !share.picturesWanted || share.picturesWanted();
    result.stamped = renderer.render(
        picturesWanted ? result.picture.image : std::move(result.picture.image),
        result.picture.opaque, job.logo, job.stamp, result.placement.text, result.placement.logo);
    if (result.stamped.image.isNull())
        return end(PictureOutcome::NotWritten, result.stamped.error);
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
    // What waits for its turn to be saved is the file, not the picture.
    if (!picturesWanted)
        result.stamped.image = QImage();

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
