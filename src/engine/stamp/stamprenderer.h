#ifndef TESSARO_STAMPRENDERER_H
#define TESSARO_STAMPRENDERER_H

#include "engine/stamp/placement.h"
#include "engine/stamp/scaledimagecache.h"
#include "engine/stamp/shading.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <memory>

// Everything the placement and the render of a stamp read from the window's controls and
// members, besides the pictures.
struct StampSettings
{
    bool resize = false;
    QSize outputSize;
    bool keepAspectRatio = false;
    bool neverEnlarge = false; // a picture that fits inside `outputSize` keeps its size
    BandEdge bandEdge = BandEdge::None;
    int bandRows = 0;
    BandTone bandTone = BandTone::None;
    QString text;
    QFont font;
    QColor color;
    double logoScale = 1.0;
    Qt::TransformationMode transformMode = Qt::FastTransformation;
    StampAlignment textAlignment = StampAlignment::TopLeft;
    QPoint textOffset;
    StampAlignment logoAlignment = StampAlignment::TopLeft;
    QPoint logoOffset;
    // The stamp scales with each picture: the sizes above are those of a stamp designed on a
    // picture whose shorter side is `referenceShorterSide` pixels.
    bool scaleWithPicture = false;
    int referenceShorterSide = 1080;
};

// The top-left corners of text and logo on a stamped picture.
struct StampPlacement
{
    QPoint text;
    QPoint logo;
};

// The stamped picture and the boxes of the text and the logo on it (each stays null when there is
// no such stamp). `opaque` says every pixel is known to have alpha 255. When the picture could not
// be made, `image` is null and `error` says why.
struct StampedPicture
{
    QImage image;
    QRect textRect;
    QRect logoRect;
    bool opaque = false;
    QString error;
};

// Draws the stamp on a picture (see render()): optional resize, then the band, then the text at
// `textPos`, then the scaled logo at `logoPos`. It keeps the last resized picture, and scaled
// logos in `logos`, so that rendering the same picture again with the same sizes scales nothing.
// A logo scaled larger than the picture is never made whole: only the part that lands on the
// picture is scaled, as it is drawn. A stamped picture of more than MaxPicturePixels is refused.
class StampRenderer
{
public:
    // `logos`: where the scaled logos are kept, shared by the renderers of a run so that a logo is
    // scaled once for all its pictures; a place of the renderer's own by default.
    explicit StampRenderer(std::shared_ptr<ScaledLogos> logos = std::make_shared<ScaledLogos>());

    // `pictureOpaque`: every pixel of `picture` is known to have alpha 255. A picture already at
    // its stamped size is drawn on in place when the caller hands over its only reference
    // (std::move), and on a copy otherwise.
    StampedPicture render(QImage picture, bool pictureOpaque, const QImage &logo,
                          const StampSettings &settings, const QPoint &textPos,
                          const QPoint &logoPos);

private:
    QImage resized(const QImage &picture, bool pictureOpaque, const StampSettings &settings);
    // Draws `logo` as the settings scale it at `logoPos` on `image`; false with the reason when
    // there is no memory for it.
    bool drawLogo(QImage &image, const QImage &logo, const StampSettings &settings,
                  const QPoint &logoPos, QString *error);

    ScaledImageCache resizeCache;
    std::shared_ptr<ScaledLogos> logos;
};

// The logo's drawn size: each side multiplied by `scale` and truncated toward zero.
QSize scaledLogoSize(const QSize &logoSize, double scale);

// The size of a picture of `pictureSize` once stamped with `settings`: the resized size, or the
// picture's own.
QSize stampedSize(const QSize &pictureSize, const StampSettings &settings);

// The factor a stamp scaling with its picture is drawn at on a stamped picture of `stampedSize`:
// the picture's shorter side over the reference's. 1 when the stamp does not scale.
double stampScale(const QSize &stampedSize, const StampSettings &settings);

// `settings` as drawn on a stamped picture of `stampedSize`: the text's size, the logo's scale,
// both offsets and the band's height multiplied by stampScale, whole numbers rounded to the
// nearest (halves away from zero, so that mirrored offsets stay mirrored). A text size in points
// stays fractional, as the toolkit takes it; one in pixels is rounded, to at least one pixel;
// either stays within the 65535 pixels the font engine draws. Unchanged when the stamp does not
// scale.
StampSettings drawnStamp(const StampSettings &settings, const QSize &stampedSize);

// Where text and logo go on `picture` (before the optional resize) stamped with `settings` and a
// logo of `logoSize`: placed on its stamped size with the stamp drawn there (drawnStamp), the
// text by `drawnTextBox` when that has a width (the box the preview last drew), else by the box
// it measures at the picture's resolution. The preview and the job place every stamp here.
StampPlacement placeStamp(const StampSettings &settings, const QSize &logoSize,
                          const QImage &picture, const QRect &drawnTextBox = QRect());

#endif // TESSARO_STAMPRENDERER_H
