#include "batch/batchtexts.h"

QString dropProgressLabel(int count)
{
    return QStringLiteral("Please wait while your files are added. (%1 files)").arg(count);
}

QString writtenLine(const QString &baseName, const QString &format, int position, int count)
{
    // One arg() call: a later call would also replace "%3" or "%4" in a file's name.
    return QStringLiteral("%1.%2 ... OK! (%3 of %4)")
        .arg(baseName, format, QString::number(position), QString::number(count));
}

QString renamedWarningLine(const QString &folder, const QString &takenBaseName,
                           const QString &format, const QString &newBaseName)
{
    const QString takenPath = folder + QLatin1Char('/') + takenBaseName + QLatin1Char('.') + format;
    const QString newPath = folder + QLatin1Char('/') + newBaseName;
    return QStringLiteral("<b><font color=\"#ffc90e\">Warning</font></b> - File %1 saved with new "
                          "name %2 to avoid overwrite because it already existed!")
        .arg(takenPath.toHtmlEscaped(), newPath.toHtmlEscaped());
}

QString unreadableLine(const QString &path, const QString &reason)
{
    return QStringLiteral("Cannot read %1: %2").arg(path, reason);
}

QString informationNotKeptLine(const QString &path)
{
    return QStringLiteral("The photo information (camera, date, copyright) of %1 was not kept")
        .arg(path);
}
