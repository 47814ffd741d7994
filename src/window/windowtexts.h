#ifndef TESSARO_WINDOWTEXTS_H
#define TESSARO_WINDOWTEXTS_H

#include <QString>

// The progress dialog's label during a drop, with the running count of files and items.
QString dropProgressLabel(int count);

// The end-of-run box's informative text for a run of `count` pictures of which `unwritten` could
// not be read or written (the log names each) and `vanished` were gone when their turn came;
// empty when every picture was written.
QString notWrittenText(int unwritten, int vanished, int count);

// The results log's HTML line for the warning `text`: "Warning" in bold and the warning colour,
// then the text, escaped so that "&" or "<" shows as it is.
QString warningHtml(const QString &text);

#endif // TESSARO_WINDOWTEXTS_H
