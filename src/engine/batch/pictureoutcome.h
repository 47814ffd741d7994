#ifndef TESSARO_PICTUREOUTCOME_H
#define TESSARO_PICTUREOUTCOME_H

#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVector>

// A stamp whose box runs past the edges of the stamped picture, so that part of it is cut off.
struct StampPastEdge
{
    enum Stamp { Text, Logo };

    Stamp stamp = Text;
    QRect box; // on the stamped picture
};

// What became of one picture of a run, as data: each front end says it in its own words.
struct PictureOutcome
{
    enum Kind {
        Written, // under the plain name
        Renamed, // written under a time-stamped name, because the plain one was taken
        Missing, // no file was there any more
        Unreadable, // it could not be opened or decoded
        Damaged, // the decoder found it damaged
        TooLarge, // more pixels, bytes or memory than a picture may take
        NotWritten, // it was stamped, but could not be written
        Discarded, // the run was stopped before the picture took its name; nothing was written
    };

    Kind kind = Written;
    QString source;
    QString output; // the written file; empty unless written
    QString reason; // why it was not read or not written, in the system's or the decoder's words
    // The blocks of the source's photo information ("EXIF", "IPTC", "XMP") that are not in the
    // written file though asked for, as they could not be read or written; empty when all are,
    // or when none was asked for. `informationPartlyKept` when another block is in it.
    QStringList informationNotKept;
    bool informationPartlyKept = false;
    // The stamps of a written picture that run past its edges, text first, and the size of the
    // stamped picture they were drawn on.
    QVector<StampPastEdge> pastEdges;
    QSize stampedSize;

    bool written() const { return kind == Written || kind == Renamed; }
};

#endif // TESSARO_PICTUREOUTCOME_H
