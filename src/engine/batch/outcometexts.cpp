#include "engine/batch/outcometexts.h"

#include <QFileInfo>

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

QString writtenLine(const QString &baseName, const QString &format, int position, int count)
{
    // One arg() call: a later call would also replace "%3" or "%4" in a file's name.
    return QStringLiteral("%1.%2 ... OK! (%3 of %4)")
        .arg(visibleName(baseName), format, QString::number(position), QString::number(count));
}

QString renamedLine(const QString &folder, const QString &takenBaseName, const QString &format,
                    const QString &newBaseName)
{
    const QString takenPath = folder + QLatin1Char('/') + takenBaseName + QLatin1Char('.') + format;
    const QString newPath = folder + QLatin1Char('/') + newBaseName;
    return QStringLiteral(
               "File %1 saved with new name %2 to avoid overwrite because it already existed!")
        .arg(visibleName(takenPath), visibleName(newPath));
}

QString shortenedLine(const QString &folder, const QString &fileName,
                      const QString &writtenFileName)
{
    return QStringLiteral("File %1 saved with shortened name %2 because its name is too long for "
                          "the file system!")
        .arg(visibleName(folder + QLatin1Char('/') + fileName),
             visibleName(folder + QLatin1Char('/') + writtenFileName));
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

QString informationNotKeptLine(const QString &path, const QStringList &notKept, bool partlyKept)
{
    if (!partlyKept)
        return QStringLiteral("The photo information (camera, date, copyright) of %1 was not kept")
            .arg(visibleName(path));
    QString blocks = notKept.constLast();
    if (notKept.size() > 1)
        blocks = notKept.mid(0, notKept.size() - 1).join(QLatin1String(", "))
            + QLatin1String(" and ") + blocks;
    return QStringLiteral(
               "Part of the photo information (camera, date, copyright) of %1 was not kept: its %2")
        .arg(visibleName(path), blocks);
}

QString pastEdgeLine(const StampPastEdge &stamp, const QString &fileName, const QSize &pictureSize)
{
    return QStringLiteral("the %1 runs past the edge of %2 (its box %3 \u00d7 %4 on a %5 \u00d7 %6 "
                          "picture)")
        .arg(stamp.stamp == StampPastEdge::Text ? QStringLiteral("text") : QStringLiteral("logo"),
             visibleName(fileName), QString::number(stamp.box.width()),
             QString::number(stamp.box.height()), QString::number(pictureSize.width()),
             QString::number(pictureSize.height()));
}

QString leftOutLine(const LeftOut &leftOut)
{
    if (leftOut.name.isEmpty())
        return QStringLiteral("Left out the folder %1: %2")
            .arg(visibleName(leftOut.folder), leftOut.reason);
    return QStringLiteral("Left out %1: its name is not valid UTF-8")
        .arg(visibleName(leftOut.folder + QLatin1Char('/') + leftOut.name));
}

QVector<OutcomeLine> outcomeLines(const PictureOutcome &outcome, const QString &folder,
                                  const QString &format, int position, int count)
{
    const QFileInfo source(outcome.source);
    switch (outcome.kind) {
    case PictureOutcome::Missing:
    case PictureOutcome::Discarded:
        return {};
    case PictureOutcome::Unreadable:
    case PictureOutcome::Damaged:
    case PictureOutcome::TooLarge:
        return {{false, unreadableLine(outcome.source, outcome.reason)}};
    case PictureOutcome::NotWritten:
        return {{false,
                 unwritableLine(source.completeBaseName() + QLatin1Char('.') + format, folder,
                                outcome.reason)}};
    case PictureOutcome::Written:
    case PictureOutcome::Renamed:
        break;
    }
    QVector<OutcomeLine> lines;
    const QFileInfo output(outcome.output);
    if (outcome.kind == PictureOutcome::Renamed)
        lines << OutcomeLine {
            true, renamedLine(folder, source.baseName(), format, output.completeBaseName())};
    if (!output.completeBaseName().startsWith(source.completeBaseName()))
        lines << OutcomeLine {true,
                              shortenedLine(folder,
                                            source.completeBaseName() + QLatin1Char('.') + format,
                                            output.fileName())};
    if (!outcome.informationNotKept.isEmpty())
        lines << OutcomeLine {false,
                              informationNotKeptLine(outcome.source, outcome.informationNotKept,
                                                     outcome.informationPartlyKept)};
    lines << OutcomeLine {false, writtenLine(source.completeBaseName(), format, position, count)};
    const QString writtenName = source.completeBaseName() + QLatin1Char('.') + format;
    for (const StampPastEdge &stamp : outcome.pastEdges)
        lines << OutcomeLine {true, pastEdgeLine(stamp, writtenName, outcome.stampedSize)};
    return lines;
}
