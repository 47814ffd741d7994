#include "engine/batch/batchtexts.h"

QString visibleName(const QString &name)
{
    QString shown;
    shown.reserve(name.size());
    for (const QChar c : name) {
        const QChar::Category category = c.category();
        if (category != QChar::Other_Control && category != QChar::Separator_Line
            && category != QChar::Separator_Paragraph) {
            shown += c;
        } else if (c == QLatin1Char('\n')) {
            shown += QLatin1String("\\n");
        } else if (c == QLatin1Char('\r')) {
            shown += QLatin1String("\\r");
        } else if (c == QLatin1Char('\t')) {
            shown += QLatin1String("\\t");
        } else if (c.unicode() <= 0xff) {
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        } else {
            shown += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        }
    }
    return shown;
}

QString dropProgressLabel(int count)
{
    return QStringLiteral("Please wait while your files are added. (%1 files)").arg(count);
}

QString writtenLine(const QString &baseName, const QString &format, int position, int count)
{
    // One arg() call: a later call would also replace "%3" or "%4" in a file's name.
    return QStringLiteral("%1.%2 ... OK! (%3 of %4)")
        .arg(visibleName(baseName), format, QString::number(position), QString::number(count));
}

QString renamedWarningLine(const QString &folder, const QString &takenBaseName,
                           const QString &format, const QString &newBaseName)
{
    const QString takenPath = folder + QLatin1Char('/') + takenBaseName + QLatin1Char('.') + format;
    const QString newPath = folder + QLatin1Char('/') + newBaseName;
    return QStringLiteral("<b><font color=\"#ffc90e\">Warning</font></b> - File %1 saved with new "
                          "name %2 to avoid overwrite because it already existed!")
        .arg(visibleName(takenPath).toHtmlEscaped(), visibleName(newPath).toHtmlEscaped());
}

QString unreadableLine(const QString &path, const QString &reason)
{
    return QStringLiteral("Cannot read %1: %2").arg(visibleName(path), reason);
}

QString unwritableLine(const QString &fileName, const QString &folder, const QString &reason)
{
    return QStringLiteral("Cannot write %1 to %2: %3")
        .arg(visibleName(fileName), visibleName(folder), reason);
}

QString informationNotKeptLine(const QString &path)
{
    return QStringLiteral("The photo information (camera, date, copyright) of %1 was not kept")
        .arg(path);
}
