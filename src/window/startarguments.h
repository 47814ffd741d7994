#ifndef TESSARO_STARTARGUMENTS_H
#define TESSARO_STARTARGUMENTS_H

#include <QString>
#include <QStringList>

// What tessaro's command line asks for: the window with files to add, or only the help or the
// version printed.
struct StartRequest
{
    enum Action { OpenWindow, ShowHelp, ShowVersion };
    Action action = OpenWindow;
    QStringList files; // as given; a drop's rules decide what they add
};

// Reads tessaro's arguments, the program's name left out. "--help" or "-h" asks for the help and
// "--version" or "-v" for the version, whichever comes first; every other argument, and every one
// after "--", is a file to add.
StartRequest parseStartArguments(const QStringList &arguments);

// What "tessaro --help" prints.
QString startHelpText();

// What "tessaro --version" prints.
QString startVersionText();

#endif // TESSARO_STARTARGUMENTS_H
