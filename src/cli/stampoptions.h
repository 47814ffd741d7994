#ifndef TESSARO_STAMPOPTIONS_H
#define TESSARO_STAMPOPTIONS_H

#include <QString>
#include <QStringList>

#include <optional>

// The command line of tessaro-stamp. Unset values come from the settings.
struct StampOptions
{
    QStringList paths; // picture files and folders, in the order given
    QString outputFolder;
    QString settingsFile; // empty: the window's own store
    std::optional<QString> format; // "jpg", "png" or "tif"
    std::optional<int> quality; // 0 to 100
    std::optional<QString> text;
    QString logoFile; // empty: the stored logo
    std::optional<bool> keepMetadata; // --metadata keep|strip
    bool keepLocation = false; // --keep-location
    // --scale-with-picture N (with N, the shorter side the stamp was designed for) or
    // --no-scale-with-picture.
    std::optional<bool> scaleWithPicture;
    int referenceShorterSide = 0;
    std::optional<bool> neverEnlarge; // --never-enlarge or --enlarge
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

// Parses `arguments`, the program's name first. --help and --version need nothing else.
ParsedStampOptions parseStampOptions(const QStringList &arguments);

// The text --help prints.
QString stampHelpText();

#endif // TESSARO_STAMPOPTIONS_H
