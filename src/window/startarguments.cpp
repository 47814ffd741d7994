#include "window/startarguments.h"

#include "engine/version.h"

StartRequest parseStartArguments(const QStringList &arguments)
{
    StartRequest request;
    bool optionsEnded = false;
    for (const QString &argument : arguments) {
        if (!optionsEnded && argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded
                   && (argument == QLatin1String("--help") || argument == QLatin1String("-h"))) {
            return {StartRequest::ShowHelp, {}};
        } else if (!optionsEnded
                   && (argument == QLatin1String("--version") || argument == QLatin1String("-v"))) {
            return {StartRequest::ShowVersion, {}};
        } else {
            request.files << argument;
        }
    }
    return request;
}

QString startHelpText()
{
    return QStringLiteral(
        "Usage: tessaro [OPTION]... [FILE]...\n"
        "Stamps a line of watermark text and a logo onto a batch of pictures, in a window.\n"
        "\n"
        "Each FILE joins the list of pictures as a drop on the window adds it: a picture file,\n"
        "or a folder searched with its subfolders.\n"
        "\n"
        "Options:\n"
        "  -h, --help     Show this help and exit.\n"
        "  -v, --version  Show the version and exit.\n"
        "  --             Take every argument after it as a FILE.\n"
        "The toolkit's own options, such as -platform and -style, are understood too.\n"
        "\n"
        "The window keeps its settings in ~/.config/Korvath/Tessaro.conf (under\n"
        "$XDG_CONFIG_HOME when it is set). tessaro-stamp stamps without the window, with the\n"
        "settings the window saved; see tessaro(1) and tessaro-stamp(1).\n");
}

QString startVersionText()
{
    return QStringLiteral("tessaro " TESSARO_VERSION "\n");
}
