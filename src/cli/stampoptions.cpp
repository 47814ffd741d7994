#include "cli/stampoptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace {

struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(StampOptions)
};

// The parser of tessaro-stamp's options, with the help text's descriptions.
struct StampParser
{
    StampParser();

    QCommandLineParser parser;
    QCommandLineOption output {QStringLiteral("output"),
                               Texts::tr("Write the stamped pictures into <DIR> (required)."),
                               QStringLiteral("DIR")};
    QCommandLineOption settings {
        QStringLiteral("settings"),
        Texts::tr("Read the settings from <FILE>, a copy of the window's settings file, instead "
                  "of the window's own."),
        QStringLiteral("FILE")};
    QCommandLineOption format {QStringLiteral("format"),
                               Texts::tr("Write <FORMAT>: jpg, png or tif."),
                               QStringLiteral("FORMAT")};
    QCommandLineOption quality {QStringLiteral("quality"), Texts::tr("JPG quality, from 0 to 100."),
                                QStringLiteral("Q")};
    QCommandLineOption text {QStringLiteral("text"), Texts::tr("Stamp <TEXT>."),
                             QStringLiteral("TEXT")};
    QCommandLineOption logo {QStringLiteral("logo"), Texts::tr("Stamp the logo in <FILE>."),
                             QStringLiteral("FILE")};
    QCommandLineOption metadata {
        QStringLiteral("metadata"),
        Texts::tr("keep: carry the photo information (camera, date, copyright) over; strip: "
                  "write none."),
        QStringLiteral("keep|strip")};
    QCommandLineOption keepLocation {
        QStringLiteral("keep-location"),
        Texts::tr("Keep the location in the photo information. Without it, every coordinate "
                  "is removed from the EXIF, IPTC and XMP, in every namespace: latitude, "
                  "longitude, altitude, and the GPS fields with them (GPS time, direction, "
                  "destination). Place names (city, region, country, sublocation) stay.")};
    QCommandLineOption scaleWithPicture {
        QStringLiteral("scale-with-picture"),
        Texts::tr("Scale the stamp with each picture, as designed for pictures whose shorter side "
                  "is <N> pixels (1 to 99999)."),
        QStringLiteral("N")};
    QCommandLineOption noScaleWithPicture {
        QStringLiteral("no-scale-with-picture"),
        Texts::tr("Draw the stamp at its own size on every picture.")};
    QCommandLineOption neverEnlarge {
        QStringLiteral("never-enlarge"),
        Texts::tr("When resizing, keep the size of a picture that fits inside the box.")};
    QCommandLineOption enlarge {QStringLiteral("enlarge"),
                                Texts::tr("When resizing, enlarge smaller pictures to the box.")};
    QCommandLineOption jobs {QStringLiteral("jobs"),
                             Texts::tr("Stamp <N> pictures at once (default: one per core)."),
                             QStringLiteral("N")};
    QCommandLineOption quiet {QStringLiteral("quiet"),
                              Texts::tr("Print only the pictures that were not written.")};
    QCommandLineOption help {QStringLiteral("help"), Texts::tr("Show this help.")};
    QCommandLineOption version {QStringLiteral("version"), Texts::tr("Show the version.")};
};

StampParser::StampParser()
{
    parser.setApplicationDescription(
        Texts::tr("Stamps pictures with the watermark text and logo set up in Tessaro's window.\n"
                  "Each PATH is a picture or a folder, searched with its subfolders."));
    parser.addOptions({output, settings, format, quality, text, logo, metadata, keepLocation,
                       scaleWithPicture, noScaleWithPicture, neverEnlarge, enlarge, jobs, quiet,
                       help, version});
    parser.addPositionalArgument(QStringLiteral("PATH"), Texts::tr("Pictures and folders."),
                                 QStringLiteral("PATH..."));
}

// The whole number in `value` within `minimum` and `maximum`, if it is one.
std::optional<int> boundedNumber(const QString &value, int minimum, int maximum)
{
    bool ok = false;
    const int number = value.toInt(&ok);
    if (!ok || number < minimum || number > maximum)
        return std::nullopt;
    return number;
}

} // namespace

ParsedStampOptions parseStampOptions(const QStringList &arguments)
{
    StampParser parsing;
    QCommandLineParser &parser = parsing.parser;
    ParsedStampOptions parsed;
    StampOptions &options = parsed.options;
    if (!parser.parse(arguments)) {
        parsed.error = parser.errorText();
        return parsed;
    }
    options.help = parser.isSet(parsing.help);
    options.version = parser.isSet(parsing.version);
    if (options.help || options.version)
        return parsed;

    options.paths = parser.positionalArguments();
    options.outputFolder = parser.value(parsing.output);
    options.settingsFile = parser.value(parsing.settings);
    options.logoFile = parser.value(parsing.logo);
    options.quiet = parser.isSet(parsing.quiet);
    if (parser.isSet(parsing.text))
        options.text = parser.value(parsing.text);
    if (parser.isSet(parsing.format)) {
        const QString format = parser.value(parsing.format);
        if (!QStringList({QStringLiteral("jpg"), QStringLiteral("png"), QStringLiteral("tif")})
                 .contains(format)) {
            parsed.error = Texts::tr("--format must be jpg, png or tif, not '%1'.").arg(format);
            return parsed;
        }
        options.format = format;
    }
    if (parser.isSet(parsing.quality)) {
        options.quality = boundedNumber(parser.value(parsing.quality), 0, 100);
        if (!options.quality) {
            parsed.error = Texts::tr("--quality must be a whole number from 0 to 100, not '%1'.")
                               .arg(parser.value(parsing.quality));
            return parsed;
        }
    }
    if (parser.isSet(parsing.metadata)) {
        const QString metadata = parser.value(parsing.metadata);
        if (metadata != QLatin1String("keep") && metadata != QLatin1String("strip")) {
            parsed.error = Texts::tr("--metadata must be keep or strip, not '%1'.").arg(metadata);
            return parsed;
        }
        options.keepMetadata = metadata == QLatin1String("keep");
    }
    options.keepLocation = parser.isSet(parsing.keepLocation);
    if (parser.isSet(parsing.scaleWithPicture) && parser.isSet(parsing.noScaleWithPicture)) {
        parsed.error
            = Texts::tr("--scale-with-picture and --no-scale-with-picture cannot go together.");
        return parsed;
    }
    if (parser.isSet(parsing.scaleWithPicture)) {
        const std::optional<int> reference
            = boundedNumber(parser.value(parsing.scaleWithPicture), 1, 99999);
        if (!reference) {
            parsed.error
                = Texts::tr(
                      "--scale-with-picture must be a whole number from 1 to 99999, not '%1'.")
                      .arg(parser.value(parsing.scaleWithPicture));
            return parsed;
        }
        options.scaleWithPicture = true;
        options.referenceShorterSide = *reference;
    }
    if (parser.isSet(parsing.noScaleWithPicture))
        options.scaleWithPicture = false;
    if (parser.isSet(parsing.neverEnlarge) && parser.isSet(parsing.enlarge)) {
        parsed.error = Texts::tr("--never-enlarge and --enlarge cannot go together.");
        return parsed;
    }
    if (parser.isSet(parsing.neverEnlarge) || parser.isSet(parsing.enlarge))
        options.neverEnlarge = parser.isSet(parsing.neverEnlarge);
    if (parser.isSet(parsing.jobs)) {
        const std::optional<int> jobs = boundedNumber(parser.value(parsing.jobs), 1, 1024);
        if (!jobs) {
            parsed.error = Texts::tr("--jobs must be a whole number from 1 to 1024, not '%1'.")
                               .arg(parser.value(parsing.jobs));
            return parsed;
        }
        options.jobs = *jobs;
    }
    if (options.outputFolder.isEmpty())
        parsed.error = Texts::tr("No output folder: give one with --output DIR.");
    else if (options.paths.isEmpty())
        parsed.error = Texts::tr("No picture or folder to stamp.");
    return parsed;
}

QString stampHelpText()
{
    return StampParser().parser.helpText();
}
