#include "cli/stampoptions.h"

#include "cli/setupoptions.h"
#include "cli/stampcommand.h"
#include "engine/setup/settingsstore.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHash>

#include <memory>
#include <optional>

namespace {

struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(StampOptions)
};

QCommandLineOption commandLineOption(const SetupOption &option)
{
    return QCommandLineOption(option.name, option.description, option.valueName);
}

// The parser of tessaro-stamp's options, with the help text's descriptions.
struct StampParser
{
    StampParser();

    QCommandLineParser parser;
    QCommandLineOption output {
        QStringLiteral("output"),
        Texts::tr("Write the stamped pictures into <DIR> (required), made with its parents when "
                  "missing."),
        QStringLiteral("DIR")};
    QCommandLineOption filesFrom {
        QStringLiteral("files-from"),
        Texts::tr("Stamp the pictures and folders listed in <FILE> too, one a line ('-': "
                  "standard input)."),
        QStringLiteral("FILE")};
    QCommandLineOption null {
        QStringLiteral("null"),
        Texts::tr("The paths of --files-from end in a null character (find -print0), not a line "
                  "end.")};
    QCommandLineOption settings {
        QStringLiteral("settings"),
        Texts::tr("Read the setup from <FILE>, a preset in the format of the window's settings "
                  "file, instead of the window's own."),
        QStringLiteral("FILE")};
    QCommandLineOption printSettings {
        QStringLiteral("print-settings"),
        Texts::tr("Print the setup, with the options above applied, as a preset for --settings, "
                  "and stamp nothing.")};
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
        Texts::tr("Stamps pictures with the watermark text and logo set up in Tessaro's window, "
                  "or given as options.\nEach PATH is a picture or a folder, searched with its "
                  "subfolders."));
    parser.addOptions({output, filesFrom, null, settings});
    for (const SetupOption &option : setupOptions())
        parser.addOption(commandLineOption(option));
    parser.addOptions({printSettings, jobs, quiet, help, version});
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

// The settings values of the setup options in the order given, a later one over an earlier
// one; an empty map and `*problem` set for options that cannot go together, or for the first
// value that stands for none.
QSettings::SettingsMap setupValues(const QCommandLineParser &parser, QString *problem)
{
    QHash<QString, const SetupOption *> byName;
    for (const SetupOption &option : setupOptions()) {
        byName.insert(option.name, &option);
        if (!option.excludes.isEmpty() && parser.isSet(option.name)
            && parser.isSet(option.excludes)) {
            *problem
                = Texts::tr("--%1 and --%2 cannot go together.").arg(option.name, option.excludes);
            return {};
        }
    }
    QHash<QString, int> occurrences;
    QSettings::SettingsMap setup;
    const QStringList names = parser.optionNames();
    for (const QString &name : names) {
        const SetupOption *option = byName.value(name);
        if (!option)
            continue;
        const int occurrence = occurrences[name]++;
        const QString value
            = option->valueName.isEmpty() ? QString() : parser.values(name).at(occurrence);
        const QSettings::SettingsMap values = option->values(value, problem);
        if (!problem->isEmpty())
            return {};
        for (auto entry = values.cbegin(); entry != values.cend(); ++entry)
            setup.insert(entry.key(), entry.value());
    }
    return setup;
}

// The options of the table that cannot be given together, a pair a line.
QString excludedPairs()
{
    QString pairs;
    for (const SetupOption &option : setupOptions()) {
        if (!option.excludes.isEmpty())
            pairs += Texts::tr("  --%1 and --%2\n").arg(option.name, option.excludes);
    }
    return pairs;
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
    options.lists = parser.values(parsing.filesFrom);
    options.nullSeparated = parser.isSet(parsing.null);
    options.outputFolder = parser.value(parsing.output);
    options.settingsFile = parser.value(parsing.settings);
    options.printSettings = parser.isSet(parsing.printSettings);
    options.quiet = parser.isSet(parsing.quiet);
    options.setup = setupValues(parser, &parsed.error);
    if (!parsed.error.isEmpty())
        return parsed;
    if (parser.isSet(parsing.jobs)) {
        const std::optional<int> jobs = boundedNumber(parser.value(parsing.jobs), 1, 1024);
        if (!jobs) {
            parsed.error = Texts::tr("--jobs must be a whole number from 1 to 1024, not '%1'.")
                               .arg(parser.value(parsing.jobs));
            return parsed;
        }
        options.jobs = *jobs;
    }
    if (options.nullSeparated && options.lists.isEmpty())
        parsed.error = Texts::tr("--null tells how the lists of --files-from are written: give "
                                 "one with --files-from FILE.");
    else if (options.printSettings)
        return parsed;
    else if (options.outputFolder.isEmpty())
        parsed.error = Texts::tr("No output folder: give one with --output DIR.");
    else if (options.paths.isEmpty() && options.lists.isEmpty())
        parsed.error = Texts::tr("No picture or folder to stamp.");
    return parsed;
}

QString stampHelpText()
{
    const std::unique_ptr<QSettings> store(openSettingsStore());
    return StampParser().parser.helpText()
        + Texts::tr("\nThe setup is the one the window saved in %1,\n"
                    "or the preset of --settings; each option above changes its one value, a "
                    "later\noption winning over an earlier one. With neither, give at least "
                    "--text.\nThese options cannot go together:\n%5\n"
                    "Exit status:\n"
                    "  %2    every picture was written\n"
                    "  %3    some picture was not written, or a path was no picture or folder\n"
                    "  %4    the command or its setup is wrong: nothing was stamped\n"
                    "  130  stopped by Ctrl+C (SIGINT), 143 stopped by SIGTERM; the pictures "
                    "being\n       written when the signal came are in place whole or not at "
                    "all")
              // In one pass, so that a "%" in the settings file's path stays as it is.
              .arg(store->fileName(), QString::number(AllWritten), QString::number(SomeFailed),
                   QString::number(BadUsage), excludedPairs());
}
