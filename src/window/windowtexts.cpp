#include "window/windowtexts.h"

QString dropProgressLabel(int count)
{
    return QStringLiteral("Please wait while your files are added. (%1 files)").arg(count);
}

QString warningHtml(const QString &text)
{
    return QStringLiteral("<b><font color=\"#ffc90e\">Warning</font></b> - ")
        + text.toHtmlEscaped();
}

QString notWrittenText(int unwritten, int vanished, int count)
{
    const int notWritten = unwritten + vanished;
    if (notWritten == 0)
        return QString();
    const QString head = notWritten == 1
        ? QStringLiteral("1 of %1 pictures was not written").arg(count)
        : QStringLiteral("%1 of %2 pictures were not written").arg(notWritten).arg(count);
    if (vanished == 0)
        return head
            + (notWritten == 1 ? QStringLiteral(". The Results tab lists it.")
                               : QStringLiteral(". The Results tab lists them."));
    if (unwritten == 0)
        return head
            + (vanished == 1 ? QStringLiteral(": its file no longer existed.")
                             : QStringLiteral(": their files no longer existed."));
    return head
        + QStringLiteral(". The Results tab lists those that could not be read or written; %1 "
                         "no longer existed.")
              .arg(vanished);
}
