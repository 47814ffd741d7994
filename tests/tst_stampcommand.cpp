// tessaro-stamp: its options, and the built program run as a separate process on real files.
#include "cli/setupoptions.h"
#include "cli/stampcommand.h"
#include "cli/stampoptions.h"
#include "engine/batch/picturewalk.h"
#include "engine/batch/stampjob.h"
#include "engine/read/imageload.h"
#include "engine/setup/savedsetup.h"
#include "engine/setup/settingskeys.h"
#include "engine/setup/settingsstore.h"
#include "support/dialoganswerer.h"
#include "support/hostilefiles.h"
#include "support/testenv.h"
#include "support/testfiles.h"
#include "ui_mainwindow.h"

#include <QtTest>
#include <QtWidgets>

#include <exiv2/exiv2.hpp>

#include <atomic>
#include <csignal>
#include <thread>

#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString stampProgram = QStringLiteral(TESSARO_STAMP_PATH);

// How a run of the program ended.
struct Finished
{
    int status = -1;
    QStringList out; // standard output, line by line
    QByteArray outBytes;
    QString err;
};

// The program's environment: no display, no platform and no font resolution named, the
// settings store in `configHome`.
QProcessEnvironment stampEnvironment(const QString &configHome)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("QT_FONT_DPI"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    return environment;
}

void startStamp(QProcess &process, const QStringList &arguments, const QString &configHome)
{
    process.setProcessEnvironment(stampEnvironment(configHome));
    process.start(stampProgram, arguments);
}

Finished finished(QProcess &process)
{
    // A generous watchdog against a hang, not a time limit.
    if (!process.waitForFinished(120000))
        qFatal("tessaro-stamp did not finish");
    Finished done;
    done.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    done.outBytes = process.readAllStandardOutput();
    done.out = QString::fromUtf8(done.outBytes).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    done.err = QString::fromUtf8(process.readAllStandardError());
    return done;
}

Finished runStamp(const QStringList &arguments, const QString &configHome)
{
    QProcess process;
    startStamp(process, arguments, configHome);
    return finished(process);
}

QString writePicture(const QString &path, const QSize &size = QSize(48, 32),
                     QRgb color = qRgb(90, 120, 150))
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(color);
    if (!picture.save(path))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QString writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// Runs the window's list into `folder`, answering the questions that come up with `answers`, and
// gives what the run logged but its "Stamping ..." line.
QStringList runInWindow(MainWindow &window, const QString &folder,
                        const QList<QMessageBox::StandardButton> &answers)
{
    Ui::MainWindow *ui = MainWindowProbe::ui(window);
    DialogAnswerer answerer;
    answerer.choosePath(folder);
    for (const QMessageBox::StandardButton answer : answers)
        answerer.pressButton(answer);
    QTest::mouseClick(ui->start_btn, Qt::LeftButton);
    if (!answerer.waitUntilAnswered())
        return {"(a question of the window was left unanswered)"};
    QStringList log;
    for (const QString &line : ui->log_plain->toPlainText().split('\n')) {
        if (!line.isEmpty() && !line.startsWith("Stamping "))
            log << line;
    }
    return log;
}

// A settings file that stamps nothing: the output is the picture itself.
QString plainSettings(const QString &path)
{
    return writeFile(path,
                     "[General]\nwtrmark_edit=\nshadow_spin=0\nresize_check=false\n"
                     "outjpg_radio=false\noutpng_radio=true\n");
}

} // namespace

class TstStampCommand : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void parsesOptions_data();
    void parsesOptions();
    void optionTableCoversEverySetting();
    void rejectsOptions_data();
    void rejectsOptions();
    void progressLine_data();
    void progressLine();
    void helpAndVersion_data();
    void helpAndVersion();
    void badSetupIsAUsageError_data();
    void badSetupIsAUsageError();
    void stampsAsTheWindowDoes_data();
    void stampsAsTheWindowDoes();
    void stampScalesWithEachPicture();
    void phoneAndWebPhotos_data();
    void phoneAndWebPhotos();
    void optionsOverrideTheSettings_data();
    void optionsOverrideTheSettings();
    void printedSettingsStampTheSame_data();
    void printedSettingsStampTheSame();
    void standardErrorStaysQuiet_data();
    void standardErrorStaysQuiet();
    void createsTheOutputFolder_data();
    void createsTheOutputFolder();
    void stampsTheListedPaths_data();
    void stampsTheListedPaths();
    void walksFoldersAsADrop();
    void leftOutNamesAreToldAndFail();
    void toolkitOptionsArePaths_data();
    void toolkitOptionsArePaths();
    void failuresAndRenamesArePrinted_data();
    void failuresAndRenamesArePrinted();
    void longNameIsShortenedToFit();
    void replacedSourceGivesOneFilesPicture();
    void killedRunLeavesWholeFilesOnly();
    void memoryBudgets_data();
    void memoryBudgets();
    void missingStoredLogoIsSkipped();
    void loadsOnlyThePlugInOfItsFormat_data();
    void loadsOnlyThePlugInOfItsFormat();
    void concurrentProcessesShareAFolder();
    void signalStopsTheRun_data();
    void signalStopsTheRun();
    void noPictureStartsAfterASignal_data();
    void noPictureStartsAfterASignal();

private:
    QString path(const QString &name) const { return dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> dir;
    QString configHome; // an empty settings store for the program
};

void TstStampCommand::initTestCase()
{
    initTestApplication();
    QVERIFY(QFileInfo(stampProgram).isExecutable());
}

void TstStampCommand::init()
{
    dir = std::make_unique<QTemporaryDir>();
    configHome = path(QStringLiteral("config"));
    QVERIFY(QDir().mkpath(configHome));
    QVERIFY(QDir().mkpath(path(QStringLiteral("out"))));
}

void TstStampCommand::cleanup()
{
    dir.reset();
}

void TstStampCommand::parsesOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QVariantMap>("setup");
    QTest::addColumn<int>("jobs");
    QTest::addColumn<bool>("quiet");

    const QStringList out = {"--output", "out"};
    QTest::newRow("only the folder and paths")
        << QStringList {"--output", "out", "a.jpg", "b"} << QStringList {"a.jpg", "b"}
        << QVariantMap() << 0 << false;
    QTest::newRow("every value")
        << QStringList {"--output=out",
                        "--format",
                        "tif",
                        "--quality",
                        "1",
                        "--text",
                        "",
                        "--jobs",
                        "3",
                        "--quiet",
                        "--settings",
                        "s.conf",
                        "--logo",
                        "/shared/l.png",
                        "--metadata",
                        "strip",
                        "--keep-location",
                        "--scale-with-picture",
                        "720",
                        "--never-enlarge",
                        "a"}
        << QStringList {"a"}
        << QVariantMap {{"outjpg_radio", false},    {"outpng_radio", false},
                        {"outtif_radio", true},     {"outwebp_radio", false},
                        {"outavif_radio", false},   {"comp_slider", 1},
                        {"wtrmark_edit", ""},       {"logo_file_name", "/shared/l.png"},
                        {"keepinfo_check", false},  {"dropgps_check", false},
                        {"scalestamp_check", true}, {"referenceside_spin", 720},
                        {"noenlarge_check", true}}
        << 3 << true;
    QTest::newRow("a path like an option after --")
        << QStringList {"--output", "out", "--", "--quiet"} << QStringList {"--quiet"}
        << QVariantMap() << 0 << false;
    QTest::newRow("text: font, colour, position, offset")
        << out
            + QStringList {"--font",
                           " DejaVu Sans , 24.5 , Italic,bold",
                           "--color",
                           "#FF8000",
                           "--text-position",
                           "bottom-right",
                           "--text-offset",
                           "-9999,9999",
                           "x"}
        << QStringList {"x"}
        << QVariantMap {{"font", "DejaVu Sans,24.5,-1,5,75,1,0,0,0,0"},
                        {"fnt_clr", 0xffff8000u},
                        {"txt_topleft_btn", false},
                        {"txt_top_btn", false},
                        {"txt_topright_btn", false},
                        {"txt_left_btn", false},
                        {"txt_center_btn", false},
                        {"txt_right_btn", false},
                        {"txt_botleft_btn", false},
                        {"txt_bot_btn", false},
                        {"txt_botright_btn", true},
                        {"txt_x_spin", -9999},
                        {"txt_y_spin", 9999}}
        << 0 << false;
    QTest::newRow("logo: position, offset, scale; colour without #")
        << out + QStringList {"--logo-position", "center",       "--logo-offset",
                              "-99999,999999",   "--logo-scale", "0.01",
                              "--color",         "00ff00",       "x"}
        << QStringList {"x"}
        << QVariantMap {{"logo_topleft_btn", false},  {"logo_top_btn", false},
                        {"logo_topright_btn", false}, {"logo_left_btn", false},
                        {"logo_center_btn", true},    {"logo_right_btn", false},
                        {"logo_botleft_btn", false},  {"logo_bot_btn", false},
                        {"logo_botright_btn", false}, {"x_spin", -99999},
                        {"y_spin", 999999},           {"scale_spin", 0.01},
                        {"fnt_clr", 0xff00ff00u}}
        << 0 << false;
    QTest::newRow("band and resize")
        << out + QStringList {"--band", "light",    "--band-edge", "top",           "--band-height",
                              "1000",   "--resize", "10X99999",    "--keep-aspect", "x"}
        << QStringList {"x"} << QVariantMap {{"light_radio", true}, {"dark_radio", false},
                                             {"top_radio", true},   {"bottom_radio_radio", false},
                                             {"shadow_spin", 1000}, {"resize_check", true},
                                             {"width_spin", 10},    {"height_spin", 99999},
                                             {"aspect_check", true}}
        << 0 << false;
    QTest::newRow("a later option wins")
        << out
            + QStringList {"--band-height",
                           "30",
                           "--band",
                           "none",
                           "--resize",
                           "800x600",
                           "--no-resize",
                           "--keep-aspect",
                           "--stretch",
                           "--keep-location",
                           "--drop-location",
                           "--logo",
                           "/l.png",
                           "--no-logo",
                           "--text",
                           "A",
                           "--text",
                           "B",
                           "x"}
        << QStringList {"x"}
        << QVariantMap {{"shadow_spin", 0},     {"resize_check", false}, {"width_spin", 800},
                        {"height_spin", 600},   {"aspect_check", false}, {"dropgps_check", true},
                        {"logo_file_name", ""}, {"wtrmark_edit", "B"}}
        << 0 << false;
    QTest::newRow("print the settings: no folder, no path")
        << QStringList {"--print-settings", "--band", "dark"} << QStringList()
        << QVariantMap {{"light_radio", false}, {"dark_radio", true}} << 0 << false;
}

void TstStampCommand::parsesOptions()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, paths);
    QFETCH(QVariantMap, setup);
    QFETCH(int, jobs);
    QFETCH(bool, quiet);

    const ParsedStampOptions parsed = parseStampOptions(QStringList {"tessaro-stamp"} + arguments);
    QCOMPARE(parsed.error, QString());
    const StampOptions &options = parsed.options;
    QCOMPARE(options.paths, paths);
    QCOMPARE(options.outputFolder, arguments.contains("--print-settings") ? "" : "out");
    QCOMPARE(options.setup, setup);
    QCOMPARE(options.jobs, jobs);
    QCOMPARE(options.quiet, quiet);
    QCOMPARE(options.settingsFile, arguments.contains("s.conf") ? "s.conf" : QString());
    QCOMPARE(options.printSettings, arguments.contains("--print-settings"));
}

// Every key of the settings is set by an option or is the window's own, every option is in the
// help and sets keys of the table, and the option one excludes is in the table.
void TstStampCommand::optionTableCoversEverySetting()
{
    QStringList covered = windowOnlyKeys();
    const QString help = stampHelpText();
    for (const SetupOption &option : setupOptions()) {
        QVERIFY2(help.contains("--" + option.name), qPrintable(option.name));
        QVERIFY2(!option.keys.isEmpty(), qPrintable(option.name));
        covered << option.keys;
    }
    QStringList keys;
    for (const SettingKey &entry : settingKeys())
        keys << QLatin1String(entry.key);
    for (const QString &key : qAsConst(keys))
        QVERIFY2(covered.contains(key), qPrintable(key + " is set by no option"));
    for (const QString &key : qAsConst(covered))
        QVERIFY2(keys.contains(key), qPrintable(key + " is no settings key"));
    for (const QString &key : windowOnlyKeys()) {
        for (const SetupOption &option : setupOptions())
            QVERIFY2(!option.keys.contains(key), qPrintable(key + " is the window's own"));
    }
    QStringList names;
    for (const SetupOption &option : setupOptions())
        names << option.name;
    for (const SetupOption &option : setupOptions()) {
        QVERIFY2(option.excludes.isEmpty() || names.contains(option.excludes),
                 qPrintable(option.excludes + " is no option"));
    }
}

void TstStampCommand::rejectsOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error");

    const QStringList good {"--output", "out", "a.jpg"};
    QTest::newRow("unknown option") << (QStringList {"--frob"} + good) << "Unknown option 'frob'.";
    QTest::newRow("missing value")
        << QStringList {"a.jpg", "--output"} << "Missing value after '--output'.";
    QTest::newRow("no output folder")
        << QStringList {"a.jpg"} << "No output folder: give one with --output DIR.";
    QTest::newRow("empty output folder")
        << QStringList {"--output", "", "a.jpg"} << "No output folder: give one with --output DIR.";
    QTest::newRow("no path") << QStringList {"--output", "out"} << "No picture or folder to stamp.";
    QTest::newRow("format") << (QStringList {"--format", "JPG"} + good)
                            << "--format must be jpg, png, tif, webp or avif, not 'JPG'.";
    QTest::newRow("quality above 100")
        << (QStringList {"--quality", "101"} + good)
        << "--quality must be a whole number from 1 to 100, not '101'.";
    QTest::newRow("quality not a number")
        << (QStringList {"--quality", "high"} + good)
        << "--quality must be a whole number from 1 to 100, not 'high'.";
    QTest::newRow("quality 0, below the slider")
        << (QStringList {"--quality", "0"} + good)
        << "--quality must be a whole number from 1 to 100, not '0'.";
    QTest::newRow("band height") << (QStringList {"--band-height", "1001"} + good)
                                 << "--band-height must be a whole number from 0 to 1000, not "
                                    "'1001'.";
    QTest::newRow("text offset beyond")
        << (QStringList {"--text-offset", "10000,0"} + good)
        << "--text-offset must be X,Y, two whole numbers from -9999 to 9999, not '10000,0'.";
    QTest::newRow("logo offset of three")
        << (QStringList {"--logo-offset", "1,2,3"} + good)
        << "--logo-offset must be X,Y, two whole numbers from -99999 to 999999, not '1,2,3'.";
    QTest::newRow("resize too small")
        << (QStringList {"--resize", "800x9"} + good)
        << "--resize must be WxH, two whole numbers from 10 to 99999, not '800x9'.";
    QTest::newRow("resize with a star")
        << (QStringList {"--resize", "800*600"} + good)
        << "--resize must be WxH, two whole numbers from 10 to 99999, not '800*600'.";
    QTest::newRow("logo scale beyond")
        << (QStringList {"--logo-scale", "9.5"} + good)
        << "--logo-scale must be a number from 0.01 to 9, not '9.5'.";
    QTest::newRow("logo scale not a number")
        << (QStringList {"--logo-scale", "nan"} + good)
        << "--logo-scale must be a number from 0.01 to 9, not 'nan'.";
    QTest::newRow("colour by name")
        << (QStringList {"--color", "red"} + good) << "--color must be #RRGGBB, not 'red'.";
    QTest::newRow("colour short") << (QStringList {"--color", "#12345"} + good)
                                  << "--color must be #RRGGBB, not '#12345'.";
    const QString fontForm = "FAMILY,SIZE[,bold][,italic] with a size from 1 to 1000 points";
    QTest::newRow("font without size") << (QStringList {"--font", "DejaVu Sans"} + good)
                                       << "--font must be " + fontForm + ", not 'DejaVu Sans'.";
    QTest::newRow("font size 0") << (QStringList {"--font", "DejaVu Sans,0"} + good)
                                 << "--font must be " + fontForm + ", not 'DejaVu Sans,0'.";
    QTest::newRow("font bold twice") << (QStringList {"--font", "A,12,bold,Bold"} + good)
                                     << "--font must be " + fontForm + ", not 'A,12,bold,Bold'.";
    QTest::newRow("font style unknown") << (QStringList {"--font", "A,12,thin"} + good)
                                        << "--font must be " + fontForm + ", not 'A,12,thin'.";
    QTest::newRow("position")
        << (QStringList {"--text-position", "middle"} + good)
        << "--text-position must be top-left, top, top-right, left, center, right, bottom-left, "
           "bottom or bottom-right, not 'middle'.";
    QTest::newRow("band") << (QStringList {"--band", "grey"} + good)
                          << "--band must be dark, light or none, not 'grey'.";
    QTest::newRow("band edge") << (QStringList {"--band-edge", "left"} + good)
                               << "--band-edge must be top or bottom, not 'left'.";
    QTest::newRow("empty logo") << (QStringList {"--logo", ""} + good)
                                << "--logo must be a file, not ''.";
    QTest::newRow("null without a list")
        << (QStringList {"--null"} + good)
        << "--null tells how the lists of --files-from are written: give one with --files-from "
           "FILE.";
    QTest::newRow("metadata") << (QStringList {"--metadata", "all"} + good)
                              << "--metadata must be keep or strip, not 'all'.";
    QTest::newRow("no jobs") << (QStringList {"--jobs", "0"} + good)
                             << "--jobs must be a whole number from 1 to 1024, not '0'.";
    QTest::newRow("reference side zero")
        << (QStringList {"--scale-with-picture", "0"} + good)
        << "--scale-with-picture must be a whole number from 1 to 99999, not '0'.";
    QTest::newRow("reference side as a percentage")
        << (QStringList {"--scale-with-picture", "50%"} + good)
        << "--scale-with-picture must be a whole number from 1 to 99999, not '50%'.";
    QTest::newRow("scaling on and off")
        << (QStringList {"--scale-with-picture", "800", "--no-scale-with-picture"} + good)
        << "--scale-with-picture and --no-scale-with-picture cannot go together.";
    QTest::newRow("never enlarge and enlarge")
        << (QStringList {"--enlarge", "--never-enlarge"} + good)
        << "--never-enlarge and --enlarge cannot go together.";
}

void TstStampCommand::rejectsOptions()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    QCOMPARE(parseStampOptions(QStringList {"tessaro-stamp"} + arguments).error, error);
}

void TstStampCommand::progressLine_data()
{
    QTest::addColumn<int>("done");
    QTest::addColumn<int>("count");
    QTest::addColumn<qint64>("elapsedMs");
    QTest::addColumn<QString>("line");
    QTest::newRow("no pace yet") << 0 << 40 << qint64(5000) << "0 of 40 pictures";
    QTest::newRow("minutes") << 4 << 40 << qint64(6999) << "4 of 40 pictures, about 1:02 left";
    QTest::newRow("hours") << 1 << 50000 << qint64(250)
                           << "1 of 50000 pictures, about 3:28:19 left";
    QTest::newRow("done") << 40 << 40 << qint64(70000) << "40 of 40 pictures";
}

void TstStampCommand::progressLine()
{
    QFETCH(int, done);
    QFETCH(int, count);
    QFETCH(qint64, elapsedMs);
    QFETCH(QString, line);
    QCOMPARE(::progressLine(done, count, elapsedMs), line);
}

void TstStampCommand::helpAndVersion_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QStringList>("printed");
    QTest::addColumn<QString>("configFolder"); // XDG_CONFIG_HOME, under the test's folder
    QTest::newRow("help") << "--help"
                          << QStringList {"--output <DIR>", "CONFIG/Korvath/Tessaro.conf",
                                          "Exit status:",
                                          "  2    the command or its setup is wrong"}
                          << "config";
    QTest::newRow("version") << "--version" << QStringList {"tessaro-stamp 2.6.6\n"} << "config";
    QTest::newRow("help says what removing the location removes")
        << "--help" << QStringList {"latitude"} << "config";
    QTest::newRow("a per cent sign in the settings file's path")
        << "--help" << QStringList {"CONFIG/Korvath/Tessaro.conf", "  2    the command"}
        << "config %2 100%";
}

// Both end with a line end; the help names where the window's settings are and what each exit
// status means.
void TstStampCommand::helpAndVersion()
{
    QFETCH(QString, option);
    QFETCH(QStringList, printed);
    QFETCH(QString, configFolder);
    const QString home = path(configFolder);
    const Finished done = runStamp({option}, home);
    QCOMPARE(done.status, 0);
    QCOMPARE(done.err, QString());
    QVERIFY(done.outBytes.endsWith('\n'));
    for (const QString &text : printed)
        QVERIFY2(QString::fromUtf8(done.outBytes).contains(QString(text).replace("CONFIG", home)),
                 qPrintable(text));
}

void TstStampCommand::badSetupIsAUsageError_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown option")
        << QStringList {"--frob", "--output", "NEW"} << "tessaro-stamp: Unknown option 'frob'.";
    QTest::newRow("output not a folder")
        << QStringList {"--text", "T", "--output", "DIR/a.png"}
        << "tessaro-stamp: The output folder DIR/a.png is not a folder.";
    QTest::newRow("output under a file")
        << QStringList {"--text", "T", "--output", "DIR/a.png/sub"}
        << "tessaro-stamp: Cannot create the output folder DIR/a.png/sub: Not a directory";
    QTest::newRow("no settings file")
        << QStringList {"--output", "NEW", "--settings", "DIR/none.conf"}
        << "tessaro-stamp: Cannot read the settings file DIR/none.conf.";
    QTest::newRow("settings file a folder") << QStringList {"--output", "NEW", "--settings", "OUT"}
                                            << "tessaro-stamp: Cannot read the settings file OUT.";
    QTest::newRow("settings file malformed")
        << QStringList {"--output", "NEW", "--settings", "DIR/bad.conf"}
        << "tessaro-stamp: The settings file DIR/bad.conf is not in the settings format.";
    QTest::newRow("logo not a picture")
        << QStringList {"--text", "T", "--output", "NEW", "--logo", "DIR/bad.conf"}
        << "tessaro-stamp: Cannot read the logo DIR/bad.conf: Unsupported image format";
    QTest::newRow("no setup: no saved one, no preset, no text")
        << QStringList {"--output", "NEW", "--logo", "DIR/a.png", "--band", "light"}
        << "tessaro-stamp: No setup to stamp with: the window has saved none in "
           "CONFIG/Korvath/Tessaro.conf. Give the text with --text TEXT (and the rest as "
           "options), or a preset with --settings FILE.";
    QTest::newRow("list missing")
        << QStringList {"--text", "T", "--output", "NEW", "--files-from", "DIR/none.txt"}
        << "tessaro-stamp: Cannot read the list DIR/none.txt: No such file or directory";
}

// Nothing is stamped and no folder made; standard error names the problem.
void TstStampCommand::badSetupIsAUsageError()
{
    QFETCH(QStringList, options);
    QFETCH(QString, message);
    writePicture(path("a.png"));
    writeFile(path("bad.conf"), "[General\nnot a line\n");
    options.replaceInStrings("DIR", dir->path());
    options.replaceInStrings("OUT", path("out"));
    options.replaceInStrings("NEW", path("new"));
    message.replace("DIR", dir->path()).replace("OUT", path("out")).replace("CONFIG", configHome);

    const Finished done = runStamp(options << path("a.png"), configHome);
    QCOMPARE(done.status, 2);
    QVERIFY2(done.err.contains(message + '\n'), qPrintable(done.err));
    QVERIFY(done.err.contains("Try 'tessaro-stamp --help'"));
    QCOMPARE(done.out, QStringList());
    QCOMPARE(namesIn(path("out")), QStringList());
    QVERIFY(!QFileInfo::exists(path("new")));
}

void TstStampCommand::stampsAsTheWindowDoes_data()
{
    QTest::addColumn<QString>("format");
    QTest::newRow("jpg") << "jpg";
    QTest::newRow("webp") << "webp";
    QTest::newRow("avif") << "avif";
}

// The window's store, or a copy of it given with --settings, gives the window's files byte for
// byte and its log lines, in each format that takes a quality.
void TstStampCommand::stampsAsTheWindowDoes()
{
    QFETCH(QString, format);
    QImage logo(60, 30, QImage::Format_ARGB32);
    logo.fill(qRgba(255, 200, 0, 150));
    const QString logoPath = path("logo.png");
    QVERIFY(logo.save(logoPath));
    QImage photo(320, 240, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y) {
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y, qRgb(x * 255 / 320, y * 255 / 240, (x * y) % 256));
    }
    QVERIFY(QDir().mkpath(path("in/sub")));
    QVERIFY(photo.save(path("in/photo.png")));
    QVERIFY(photo.mirrored().save(path("in/turned.bmp")));
    // Much larger than the box: read at a reduced size by both.
    QVERIFY(photo.scaled(photo.size() * 4).save(path("in/sub/deep.jpg"), nullptr, 95));
    // Never enlarged, this one keeps its size, too small for the text.
    QVERIFY(photo.scaled(120, 90).save(path("in/small.png")));
    const QStringList inputs = {path("in/photo.png"), path("in/turned.bmp"),
                                path("in/sub/deep.jpg"), path("in/small.png")};

    IsolatedSettings store;
    const QByteArray settings = "[General]\ntxt_topleft_btn=false\ntxt_bot_btn=true\n"
                                "logo_topleft_btn=false\nlogo_right_btn=true\nlogo_file_name="
        + logoPath.toUtf8()
        + "\nfont=\"DejaVu Sans,20,-1,5,75,0,0,0,0,0\"\nwtrmark_edit=Window text\n"
          "fnt_clr=4294934528\nshadow_spin=30\nx_spin=-7\ny_spin=5\ntop_radio=true\n"
          "light_radio=true\nscale_spin=0.58\nresize_check=true\naspect_check=true\n"
          "width_spin=200\nheight_spin=200\ntxt_x_spin=3\ntxt_y_spin=-4\ncomp_slider=77\n"
          "noenlarge_check=true\noutjpg_radio=false\nout"
        + format.toUtf8() + "_radio=true\n";
    writeFile(store.path() + "/Korvath/Tessaro.conf", settings);
    const QString windowOut = path("window");
    QVERIFY(QDir().mkpath(windowOut));
    QStringList windowLog;
    {
        MainWindow window;
        Ui::MainWindow *ui = MainWindowProbe::ui(window);
        ui->files_list->addItems(inputs);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        windowLog = runInWindow(window, windowOut, {QMessageBox::Ok});
    }
    QStringList written = {"deep", "photo", "small", "turned"};
    for (QString &name : written)
        name += "." + format;
    QCOMPARE(namesIn(windowOut), written);
    QCOMPARE(windowLog.size(), 5);
    QCOMPARE(windowLog.at(3), "small." + format + " ... OK! (4 of 4)");
    QVERIFY2(windowLog.at(4).startsWith("Warning - the text runs past the edge of small." + format
                                        + " (its box "),
             qPrintable(windowLog.at(4)));
    QCOMPARE(QImage(windowOut + "/turned." + format).size(), QSize(200, 150));
    QVERIFY2(windowLog.at(4).endsWith(QString::fromUtf8(" on a 120 × 90 picture)")),
             qPrintable(windowLog.at(4)));

    const Finished fromStore
        = runStamp(QStringList {"--output", path("out")} + inputs, store.path());
    QCOMPARE(fromStore.status, 0);
    QCOMPARE(fromStore.out, windowLog);
    QVERIFY(QDir().mkpath(path("preset")));
    const Finished fromCopy
        = runStamp(QStringList {"--settings", writeFile(path("preset.conf"), settings), "--output",
                                path("preset")}
                       + inputs,
                   configHome);
    QCOMPARE(fromCopy.status, 0);
    QCOMPARE(fromCopy.out, windowLog);
    for (const QString &out : {path("out"), path("preset")}) {
        QCOMPARE(namesIn(out), written);
        for (const QString &name : written)
            QVERIFY2(fileBytes(out + "/" + name) == fileBytes(windowOut + "/" + name),
                     qPrintable(out + "/" + name));
    }
}

// A mixed batch stamped with the stamp scaling with each picture and pictures never enlarged:
// the window's run, its preview of each picture and tessaro-stamp agree, and each stamp's sizes
// and offsets follow the shorter side of its picture as it is written.
void TstStampCommand::stampScalesWithEachPicture()
{
    // Square: the keep-aspect fit of the truncated box takes nothing more off either side.
    QImage logo(100, 100, QImage::Format_ARGB32);
    logo.fill(qRgb(255, 0, 0));
    QVERIFY(logo.save(path("logo.png")));
    struct Picture
    {
        QString name;
        QSize size;
        QSize written;
    };
    const QList<Picture> pictures = {{"big", {6000, 4000}, {2000, 1333}},
                                     {"tall", {3024, 4032}, {1500, 2000}},
                                     {"mid", {800, 533}, {800, 533}},
                                     {"crop", {400, 250}, {400, 250}}};
    QStringList inputs;
    for (const Picture &picture : pictures) {
        QImage black(picture.size, QImage::Format_RGB32);
        black.fill(Qt::black);
        inputs << path("in/" + picture.name + ".jpg");
        QVERIFY(QDir().mkpath(path("in")));
        QVERIFY(black.save(inputs.last(), nullptr, 95));
    }
    // Designed for a shorter side of 1000: "H" 40 pixels high at (50, 40), the logo 100 wide,
    // 60 and 30 pixels from the bottom right corner.
    IsolatedSettings store;
    writeFile(store.path() + "/Korvath/Tessaro.conf",
              "[General]\nwtrmark_edit=H\nfont=\"DejaVu Sans,30,-1,5,50,0,0,0,0,0\"\n"
              "txt_x_spin=50\ntxt_y_spin=40\nlogo_topleft_btn=false\nlogo_botright_btn=true\n"
              "x_spin=-60\ny_spin=-30\nlogo_file_name="
                  + path("logo.png").toUtf8()
                  + "\nshadow_spin=0\nresize_check=true\naspect_check=true\nwidth_spin=2000\n"
                    "height_spin=2000\nnoenlarge_check=true\nscalestamp_check=true\n"
                    "referenceside_spin=1000\noutjpg_radio=false\noutpng_radio=true\n");
    const QString windowOut = path("window");
    QVERIFY(QDir().mkpath(windowOut));
    QList<QImage> previews;
    {
        MainWindow window;
        Ui::MainWindow *ui = MainWindowProbe::ui(window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        DialogAnswerer answerer;
        answerer.pressButton(QMessageBox::Ok); // the caution of the smooth preview
        ui->smooth_check->setChecked(true);
        QVERIFY(answerer.waitUntilAnswered());
        ui->files_list->addItems(inputs);
        for (int row = 0; row < inputs.size(); ++row) {
            ui->files_list->setCurrentRow(row);
            previews << MainWindowProbe::stampedImage(window).copy();
        }
        answerer.choosePath(windowOut);
        answerer.pressButton(QMessageBox::Ok);
        QTest::mouseClick(ui->start_btn, Qt::LeftButton);
        QVERIFY(answerer.waitUntilAnswered(60000));
    }
    const Finished done = runStamp(QStringList {"--output", path("out")} + inputs, store.path());
    QCOMPARE(done.status, 0);
    QCOMPARE(done.out.size(), pictures.size()); // everything fits: no warning

    QRect bigText;
    for (int i = 0; i < pictures.size(); ++i) {
        const QString name = pictures.at(i).name + ".png";
        QCOMPARE(fileBytes(path("out/" + name)), fileBytes(windowOut + "/" + name));
        const QImage written = QImage(path("out/" + name)).convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(written.size(), pictures.at(i).written);
        QCOMPARE(written, previews.at(i).convertToFormat(QImage::Format_ARGB32));

        QRect logoBox;
        QRect textInk;
        for (int y = 0; y < written.height(); ++y) {
            for (int x = 0; x < written.width(); ++x) {
                const QRgb pixel = written.pixel(x, y);
                if (pixel == qRgb(255, 0, 0))
                    logoBox |= QRect(x, y, 1, 1);
                else if (qGreen(pixel) >= 128)
                    textInk |= QRect(x, y, 1, 1);
            }
        }
        const QSize size = written.size();
        const double factor = qMin(size.width(), size.height()) / 1000.0;
        // Within a pixel; the logo's corner within a pixel and a half, its offset being rounded
        // once and the corner then truncated as for any logo.
        const auto near
            = [](double actual, double expected) { return qAbs(actual - expected) <= 1.0; };
        const auto nearPlace
            = [](double actual, double expected) { return qAbs(actual - expected) <= 1.5; };
        QString sizes;
        QDebug(&sizes) << name << "logo" << logoBox << "text" << textInk;
        QVERIFY2(near(logoBox.width(), 100 * factor), qPrintable(sizes));
        QVERIFY2(nearPlace(logoBox.left(), size.width() - (60 + 100) * factor), qPrintable(sizes));
        QVERIFY2(nearPlace(logoBox.top(), size.height() - (30 + 100) * factor), qPrintable(sizes));
        if (i == 0) {
            bigText = textInk;
            continue;
        }
        // The text as on the largest picture, in proportion to the shorter side.
        const double ratio = factor
            / (qMin(pictures.at(0).written.width(), pictures.at(0).written.height()) / 1000.0);
        QVERIFY2(near(textInk.height(), bigText.height() * ratio), qPrintable(sizes));
        QVERIFY2(near(textInk.left(), bigText.left() * ratio), qPrintable(sizes));
        QVERIFY2(near(textInk.top(), bigText.top() * ratio), qPrintable(sizes));
    }
}

void TstStampCommand::phoneAndWebPhotos_data()
{
    QTest::addColumn<QString>("source"); // in tests/data/boxed, made by make-boxed.sh
    QTest::addColumn<QString>("format");
    QTest::addColumn<QSize>("size"); // upright
    QTest::addColumn<QString>("information"); // "kept", "not kept" or "none"
    const struct
    {
        const char *source;
        QSize size;
        const char *information;
    } sources[] = {
        {"exif6.heic", QSize(40, 60), "kept"}, {"exif6.avif", QSize(40, 60), "kept"},
        {"irot6.avif", QSize(40, 60), "kept"}, {"orient6.jxl", QSize(40, 60), "not kept"},
        {"plain.jxl", QSize(60, 40), "none"},  {"wide.avif", QSize(40, 60), "kept"},
    };
    for (const auto &source : sources) {
        for (const QString &format : outputFormats())
            QTest::addRow("%s to %s", source.source, qPrintable(format))
                << source.source << format << source.size << source.information;
    }
}

// A phone's and the web's photos, in each format written, through the window's run and
// tessaro-stamp: the same bytes and log, upright, the preview as written, the photo information
// kept without the location, or its loss told.
void TstStampCommand::phoneAndWebPhotos()
{
    QFETCH(QString, source);
    QFETCH(QString, format);
    QFETCH(QSize, size);
    QFETCH(QString, information);
    const QString input = path(source);
    QVERIFY(QFile::copy(testDataPath("boxed/" + source), input));
    QByteArray settings = "[General]\nwtrmark_edit=\nshadow_spin=8\ntop_radio=true\n"
                          "resize_check=false\n";
    for (const QString &written : outputFormats())
        settings
            += "out" + written.toUtf8() + "_radio=" + (written == format ? "true\n" : "false\n");
    IsolatedSettings store;
    writeFile(store.path() + "/Korvath/Tessaro.conf", settings);

    const QString windowOut = path("window");
    QVERIFY(QDir().mkpath(windowOut));
    QStringList windowLog;
    QImage preview;
    {
        MainWindow window;
        Ui::MainWindow *ui = MainWindowProbe::ui(window);
        ui->files_list->addItem(input);
        ui->files_list->setCurrentRow(0);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        preview = MainWindowProbe::stampedImage(window).copy();
        // Yes to going on without a text, and without a logo.
        windowLog
            = runInWindow(window, windowOut, {QMessageBox::Yes, QMessageBox::Yes, QMessageBox::Ok});
    }
    const Finished done = runStamp({"--output", path("out"), input}, store.path());
    QCOMPARE(done.status, 0);
    QCOMPARE(done.out, windowLog);
    const QString name = QFileInfo(source).completeBaseName() + "." + format;
    QCOMPARE(namesIn(path("out")), QStringList {name});
    const QByteArray bytes = fileBytes(path("out/" + name));
    QVERIFY(bytes == fileBytes(windowOut + "/" + name));

    QImage written;
    QVERIFY(written.loadFromData(bytes));
    QCOMPARE(written.size(), size);
    if (format == "png")
        QCOMPARE(written.convertToFormat(QImage::Format_ARGB32),
                 preview.convertToFormat(QImage::Format_ARGB32));
    const QString notKept
        = "The photo information (camera, date, copyright) of " + input + " was not kept";
    // AVIF takes no photo information; it describes only the colours of sRGB and Display P3.
    const bool avif = format == "avif";
    const bool kept = information == "kept" && !avif;
    QCOMPARE(windowLog.contains(notKept),
             information == "not kept" || (information == "kept" && avif));

    Exiv2::enableBMFF(); // to read an AVIF file
    const auto image = Exiv2::ImageFactory::open(
        reinterpret_cast<const Exiv2::byte *>(bytes.constData()), long(bytes.size()));
    image->readMetadata();
    const Exiv2::ExifData &exif = image->exifData();
    const Exiv2::XmpData &xmp = image->xmpData();
    const auto make = exif.findKey(Exiv2::ExifKey("Exif.Image.Make"));
    QCOMPARE(make != exif.end() && make->toString() == "Tessaro", kept);
    QCOMPARE(xmp.findKey(Exiv2::XmpKey("Xmp.dc.creator")) != xmp.end(), kept);
    QVERIFY(exif.findKey(Exiv2::ExifKey("Exif.GPSInfo.GPSLatitude")) == exif.end());
    // The profile's primaries, which the reader of the source may leave out.
    QCOMPARE(written.colorSpace().primaries() == QColorSpace::Primaries::AdobeRgb,
             source == "wide.avif" && !avif);
    const auto orientation = exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
    QVERIFY(orientation == exif.end() || orientation->toLong() == 1);
}

void TstStampCommand::optionsOverrideTheSettings_data()
{
    QTest::addColumn<QString>("storeText");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("meaning"); // the store's values the options stand for
    QTest::addColumn<QString>("warning"); // the start of standard error

    QTest::newRow("text, logo and quality")
        << "wtrmark_edit=Stored\ncomp_slider=90"
        << QStringList {"--text", "Given", "--logo", "LOGO", "--quality", "37"}
        << "wtrmark_edit=Given\nlogo_file_name=LOGO\ncomp_slider=37"
        << "";
    QTest::newRow("no text") << "wtrmark_edit=Stored" << QStringList {"--text", ""}
                             << "wtrmark_edit="
                             << "";
    QTest::newRow("jpg over png keeps the stored quality")
        << "outjpg_radio=false\noutpng_radio=true\ncomp_slider=20"
        << QStringList {"--format", "jpg"} << "outjpg_radio=true\noutpng_radio=false"
        << "";
    QTest::newRow("png over jpg takes no quality")
        << "comp_slider=50" << QStringList {"--format", "png"}
        << "outjpg_radio=false\noutpng_radio=true"
        << "";
    QTest::newRow("placement, offsets and scale")
        << "logo_file_name=LOGO"
        << QStringList {"--text-position", "bottom-right", "--text-offset", "-5,-6",
                        "--logo-position", "center",       "--logo-offset", "7,8",
                        "--logo-scale",    "0.5"}
        << "txt_topleft_btn=false\ntxt_botright_btn=true\ntxt_x_spin=-5\ntxt_y_spin=-6\n"
           "logo_topleft_btn=false\nlogo_center_btn=true\nx_spin=7\ny_spin=8\nscale_spin=0.5"
        << "";
    QTest::newRow("font, colour and band")
        << "wtrmark_edit=Band" << QStringList {"--font",        "DejaVu Sans,30,bold,italic",
                                               "--color",       "#00ff00",
                                               "--band",        "light",
                                               "--band-edge",   "top",
                                               "--band-height", "25"}
        << "font=\"DejaVu Sans,30,-1,5,75,1,0,0,0,0\"\nfnt_clr=4278255360\nlight_radio=true\n"
           "dark_radio=false\ntop_radio=true\nbottom_radio_radio=false\nshadow_spin=25"
        << "";
    QTest::newRow("resize keeping the aspect")
        << "resize_check=false" << QStringList {"--resize", "150x100", "--keep-aspect"}
        << "resize_check=true\nwidth_spin=150\nheight_spin=100\naspect_check=true"
        << "";
    QTest::newRow("no band, no resize, no logo")
        << "logo_file_name=LOGO\nresize_check=true\nwidth_spin=100"
        << QStringList {"--band", "none", "--no-resize", "--no-logo"}
        << "shadow_spin=0\nresize_check=false\nlogo_file_name="
        << "";
    QTest::newRow("a font not installed is said")
        << "" << QStringList {"--text", "Missing font", "--font", "Nosuchfamily Tessaro,20"}
        << "wtrmark_edit=Missing font\nfont=\"Nosuchfamily Tessaro,20,-1,5,50,0,0,0,0,0\""
        << "tessaro-stamp: The font family Nosuchfamily Tessaro is not installed; the text is "
           "drawn in ";
    QTest::newRow("scaling with the picture")
        << "resize_check=false" << QStringList {"--scale-with-picture", "150", "--logo", "LOGO"}
        << "scalestamp_check=true\nreferenceside_spin=150\nlogo_file_name=LOGO"
        << "";
    QTest::newRow("stored scaling turned off")
        << "resize_check=false\nscalestamp_check=true\nreferenceside_spin=150"
        << QStringList {"--no-scale-with-picture"} << "scalestamp_check=false"
        << "";
    QTest::newRow("a stored reference side, scaling given")
        << "resize_check=false\nreferenceside_spin=150"
        << QStringList {"--scale-with-picture", "90"}
        << "scalestamp_check=true\nreferenceside_spin=90"
        << "";
    QTest::newRow("never enlarge") << "width_spin=400\nheight_spin=400"
                                   << QStringList {"--never-enlarge"} << "noenlarge_check=true"
                                   << "";
    QTest::newRow("stored never enlarge turned off")
        << "width_spin=400\nheight_spin=400\nnoenlarge_check=true" << QStringList {"--enlarge"}
        << "noenlarge_check=false"
        << "";
}

// Each option replaces its one value of the stored setup: the file is the one stampFile writes
// with the job of the store holding the values the options stand for.
void TstStampCommand::optionsOverrideTheSettings()
{
    QFETCH(QString, storeText);
    QFETCH(QStringList, options);
    QFETCH(QString, meaning);
    QFETCH(QString, warning);
    QImage logoPicture(40, 20, QImage::Format_ARGB32);
    logoPicture.fill(qRgba(0, 255, 0, 200));
    QVERIFY(logoPicture.save(path("logo.png")));
    options.replaceInStrings("LOGO", path("logo.png"));
    storeText.replace("LOGO", path("logo.png"));
    meaning.replace("LOGO", path("logo.png"));
    const QString settings = writeFile(path("preset.conf"), "[General]\n" + storeText.toUtf8());
    const QString input = writePicture(path("in/a.png"), QSize(300, 200), qRgb(30, 60, 90));

    const Finished done = runStamp(
        QStringList {"--settings", settings, "--output", path("out"), input} + options, configHome);
    QCOMPARE(done.status, 0);
    QVERIFY2(warning.isEmpty() ? done.err.isEmpty() : done.err.startsWith(warning),
             qPrintable(done.err));

    QSettings::SettingsMap meant = settingsFromText(storeText.toUtf8());
    const QSettings::SettingsMap changed = settingsFromText(meaning.toUtf8());
    for (auto value = changed.cbegin(); value != changed.cend(); ++value)
        meant.insert(value.key(), value.value());
    const SavedSetup setup = savedSetup(meant);
    StampJob job = setup.job;
    job.logo = setup.logoFileName.isEmpty() ? QImage() : readPicture(setup.logoFileName);
    job.outputFolder = path("expected");
    QVERIFY(QDir().mkpath(job.outputFolder));
    const QString expected = stampFile(input, job).outcome.output;
    QCOMPARE(QFileInfo(expected).fileName(), "a." + job.format);
    QCOMPARE(namesIn(path("out")), QStringList {"a." + job.format});
    QVERIFY(fileBytes(path("out/a." + job.format)) == fileBytes(expected));
}

void TstStampCommand::printedSettingsStampTheSame_data()
{
    QTest::addColumn<QString>("storeText");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("printedLines");

    QTest::newRow("options over a preset")
        << "wtrmark_edit=Preset\nshadow_spin=40\nlogo_file_name=LOGO"
        << QStringList {"--text",
                        "Options, \"quoted\" = 1; \u00e9",
                        "--font",
                        "DejaVu Sans,28,bold",
                        "--color",
                        "ff8000",
                        "--text-position",
                        "bottom",
                        "--text-offset",
                        "3,-30",
                        "--logo-position",
                        "top-right",
                        "--logo-scale",
                        "0.58",
                        "--band",
                        "light",
                        "--band-edge",
                        "top",
                        "--resize",
                        "260x180",
                        "--keep-aspect",
                        "--format",
                        "png",
                        "--keep-location"}
        << QStringList {"shadow_spin=40", "txt_bot_btn=true", "txt_topleft_btn=false",
                        "outpng_radio=true", "dropgps_check=false",
                        // The window's slider pulls 0.58 down, as the window shows it.
                        "scale_spin=0.56"};
    QTest::newRow("a hand-made preset: clamped, one button per group")
        << "wtrmark_edit=Hand\nwidth_spin=5\nx_spin=2000000\ncomp_slider=0\n"
           "txt_top_btn=true\ntxt_bot_btn=true\nshadow_spin=deep\nreferenceside_spin=0"
        << QStringList()
        << QStringList {"width_spin=10",     "x_spin=999999",       "comp_slider=1",
                        "txt_top_btn=false", "txt_bot_btn=true",    "shadow_spin=0",
                        "fit_radio=false",   "last_output_folder=", "referenceside_spin=1"};
    // The 320 x 240 picture is stretched to the box, the 200 x 300 one fits and keeps its size;
    // each stamp is drawn at its picture's shorter side over 120.
    QTest::newRow("a stamp scaling with each picture, never enlarged")
        << "wtrmark_edit=Scaled\nlogo_file_name=LOGO\nresize_check=false\nshadow_spin=10"
        << QStringList {"--scale-with-picture", "120", "--never-enlarge", "--resize", "300x300"}
        << QStringList {"scalestamp_check=true", "referenceside_spin=120", "noenlarge_check=true",
                        "resize_check=true"};
}

// --print-settings stamps nothing and writes a preset, complete and as the window would save it,
// that stamps the same bytes as the setup it was printed from, and prints itself again.
void TstStampCommand::printedSettingsStampTheSame()
{
    QFETCH(QString, storeText);
    QFETCH(QStringList, options);
    QFETCH(QStringList, printedLines);
    QImage logo(50, 30, QImage::Format_ARGB32);
    logo.fill(qRgba(255, 0, 200, 160));
    QVERIFY(logo.save(path("logo.png")));
    const QString preset = writeFile(
        path("preset.conf"), "[General]\n" + storeText.replace("LOGO", path("logo.png")).toUtf8());
    const QStringList inputs = {writePicture(path("in/a.png"), QSize(320, 240), qRgb(20, 90, 160)),
                                writePicture(path("in/b.jpg"), QSize(200, 300), qRgb(200, 90, 10))};

    const Finished printed = runStamp(
        QStringList {"--settings", preset, "--print-settings", "--output", path("new")} + options,
        configHome);
    QCOMPARE(printed.status, 0);
    QCOMPARE(printed.err, QString());
    QVERIFY(!QFileInfo::exists(path("new")));
    const QStringList lines = QString::fromUtf8(printed.outBytes).split('\n');
    for (const QString &line : printedLines)
        QVERIFY2(lines.contains(line), qPrintable(line + "\n" + printed.outBytes));
    bool wellFormed = false;
    const QSettings::SettingsMap values = settingsFromText(printed.outBytes, &wellFormed);
    QVERIFY(wellFormed);
    QCOMPARE(values.size(), settingKeys().size());
    const QString printedPreset = writeFile(path("printed.conf"), printed.outBytes);
    const Finished again = runStamp({"--settings", printedPreset, "--print-settings"}, configHome);
    QCOMPARE(again.outBytes, printed.outBytes);

    const Finished direct = runStamp(QStringList {"--settings", preset, "--output", path("direct")}
                                         + options + inputs,
                                     configHome);
    QCOMPARE(direct.status, 0);
    const Finished fromPrinted
        = runStamp(QStringList {"--settings", printedPreset, "--output", path("printed")} + inputs,
                   configHome);
    QCOMPARE(fromPrinted.status, 0);
    QCOMPARE(fromPrinted.out.mid(1), direct.out.mid(1));
    const QStringList written = namesIn(path("direct"));
    QCOMPARE(written.size(), 2);
    QCOMPARE(namesIn(path("printed")), written);
    for (const QString &name : written)
        QVERIFY2(fileBytes(path("printed/" + name)) == fileBytes(path("direct/" + name)),
                 qPrintable(name));
}

void TstStampCommand::standardErrorStaysQuiet_data()
{
    QTest::addColumn<QString>("runtimeFolder"); // XDG_RUNTIME_DIR; null: unset
    QTest::newRow("unset") << QString();
    QTest::newRow("empty") << "";
    QTest::newRow("missing") << "DIR/missing";
    QTest::newRow("readable by others") << "DIR/open";
    QTest::newRow("a file") << "DIR/file";
    QTest::newRow("relative") << "private";
    QTest::newRow("private") << "DIR/private";
}

// Whatever XDG_RUNTIME_DIR says (cron, ssh, schedulers and CI set none), standard error holds
// nothing the program did not mean to say, and no folder of its own is left behind.
void TstStampCommand::standardErrorStaysQuiet()
{
    QFETCH(QString, runtimeFolder);
    runtimeFolder.replace("DIR", dir->path());
    QVERIFY(QDir().mkpath(path("open")));
    QVERIFY(QFile::setPermissions(path("open"),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                      | QFile::ReadOther | QFile::ExeOther));
    QVERIFY(QDir().mkpath(path("private")));
    QVERIFY(QFile::setPermissions(path("private"),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    writeFile(path("file"), "");
    QVERIFY(QDir().mkpath(path("tmp")));
    const QString input = writePicture(path("in/a.jpg"));

    QProcess process;
    QProcessEnvironment environment = stampEnvironment(configHome);
    environment.insert("TMPDIR", path("tmp"));
    if (runtimeFolder.isNull())
        environment.remove("XDG_RUNTIME_DIR");
    else
        environment.insert("XDG_RUNTIME_DIR", runtimeFolder);
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(path("in"));
    process.start(stampProgram, {"--text", "Quiet", "--output", path("out"), input});
    const Finished done = finished(process);
    QCOMPARE(done.err, QString());
    QCOMPARE(done.status, 0);
    QCOMPARE(done.out, QStringList {"a.jpg ... OK! (1 of 1)"});
    QCOMPARE(namesIn(path("tmp")), QStringList());
    QCOMPARE(namesIn(path("in")), QStringList {"a.jpg"});
    QVERIFY(!QFileInfo::exists(path("missing")));
}

void TstStampCommand::createsTheOutputFolder_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<bool>("quiet");
    QTest::newRow("with its parents") << "made/deeper/out" << false;
    QTest::newRow("trailing slash") << "made/" << false;
    QTest::newRow("quiet") << "made/out" << true;
}

// A missing output folder is made as mkdir -p makes it, and the first line says so.
void TstStampCommand::createsTheOutputFolder()
{
    QFETCH(QString, output);
    QFETCH(bool, quiet);
    const QString folder = path(output);
    QStringList arguments = {"--text", "T", "--output", folder, writePicture(path("a.png"))};
    if (quiet)
        arguments << "--quiet";

    const Finished done = runStamp(arguments, configHome);
    QCOMPARE(done.status, 0);
    QCOMPARE(done.err, QString());
    QStringList expected = {"a.jpg ... OK! (1 of 1)"};
    if (!quiet)
        expected.prepend("Created the output folder " + QDir::cleanPath(folder) + ".");
    QCOMPARE(done.out, quiet ? QStringList() : expected);
    QCOMPARE(namesIn(folder), QStringList {"a.jpg"});
    const mode_t mask = ::umask(0);
    ::umask(mask);
    for (QString made = QDir::cleanPath(folder); made != dir->path();
         made = QFileInfo(made).path()) {
        struct stat status = {};
        QCOMPARE(::stat(QFile::encodeName(made).constData(), &status), 0);
        QCOMPARE(status.st_mode & 0777, 0777 & ~mask);
    }
}

void TstStampCommand::stampsTheListedPaths_data()
{
    QTest::addColumn<bool>("nullSeparated");
    QTest::addColumn<bool>("fromStandardInput");
    QTest::newRow("lines, 10000 paths on standard input") << false << true;
    QTest::newRow("null characters, from a file") << true << false;
}

// --files-from hands over every listed path in order, after those on the command line: pictures
// are stamped, and each path that is none is named.
void TstStampCommand::stampsTheListedPaths()
{
    QFETCH(bool, nullSeparated);
    QFETCH(bool, fromStandardInput);
    const QString input = path("in");
    // Names a shell or a line end would split, and one like an option.
    const QStringList pictures
        = {writePicture(input + "/with space.png"), writePicture(input + "/--quiet.png"),
           writePicture(input + "/\u00e9t\u00e9.png")};
    QStringList listed;
    QStringList missing;
    for (int i = 0; i < 10000 - 4; ++i) {
        missing << input + QStringLiteral("/missing %1.png").arg(i);
        listed << missing.last();
        if (i == 0 || i == 5000)
            listed << pictures.at(i == 0 ? 0 : 1);
    }
    listed << pictures.at(2);
    if (nullSeparated) {
        missing.prepend(input + "/line\nend.png");
        listed.prepend(missing.first());
    }
    QByteArray list;
    for (const QString &entry : qAsConst(listed))
        list += QFile::encodeName(entry) + (nullSeparated ? '\0' : '\n');
    list += nullSeparated ? '\0' : '\n'; // an empty entry is skipped
    const QString onCommandLine = writePicture(path("first.png"));

    QStringList arguments = {"--settings",  plainSettings(path("plain.conf")),
                             "--output",    path("out"),
                             "--quiet",     onCommandLine,
                             "--files-from"};
    arguments << (fromStandardInput ? "-" : writeFile(path("list"), list));
    if (nullSeparated)
        arguments << "--null";
    QProcess process;
    startStamp(process, arguments, configHome);
    if (fromStandardInput) {
        process.write(list);
        process.closeWriteChannel();
    }
    const Finished done = finished(process);
    QCOMPARE(done.status, 1);
    QCOMPARE(done.out, QStringList());
    QStringList expectedErrors;
    for (const QString &entry : qAsConst(missing))
        expectedErrors << "tessaro-stamp: " + entry + " does not exist.";
    QCOMPARE(done.err, expectedErrors.join('\n') + '\n');
    QCOMPARE(namesIn(path("out")),
             QStringList({"--quiet.png", "first.png", "with space.png", "\u00e9t\u00e9.png"}));
}

// Folders give their pictures with a picture suffix in any case, subfolders included, hidden
// files and folders left out, as a drop does; a file named by itself is taken when a drop or the
// "Add Image Files" dialog takes it (a GIF). A path that adds nothing is named and makes the
// status 1.
void TstStampCommand::walksFoldersAsADrop()
{
    // One red pixel.
    const QByteArray gif = QByteArray::fromHex("47494638396101000100800000ff0000000000"
                                               "2c00000000010001000002024401003b");
    const QStringList found
        = {writePicture(path("in/a.png")), writePicture(path("in/B.JPG")),
           writePicture(path("in/sub/c.tif")), writePicture(path("in/sub/deeper/d.bmp"))};
    writePicture(path("in/.hidden.png"));
    writePicture(path("in/.hidden/e.png"));
    writeFile(path("in/notes.txt"), "not a picture");
    writeFile(path("in/folded.gif"), gif);
    const QString single = writePicture(path("single.png"));
    const QString named = writeFile(path("named.GIF"), gif);
    const QString text = writeFile(path("readme.txt"), "not a picture");
    const QString missing = path("missing.png");

    const Finished done = runStamp({"--settings", plainSettings(path("plain.conf")), "--output",
                                    path("out"), path("in"), single, named, text, missing},
                                   configHome);
    QCOMPARE(done.status, 1);
    QVERIFY2(done.err.contains("tessaro-stamp: " + text + " is not a picture file"),
             qPrintable(done.err));
    QVERIFY2(done.err.contains("tessaro-stamp: " + missing + " does not exist."),
             qPrintable(done.err));
    QCOMPARE(namesIn(path("out")),
             QStringList({"B.png", "a.png", "c.png", "d.png", "named.png", "single.png"}));
    QCOMPARE(QImage(path("out/named.png")).pixel(0, 0), qRgb(255, 0, 0));
    QStringList expected;
    const QStringList walked = picturesInDrop({path("in")}) << single << named;
    QCOMPARE(QSet<QString>(walked.cbegin(), walked.cend()),
             QSet<QString>(found.cbegin(), found.cend()) << single << named);
    for (int i = 0; i < walked.size(); ++i)
        expected << QStringLiteral("%1.png ... OK! (%2 of 6)")
                        .arg(QFileInfo(walked.at(i)).completeBaseName())
                        .arg(i + 1);
    QCOMPARE(done.out, expected);
}

// A picture or folder whose name is not valid UTF-8 is named on standard error, and the status
// is 1, while the other pictures are stamped.
void TstStampCommand::leftOutNamesAreToldAndFail()
{
    const QString good = writePicture(path("in/good.png"));
    const QByteArray in = QFile::encodeName(path("in"));
    writeRawNamedFile(in + "/caf\xe9.png", fileBytes(good));
    QCOMPARE(::mkdir(in + "/dir\xff", 0755), 0);
    writeRawNamedFile(in + "/dir\xff/inside.png", fileBytes(good));

    const Finished done = runStamp(
        {"--settings", plainSettings(path("plain.conf")), "--output", path("out"), path("in")},
        configHome);
    QCOMPARE(done.status, 1);
    QCOMPARE(done.out, QStringList {"good.png ... OK! (1 of 1)"});
    QCOMPARE(namesIn(path("out")), QStringList {"good.png"});
    for (const char *name : {"caf\\xe9.png", "dir\\xff"})
        QVERIFY2(done.err.contains("tessaro-stamp: Left out " + path("in") + "/"
                                   + QString::fromUtf8(name) + ": its name is not valid UTF-8\n"),
                 qPrintable(done.err));
}

void TstStampCommand::toolkitOptionsArePaths_data()
{
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QStringList>("written");
    QTest::addColumn<QStringList>("missing");
    QTest::addColumn<int>("status");
    QTest::newRow("folder named -reverse")
        << QStringList {"-reverse"} << QStringList {"r.png"} << QStringList() << 0;
    QTest::newRow("-platform and a name") << QStringList {"-platform", "nowhere"} << QStringList()
                                          << QStringList {"-platform", "nowhere"} << 1;
    QTest::newRow("-plugin before a picture")
        << QStringList {"-plugin", "a.png"} << QStringList {"a.png"} << QStringList {"-plugin"}
        << 1;
    QTest::newRow("-platformpluginpath before a folder")
        << QStringList {"-platformpluginpath", "plugins"} << QStringList {"p.png"}
        << QStringList {"-platformpluginpath"} << 1;
}

// Paths spelt as the toolkit's own options, after "--", are paths like any other: stamped when
// they are pictures or folders, named when they do not exist.
void TstStampCommand::toolkitOptionsArePaths()
{
    QFETCH(QStringList, paths);
    QFETCH(QStringList, written);
    QFETCH(QStringList, missing);
    QFETCH(int, status);
    writePicture(path("-reverse/r.png"));
    writePicture(path("plugins/p.png"));
    writePicture(path("a.png"));

    QProcess process;
    process.setWorkingDirectory(dir->path());
    startStamp(
        process,
        QStringList {"--settings", plainSettings(path("plain.conf")), "--output", "out", "--"}
            + paths,
        configHome);
    const Finished done = finished(process);
    QCOMPARE(done.status, status);
    QCOMPARE(namesIn(path("out")), written);
    for (const QString &name : missing)
        QVERIFY2(done.err.contains("tessaro-stamp: " + name + " does not exist."),
                 qPrintable(done.err));
}

void TstStampCommand::failuresAndRenamesArePrinted_data()
{
    QTest::addColumn<bool>("quiet");
    QTest::newRow("every picture") << false;
    QTest::newRow("quiet: only failures") << true;
}

// A picture that does not decode is printed in the log's words, and so is, in plain text, the
// warning of a picture that took a new name; the run goes on and ends with status 1.
void TstStampCommand::failuresAndRenamesArePrinted()
{
    QFETCH(bool, quiet);
    const QString out = path("out");
    const QString bad = writeFile(path("in/bad.png"), "not a picture");
    const QString whole = writePicture(path("in/cut.jpg"), QSize(300, 200));
    writeFile(whole, fileBytes(whole).left(fileBytes(whole).size() / 2));
    const QStringList inputs
        = {writePicture(path("in/a.png")), bad, whole, writePicture(path("in/taken.png"))};
    writeFile(out + "/taken.png", "keep me");
    QStringList options = {"--settings", plainSettings(path("plain.conf")), "--output", out};
    if (quiet)
        options << "--quiet";

    const Finished done = runStamp(options + inputs, configHome);
    QCOMPARE(done.status, 1);
    // The decoder's own warning is told once, in the line of its picture.
    QCOMPARE(done.err, QString());
    const QStringList written = namesIn(out);
    QCOMPARE(written.size(), 3);
    QCOMPARE(fileBytes(out + "/taken.png"), QByteArray("keep me"));
    const QString renamed = QFileInfo(written.at(2)).completeBaseName();
    QVERIFY2(renamed.startsWith("taken_"), qPrintable(renamed));
    const QString failure = "Cannot read " + bad + ": Unsupported image format";
    QStringList printed = done.out;
    const int damaged
        = printed.indexOf(QRegularExpression("^Cannot read " + QRegularExpression::escape(whole)
                                             + ": The picture is damaged \\(.+\\)$"));
    QVERIFY2(damaged >= 0, qPrintable(printed.join('\n')));
    printed[damaged] = "DAMAGED";
    if (quiet) {
        QCOMPARE(printed, QStringList({failure, "DAMAGED"}));
    } else {
        QCOMPARE(
            printed,
            QStringList({"a.png ... OK! (1 of 4)", failure, "DAMAGED",
                         "Warning - File " + out + "/taken.png saved with new name " + out + "/"
                             + renamed + " to avoid overwrite because it already existed!",
                         "taken.png ... OK! (4 of 4)"}));
    }
}

// A picture whose time-stamped name would pass the file system's 255 bytes takes a shortened
// one, and the lines name it.
void TstStampCommand::longNameIsShortenedToFit()
{
    const QString out = path("out");
    const QString base = QString(120, QChar(0xe9)) + "-" + QString(10, 'x'); // 251 bytes
    const QString input = writePicture(path("in/" + base + ".png"));
    writeFile(out + "/" + base + ".png", "keep me");

    const Finished done = runStamp(
        {"--settings", plainSettings(path("plain.conf")), "--output", out, input}, configHome);
    QCOMPARE(done.status, 0);
    const QStringList written = namesIn(out);
    QCOMPARE(written.size(), 2);
    const QString shortened = written.at(0);
    QCOMPARE(written.at(1), base + ".png");
    QVERIFY2(QRegularExpression("^" + QString(116, QChar(0xe9)) + "_\\d{17}\\.png$")
                 .match(shortened)
                 .hasMatch(),
             qPrintable(shortened));
    QCOMPARE(fileBytes(out + "/" + base + ".png"), QByteArray("keep me"));
    QCOMPARE(
        done.out,
        QStringList({"Warning - File " + out + "/" + base + ".png saved with new name " + out + "/"
                         + QFileInfo(shortened).completeBaseName()
                         + " to avoid overwrite because it already existed!",
                     "Warning - File " + out + "/" + base + ".png saved with shortened name " + out
                         + "/" + shortened + " because its name is too long for the file system!",
                     base + ".png ... OK! (1 of 1)"}));
}

namespace {

// A photo of `size` filled with `color`, whose EXIF names `artist`.
void writeArtistsPhoto(const QString &path, const QSize &size, QRgb color, const char *artist)
{
    writePicture(path, size, color);
    const auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
    image->readMetadata();
    image->exifData()["Exif.Image.Artist"] = artist;
    image->writeMetadata();
}

QString artistOf(const QString &path)
{
    const auto image = Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
    image->readMetadata();
    const auto artist = image->exifData().findKey(Exiv2::ExifKey("Exif.Image.Artist"));
    return artist == image->exifData().end() ? QString()
                                             : QString::fromStdString(artist->toString());
}

} // namespace

// A source replaced by another photo again and again while it is stamped: each written file holds
// the pixels and the photo information of one and the same photo.
void TstStampCommand::replacedSourceGivesOneFilesPicture()
{
    const QString source = path("in/photo.jpg");
    writeArtistsPhoto(path("a.jpg"), QSize(600, 400), qRgb(250, 0, 0), "A");
    writeArtistsPhoto(path("b.jpg"), QSize(400, 600), qRgb(0, 0, 250), "B");
    QVERIFY(QDir().mkpath(path("in")));
    QVERIFY(QFile::copy(path("a.jpg"), source));
    QStringList arguments
        = {"--settings",
           writeFile(path("plain.conf"), "[General]\nwtrmark_edit=\nresize_check=false\n"),
           "--output",
           path("out"),
           "--jobs",
           "2"};
    for (int i = 0; i < 40; ++i)
        arguments << source;

    std::atomic<bool> replacing {true};
    std::thread replacer([&] {
        const QByteArray target = QFile::encodeName(source);
        const QByteArray next = QFile::encodeName(path("in/next.jpg"));
        for (int turn = 0; replacing; ++turn) {
            const QByteArray photo = QFile::encodeName(path(turn % 2 ? "a.jpg" : "b.jpg"));
            if (::link(photo.constData(), next.constData()) == 0)
                ::rename(next.constData(), target.constData());
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
    });
    const Finished done = runStamp(arguments, configHome);
    replacing = false;
    replacer.join();

    QCOMPARE(done.status, 0);
    const QStringList written = namesIn(path("out"));
    QCOMPARE(written.size(), 40);
    for (const QString &name : written) {
        const QString output = path("out/" + name);
        const QImage picture(output);
        const bool fromA = picture.size() == QSize(600, 400);
        QVERIFY2(fromA || picture.size() == QSize(400, 600), qPrintable(name));
        QCOMPARE(qRed(picture.pixel(5, 5)) > 200, fromA);
        QCOMPARE(artistOf(output), fromA ? QStringLiteral("A") : QStringLiteral("B"));
    }
}

// Killed at any moment, the program leaves in the output folder only whole pictures under their
// own names: nothing half written, no temporary file.
void TstStampCommand::killedRunLeavesWholeFilesOnly()
{
    QStringList arguments
        = {"--settings", writeFile(path("tagged.conf"), "[General]\nresize_check=false\n"),
           "--output",   path("out"),
           "--jobs",     "2"};
    writeArtistsPhoto(path("in/p.jpg"), QSize(1200, 900), qRgb(40, 120, 200), "A");
    for (int i = 0; i < 30; ++i) {
        const QString copy = path(QStringLiteral("in/p%1.jpg").arg(i, 2, 10, QLatin1Char('0')));
        QVERIFY(QFile::copy(path("in/p.jpg"), copy));
        arguments << copy;
    }
    QRandomGenerator random(7);
    for (int kill = 0; kill < 8; ++kill) {
        QProcess process;
        startStamp(process, arguments, configHome);
        QVERIFY(process.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(process.canReadLine(), 60000);
        QThread::msleep(random.bounded(200));
        ::kill(pid_t(process.processId()), SIGKILL);
        QVERIFY(process.waitForFinished());
    }
    for (const QString &name : namesIn(path("out"))) {
        QVERIFY2(QRegularExpression("^p\\d\\d(_\\d{17})*\\.jpg$").match(name).hasMatch(),
                 qPrintable(name));
        QString error;
        QCOMPARE(readPicture(path("out/" + name), &error).size(), QSize(1200, 900));
        QCOMPARE(error, QString());
        QCOMPARE(artistOf(path("out/" + name)), QStringLiteral("A"));
    }
}

void TstStampCommand::memoryBudgets_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("lines");

    const QString plain = "[General]\nwtrmark_edit=\nresize_check=false\noutpng_radio=true\n"
                          "outjpg_radio=false\n";
    QTest::newRow("resized beyond the pixel budget")
        << "[General]\nwtrmark_edit=\nresize_check=true\naspect_check=false\nwidth_spin=20000\n"
           "height_spin=20000\noutpng_radio=true\noutjpg_radio=false\n"
        << QStringList {"one.png"} << QStringList()
        << QStringList {"Cannot write one.png to OUT: Resized from 1 x 1 to 20000 x 20000 pixels "
                        "it would be too large: more than 268435456 pixels"};
    const QString pastEdge
        = QString::fromUtf8("Warning - the logo runs past the edge of s%1.png (its "
                            "box 27000 \u00d7 27000 on a 64 \u00d7 48 picture)");
    QTest::newRow("logo scaled far beyond the pictures")
        << plain + "scale_spin=9\n"
        << QStringList {"s1.png", "s2.png", "s3.png", "s4.png"}
        << QStringList {"--logo", "DIR/logo.png", "--jobs", "2"}
        << QStringList {"s1.png ... OK! (1 of 4)", pastEdge.arg(1),
                        "s2.png ... OK! (2 of 4)", pastEdge.arg(2),
                        "s3.png ... OK! (3 of 4)", pastEdge.arg(3),
                        "s4.png ... OK! (4 of 4)", pastEdge.arg(4)};
    QTest::newRow("more pictures at once than the memory holds")
        << plain << QStringList {"g1.jpg", "g2.jpg", "g3.jpg", "g4.jpg"}
        << QStringList {"--jobs", "4"}
        << QStringList {"g1.png ... OK! (1 of 4)", "g2.png ... OK! (2 of 4)",
                        "g3.png ... OK! (3 of 4)", "g4.png ... OK! (4 of 4)"};
    QTest::newRow("a picture that can never fit")
        << plain << QStringList {"huge.jpg", "s1.png"} << QStringList()
        << QStringList {"Cannot read DIR/huge.jpg: Not enough memory for huge.jpg (16000 x 12000)",
                        "s1.png ... OK! (2 of 2)"};
}

// In 700 MB of address space: a resize past the pixel budget is refused, naming the picture and
// both sizes; a logo scaled beyond the pictures is drawn where it lands, each picture getting
// it; pictures are taken in as the memory allows, whatever --jobs says; and a picture that can
// never fit is refused at once for want of memory, the run going on.
void TstStampCommand::memoryBudgets()
{
#ifdef __SANITIZE_ADDRESS__
    QSKIP("AddressSanitizer reserves more address space than the limit these cases run under");
#endif
    QFETCH(QString, settings);
    QFETCH(QStringList, inputs);
    QFETCH(QStringList, options);
    QFETCH(QStringList, lines);
    writePicture(path("one.png"), QSize(1, 1));
    for (const char *name : {"s1.png", "s2.png", "s3.png", "s4.png"})
        writePicture(path(name), QSize(64, 48), qRgb(128, 128, 128));
    QImage logo(3000, 3000, QImage::Format_RGB32);
    logo.fill(qRgb(250, 20, 30));
    QVERIFY(logo.save(path("logo.png")));
    for (const char *name : {"g1.jpg", "g2.jpg", "g3.jpg", "g4.jpg"})
        writeFile(path(name), greyJpeg(QSize(6000, 4000)));
    writeFile(path("huge.jpg"), greyJpeg(QSize(16000, 12000)));
    options.replaceInStrings("DIR", dir->path());
    lines.replaceInStrings("DIR", dir->path()).replaceInStrings("OUT", path("out"));

    QStringList arguments = {"--as=" + QString::number(700 << 20),
                             stampProgram,
                             "--settings",
                             writeFile(path("memory.conf"), settings.toUtf8()),
                             "--output",
                             path("out")};
    for (const QString &input : inputs)
        arguments << path(input);
    QProcess process;
    process.setProcessEnvironment(stampEnvironment(configHome));
    process.start(QStringLiteral("prlimit"), arguments + options);
    const Finished done = finished(process);
    QCOMPARE(done.out, lines);
    QCOMPARE(done.status, lines.filter(QRegularExpression("^Cannot")).isEmpty() ? 0 : 1);
    if (options.contains("--logo")) {
        for (const QString &name : namesIn(path("out")))
            QCOMPARE(QImage(path("out/" + name)).pixel(10, 10), logo.pixel(0, 0));
    }
}

// A stored logo that is gone is left out with a warning, as the window leaves it out.
void TstStampCommand::missingStoredLogoIsSkipped()
{
    const QString gone = path("gone.png");
    const QString settings = writeFile(
        path("logo.conf"),
        "[General]\nwtrmark_edit=\nresize_check=false\nlogo_file_name=" + gone.toUtf8() + "\n");
    const Finished done = runStamp(
        {"--settings", settings, "--output", path("out"), writePicture(path("a.png"))}, configHome);
    QCOMPARE(done.status, 0);
    QVERIFY2(done.err.contains("tessaro-stamp: The logo " + gone
                               + " no longer exists; stamping without a logo."),
             qPrintable(done.err));
    QCOMPARE(done.out, QStringList({"a.jpg ... OK! (1 of 1)"}));
}

void TstStampCommand::loadsOnlyThePlugInOfItsFormat_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QString>("plugInName");
    QTest::newRow("jpg") << "jpg" << QStringList {"a.jpg"} << "jpeg";
    QTest::newRow("tif") << "tif" << QStringList {"a.tif"} << "tiff";
    QTest::newRow("webp") << "webp" << QStringList {"a.webp"} << "qwebp";
    QTest::newRow("avif from png") << "avif" << QStringList {"a.png"} << "kimg_avif";
}

// Reading and writing a format load its picture plug-in alone, not every one installed: loading
// them all costs more than stamping a small photo.
void TstStampCommand::loadsOnlyThePlugInOfItsFormat()
{
    QFETCH(QString, format);
    QFETCH(QStringList, inputs);
    QFETCH(QString, plugInName);
    QStringList arguments {"--settings", plainSettings(path("plain.conf")),
                           "--format",   format,
                           "--output",   path("out")};
    for (const QString &input : inputs)
        arguments << writePicture(path("in/" + input));
    QProcess process;
    QProcessEnvironment environment = stampEnvironment(configHome);
    // The C library's loader names every library it loads.
    environment.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("files"));
    process.setProcessEnvironment(environment);
    process.start(stampProgram, arguments);
    const Finished done = finished(process);
    QVERIFY2(done.status == 0, qPrintable(done.out.join('\n')));
    const QStringList loaded
        = done.err.split('\n').filter("generating link map").filter("/imageformats/");
    QVERIFY2(!loaded.isEmpty(), qPrintable(done.err));
    for (const QString &line : loaded)
        QVERIFY2(line.contains(plugInName), qPrintable(loaded.join('\n')));
}

// Three processes write pictures of the same names into one folder at once: every picture
// arrives whole, exactly once, and no temporary file stays.
void TstStampCommand::concurrentProcessesShareAFolder()
{
    const int processes = 3;
    const int picturesEach = 12;
    const QString settings = plainSettings(path("plain.conf"));
    QVector<QRgb> colors;
    std::vector<std::unique_ptr<QProcess>> running;
    for (int p = 0; p < processes; ++p) {
        QStringList arguments = {"--settings", settings, "--output", path("out"), "--jobs", "2"};
        for (int i = 0; i < picturesEach; ++i) {
            colors << qRgb(40 + p * 60, i * 20, 100);
            arguments << writePicture(path(QStringLiteral("in%1/p%2.png").arg(p).arg(i)),
                                      QSize(600, 400), colors.last());
        }
        running.push_back(std::make_unique<QProcess>());
        startStamp(*running.back(), arguments, configHome);
    }
    for (const auto &process : running)
        QCOMPARE(finished(*process).status, 0);

    const QStringList written = namesIn(path("out"));
    QCOMPARE(written.size(), processes * picturesEach);
    QVector<QRgb> arrived;
    for (const QString &name : written) {
        QVERIFY2(QRegularExpression("^p\\d+(_\\d{17})?\\.png$").match(name).hasMatch(),
                 qPrintable(name));
        const QImage picture(path("out/" + name));
        QCOMPARE(picture.size(), QSize(600, 400));
        arrived << picture.pixel(599, 399);
    }
    std::sort(colors.begin(), colors.end());
    std::sort(arrived.begin(), arrived.end());
    QCOMPARE(arrived, colors);
}

void TstStampCommand::signalStopsTheRun_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
}

// After the signal no picture starts; the ones in flight are in place whole or gone whole, the
// printed ones are exactly the written ones, a first part of the list, and no temporary file
// stays.
void TstStampCommand::signalStopsTheRun()
{
    QFETCH(int, signalNumber);
    const int count = 40;
    QStringList arguments
        = {"--settings", plainSettings(path("plain.conf")), "--output", path("out"), "--jobs", "2"};
    QStringList names;
    for (int i = 0; i < count; ++i) {
        names << QStringLiteral("p%1.png").arg(i, 2, 10, QLatin1Char('0'));
        arguments << writePicture(path("in/" + names.last()), QSize(1600, 1200),
                                  qRgb(i * 6, 80, 160));
    }

    QProcess process;
    startStamp(process, arguments, configHome);
    QVERIFY(process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(process.canReadLine(), 60000);
    ::kill(pid_t(process.processId()), signalNumber);
    const Finished done = finished(process);

    QCOMPARE(done.status, 128 + signalNumber);
    const QStringList written = namesIn(path("out"));
    QVERIFY(!written.isEmpty());
    QVERIFY(written.size() < count);
    QCOMPARE(written, names.mid(0, written.size()));
    QCOMPARE(done.out.size(), written.size());
    for (int i = 0; i < written.size(); ++i) {
        QCOMPARE(done.out.at(i),
                 QStringLiteral("%1 ... OK! (%2 of %3)").arg(written.at(i)).arg(i + 1).arg(count));
        const QImage picture(path("out/" + written.at(i)));
        QCOMPARE(picture.size(), QSize(1600, 1200));
        QCOMPARE(picture.pixel(1599, 1199), qRgb(i * 6, 80, 160));
    }
}

void TstStampCommand::noPictureStartsAfterASignal_data()
{
    signalStopsTheRun_data();
}

namespace {

// The names of the files opened in the watched folder of `inotify` since the last call, waiting
// up to `timeoutMs` for the first.
QStringList openedFiles(int inotify, int timeoutMs)
{
    pollfd watched {inotify, POLLIN, 0};
    if (::poll(&watched, 1, timeoutMs) <= 0)
        return {};
    return inotifyNames(inotify);
}

} // namespace

// A signal while the first picture is read and decoded: it is discarded, no later picture is
// read, not even the one already waiting for a worker, and the program ends without waiting for
// the decoder: sooner than the picture takes to decode.
void TstStampCommand::noPictureStartsAfterASignal()
{
    QFETCH(int, signalNumber);
    const QString input = path("in");
    QStringList arguments
        = {"--settings", plainSettings(path("plain.conf")), "--output", path("out"), "--jobs", "1"};
    // Seconds of decoding: 281 scans, each a pass over the whole picture.
    writeFile(input + "/p0.jpg", jpegScanBomb(QSize(4096, 4096), 281));
    QElapsedTimer decoding;
    decoding.start();
    QVERIFY(!readPicture(input + "/p0.jpg").isNull());
    const qint64 decodingMs = decoding.elapsed();
    arguments << input + "/p0.jpg";
    for (int i = 1; i < 6; ++i)
        arguments << writePicture(input + QStringLiteral("/p%1.png").arg(i));
    QVERIFY(QDir().mkpath(path("out")));
    const int inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    QVERIFY(inotify >= 0);
    const auto closeInotify = qScopeGuard([inotify] { ::close(inotify); });
    QVERIFY(::inotify_add_watch(inotify, QFile::encodeName(input).constData(), IN_OPEN) >= 0);

    QProcess process;
    startStamp(process, arguments, configHome);
    QVERIFY(process.waitForStarted());
    QStringList opened;
    QDeadlineTimer watchdog(60000);
    while (!opened.contains("p0.jpg") && !watchdog.hasExpired())
        opened << openedFiles(inotify, 100);
    QVERIFY(opened.contains("p0.jpg"));
    ::kill(pid_t(process.processId()), signalNumber);
    QElapsedTimer ending;
    ending.start();
    const Finished done = finished(process);
    QVERIFY2(ending.elapsed() < decodingMs / 2,
             qPrintable(QStringLiteral("ended %1 ms after the signal; the picture decodes in %2 ms")
                            .arg(ending.elapsed())
                            .arg(decodingMs)));
    opened << openedFiles(inotify, 0);

    QCOMPARE(done.status, 128 + signalNumber);
    QCOMPARE(opened.filter(QRegularExpression("^p[1-5]")), QStringList());
    QCOMPARE(namesIn(path("out")), QStringList());
    QCOMPARE(done.out, QStringList());
}

QTEST_MAIN(TstStampCommand)
#include "tst_stampcommand.moc"
