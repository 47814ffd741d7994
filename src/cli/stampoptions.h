#ifndef TESSARO_STAMPOPTIONS_H
#define TESSARO_STAMPOPTIONS_H

#include <QSettings>
#include <QString>
#include <QStringList>

// The command line of tessaro-stamp. Unset values come from the settings.
struct StampOptions
{
    QStringList paths; // picture files and folders, in the order given
    QStringList lists; // --files-from: files listing more paths ("-": standard input)
    bool nullSeparated = false; // the lists' paths end in a null character, not a line end
    QString outputFolder;
    QString settingsFile; // empty: the window's own store
    // The settings values the options give, the later option winning over the earlier one.
    QSettings::SettingsMap setup;
    bool printSettings = false;
    int jobs = 0; // pictures stamped at once; 0: one per core
    bool quiet = false;
    bool help = false;
    bool version = false;
};

// The options, or the sentence that names what is wrong with them (then `options` is unusable).
struct ParsedStampOptions
{
    StampOptions options;
    QString error;
};

// Parses `arguments`, the program's name first. --help and --version need nothing else;
// --print-settings needs no output folder and no path.
ParsedStampOptions parseStampOptions(const QStringList &arguments);

// The text --help prints: the options, where the window's settings live, and the exit statuses.
QString stampHelpText();

#endif // TESSARO_STAMPOPTIONS_H
