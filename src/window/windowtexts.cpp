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
