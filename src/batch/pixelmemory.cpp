#include "batch/pixelmemory.h"

#include "stamp/imageload.h"

#include <QColorSpace>

namespace {

// Pictures kept at most. In a run one picture is shown, one stamped and one read ahead; the one
// shown before goes when the next is shown, just in time to take the next read.
const size_t keptPictures = 1;

} // namespace

// A picture whose memory another picture uses; it goes back to the memory, or is dropped.
struct PictureMemory::Loan
{
    std::weak_ptr<PictureMemory> memory;
    QImage picture;
    bool giveBack = true;
};

QImage PictureMemory::reusable()
{
    auto loan = std::make_unique<Loan>();
    loan->memory = weak_from_this();
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (kept.empty())
            return QImage();
        loan->picture = std::move(kept.back());
        kept.pop_back();
    }
    QImage &owner = loan->picture;
    return QImage(owner.bits(), owner.width(), owner.height(), owner.bytesPerLine(), owner.format(),
                  &endLoan, loan.release());
}

QImage PictureMemory::workingCopy(QImage decoded, bool fromReusable)
{
    if (decoded.format() != QImage::Format_RGB32) {
        const QImage copy = ::workingCopy(decoded);
        if (!fromReusable && !decoded.isNull())
            keep(std::move(decoded));
        return copy;
    }
    const QColorSpace colorSpace = decoded.colorSpace();
    auto loan = std::make_unique<Loan>();
    loan->memory = weak_from_this();
    loan->picture = std::move(decoded);
    loan->giveBack = !fromReusable;
    // The loan holds the only reference, so bits() does not copy.
    QImage &owner = loan->picture;
    QImage copy(owner.bits(), owner.width(), owner.height(), owner.bytesPerLine(),
                QImage::Format_ARGB32, &endLoan, loan.release());
    copy.setColorSpace(colorSpace);
    return copy;
}

void PictureMemory::endLoan(void *loan)
{
    const std::unique_ptr<Loan> ended(static_cast<Loan *>(loan));
    if (!ended->giveBack)
        return;
    if (const std::shared_ptr<PictureMemory> memory = ended->memory.lock())
        memory->keep(std::move(ended->picture));
}

void PictureMemory::keep(QImage picture)
{
    const std::lock_guard<std::mutex> lock(mutex);
    kept.push_back(std::move(picture));
    if (kept.size() > keptPictures)
        kept.erase(kept.begin());
}
