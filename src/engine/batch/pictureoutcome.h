#ifndef TESSARO_PICTUREOUTCOME_H
#define TESSARO_PICTUREOUTCOME_H

#include <QString>
#include <QStringList>

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

    bool written() const { return kind == Written || kind == Renamed; }
};

#endif // TESSARO_PICTUREOUTCOME_H
