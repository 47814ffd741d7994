#include "cli/stampcommand.h"

#include "cli/stampoptions.h"
#include "engine/batch/outcometexts.h"
#include "engine/batch/picturetypes.h"
#include "engine/batch/picturewalk.h"
#include "engine/batch/stamprun.h"
#include "engine/read/imageload.h"
#include "engine/read/pictureguards.h"
#include "engine/setup/savedsetup.h"
#include "engine/setup/settingsstore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QFontInfo>
#include <QSettings>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(StampCommand)
};

void printLine(FILE *stream, const QString &line)
{
    std::fputs(line.toUtf8().append('\n').constData(), stream);
    std::fflush(stream);
}

void printProblem(const QString &problem)
{
    printLine(stderr, QStringLiteral("tessaro-stamp: ") + problem);
}

int usageError(const QString &problem)
{
    printProblem(problem);
    printLine(stderr, Texts::tr("Try 'tessaro-stamp --help' for more information."));
    return BadUsage;
}

// The settings store the command reads: `file` in the store's format, or the window's own.
std::unique_ptr<QSettings> openSettings(const QString &file)
{
    return std::unique_ptr<QSettings>(file.isEmpty() ? openSettingsStore()
                                                     : openSettingsFile(file));
}

// The setup the command stamps with: the settings values of the store (the window's or the
// preset of --settings) with the options' values over them. None when the store cannot be read,
// or when there is no setup to speak of: no saved one, no preset and no text.
std::optional<QSettings::SettingsMap> commandSettings(const StampOptions &options, QString *problem)
{
    const QFileInfo settingsFile(options.settingsFile);
    if (!options.settingsFile.isEmpty() && (!settingsFile.isFile() || !settingsFile.isReadable())) {
        *problem = Texts::tr("Cannot read the settings file %1.").arg(options.settingsFile);
        return std::nullopt;
    }
    const std::unique_ptr<QSettings> store = openSettings(options.settingsFile);
    QSettings::SettingsMap settings = storedSettings(*store);
    if (store->status() != QSettings::NoError) {
        *problem = Texts::tr("The settings file %1 is not in the settings format.")
                       .arg(store->fileName());
        return std::nullopt;
    }
    if (settings.isEmpty() && options.settingsFile.isEmpty() && !options.printSettings
        && !options.setup.contains(QStringLiteral("wtrmark_edit"))) {
        *problem = Texts::tr("No setup to stamp with: the window has saved none in %1. Give the "
                             "text with --text TEXT (and the rest as options), or a preset with "
                             "--settings FILE.")
                       .arg(store->fileName());
        return std::nullopt;
    }
    for (auto value = options.setup.cbegin(); value != options.setup.cend(); ++value)
        settings.insert(value.key(), value.value());
    return settings;
}

// The logo the command stamps: the file an option names, which must be a picture, or else the
// stored one when it still reads, as the window does; a stored logo that does not read is
// reported.
std::optional<QImage> commandLogo(const QString &file, bool fromOption, QString *problem)
{
    if (file.isEmpty())
        return QImage();
    QString reason;
    const QImage logo = readPicture(file, &reason);
    if (fromOption) {
        if (logo.isNull()) {
            *problem = Texts::tr("Cannot read the logo %1: %2").arg(file, reason);
            return std::nullopt;
        }
        return logo;
    }
    if (!QFileInfo::exists(file))
        printProblem(Texts::tr("The logo %1 no longer exists; stamping without a logo.").arg(file));
    else if (logo.isNull())
        printProblem(
            Texts::tr("Cannot read the logo %1: %2; stamping without a logo.").arg(file, reason));
    return logo;
}

// Says so when the family of `font`, which an option named, is not installed, and what the text
// is drawn in instead.
void reportSubstitutedFont(const QFont &font)
{
    const QString drawn = QFontInfo(font).family();
    if (drawn.compare(font.family(), Qt::CaseInsensitive) != 0)
        printProblem(Texts::tr("The font family %1 is not installed; the text is drawn in %2.")
                         .arg(font.family(), drawn));
}

// Creates `folder` and the parents it lacks, as mkdir -p does. `*created` tells whether this
// process made `folder` itself (another may make it at the same moment).
bool makeFolderPath(const QString &folder, bool *created, QString *reason)
{
    const QString absolute = QDir::cleanPath(QDir::current().absoluteFilePath(folder));
    QString path;
    const QStringList names = absolute.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &name : names) {
        path += QLatin1Char('/') + name;
        *created = ::mkdir(QFile::encodeName(path).constData(), 0777) == 0;
        if (!*created && errno != EEXIST) {
            *reason = QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
    }
    return true;
}

// The output folder, made when it is missing (said on the first line, unless quiet).
bool prepareOutputFolder(const QString &folder, bool quiet, QString *problem)
{
    bool created = false;
    QString reason;
    if (!QFileInfo(folder).exists() && !makeFolderPath(folder, &created, &reason)) {
        *problem = Texts::tr("Cannot create the output folder %1: %2").arg(folder, reason);
        return false;
    }
    if (!QFileInfo(folder).isDir()) {
        *problem = Texts::tr("The output folder %1 is not a folder.").arg(folder);
        return false;
    }
    if (created && !quiet)
        printLine(stdout, Texts::tr("Created the output folder %1.").arg(folder));
    return true;
}

// The paths listed in the files of --files-from, in order, without empty entries.
std::optional<QStringList> listedPaths(const StampOptions &options, QString *problem)
{
    QStringList paths;
    for (const QString &list : options.lists) {
        QFile file(list);
        const bool opened = list == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                       : file.open(QIODevice::ReadOnly);
        const QByteArray text = opened ? file.readAll() : QByteArray();
        if (!opened || file.error() != QFileDevice::NoError) {
            *problem = Texts::tr("Cannot read the list %1: %2").arg(list, file.errorString());
            return std::nullopt;
        }
        const QList<QByteArray> entries = text.split(options.nullSeparated ? '\0' : '\n');
        for (const QByteArray &entry : entries) {
            if (!entry.isEmpty())
                paths << QFile::decodeName(entry);
        }
    }
    return paths;
}

// The pictures of `paths` in their order: a folder's as a drop finds them, a file when a drop or
// the window's "Add Image Files" dialog takes it. Each path that adds nothing of its own, and each
// folder or name a walk leaves out, is
// reported and counted in `*rejected`.
QStringList picturesToStamp(const QStringList &paths, int *rejected)
{
    QStringList pictures;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        QVector<LeftOut> leftOut;
        const QStringList found = info.isFile() && isNamedPicture(path)
            ? QStringList {path}
            : picturesInDrop({path}, &leftOut);
        for (const LeftOut &left : qAsConst(leftOut))
            printProblem(leftOutLine(left));
        *rejected += leftOut.size();
        if (info.isDir() || !found.isEmpty()) {
            pictures << found;
            continue;
        }
        ++*rejected;
        if (!info.exists())
            printProblem(Texts::tr("%1 does not exist.").arg(path));
        else if (!isNamedPicture(path))
            printProblem(Texts::tr("%1 is not a picture file (its suffix is not one of %2).")
                             .arg(path, namedPictureSuffixes().join(QLatin1Char(' '))));
        else
            printProblem(Texts::tr("%1 is not a regular file.").arg(path));
    }
    return pictures;
}

// Calls `onSignal` from the event loop for each SIGINT or SIGTERM: the handler only writes the
// signal's number into a pipe, whose reading end the loop watches.
class StopSignals
{
public:
    explicit StopSignals(const std::function<void(int)> &onSignal)
    {
        if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
            qFatal("cannot create a pipe for signals");
        writeEnd = pipeEnds[1];
        notifier = std::make_unique<QSocketNotifier>(pipeEnds[0], QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, [this, onSignal] {
            char signalNumber = 0;
            while (::read(pipeEnds[0], &signalNumber, 1) == 1)
                onSignal(signalNumber);
        });
        struct sigaction action = {};
        action.sa_handler = &StopSignals::handle;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int signalNumber : {SIGINT, SIGTERM})
            ::sigaction(signalNumber, &action, nullptr);
    }

    ~StopSignals()
    {
        for (int signalNumber : {SIGINT, SIGTERM})
            std::signal(signalNumber, SIG_DFL);
        notifier.reset();
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
    }

private:
    static void handle(int signalNumber)
    {
        const char number = char(signalNumber);
        [[maybe_unused]] const ssize_t written = ::write(writeEnd, &number, 1);
    }

    static inline int writeEnd = -1;
    int pipeEnds[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier;
};

// Stamps the pictures through a run and prints each result in list order.
class CommandRun
{
public:
    CommandRun(const QStringList &pictures, const StampJob &job, const StampOptions &options)
        : pictures(pictures)
        , job(job)
        , quiet(options.quiet)
        , showsProgress(!options.quiet && ::isatty(STDERR_FILENO))
        , run([this] { return nextEntry(); },
              options.jobs > 0 ? options.jobs : QThread::idealThreadCount())
    {
    }

    // Stamps every picture, or up to SIGINT or SIGTERM; the exit status.
    int exec()
    {
        const StopSignals stopSignals([this](int signalNumber) { stop(signalNumber); });
        // A closed standard output (a pipe into head) must not end the run between a picture's
        // temporary file and its name.
        std::signal(SIGPIPE, SIG_IGN);
        QObject::connect(&run, &StampRun::stamped, &loop,
                         [this](int position, const QString &path, const StampResult &result) {
                             show(position, path, result);
                         });
        QObject::connect(&run, &StampRun::finished, &loop, &QEventLoop::quit);
        clock.start();
        run.start();
        showProgress();
        if (!run.isFinished())
            loop.exec();
        clearProgress();
        if (stopSignal != 0)
            return 128 + stopSignal;
        return failed > 0 ? SomeFailed : AllWritten;
    }

private:
    std::optional<RunEntry> nextEntry()
    {
        if (next >= pictures.size())
            return std::nullopt;
        return RunEntry {pictures.at(next++), job};
    }

    void show(int position, const QString &path, const StampResult &result)
    {
        handedBack = position + 1;
        if (result.outcome.kind == PictureOutcome::Discarded)
            return;
        const bool written = result.outcome.written();
        if (!written)
            ++failed;
        if (!quiet || !written) {
            clearProgress();
            const QStringList lines = resultLines(path, result.outcome, job.outputFolder,
                                                  job.format, handedBack, pictures.size());
            for (const QString &line : lines)
                printLine(stdout, line);
        }
        showProgress();
    }

    // Rewrites the progress line in place: back to the start of the line, the text, and the
    // rest of the line erased.
    void showProgress()
    {
        if (showsProgress)
            std::fputs(QStringLiteral("\r%1\033[K")
                           .arg(progressLine(handedBack, pictures.size(), clock.elapsed()))
                           .toUtf8()
                           .constData(),
                       stderr);
    }

    void clearProgress()
    {
        if (showsProgress)
            std::fputs("\r\033[K", stderr);
    }

    // No picture starts from now on; the ones in flight end in place or discarded.
    void stop(int signalNumber)
    {
        if (stopSignal != 0)
            return;
        stopSignal = signalNumber;
        run.stop();
    }

    const QStringList pictures;
    const StampJob job;
    const bool quiet;
    const bool showsProgress;
    StampRun run;
    QEventLoop loop;
    QElapsedTimer clock;
    int next = 0;
    int handedBack = 0;
    int failed = 0;
    int stopSignal = 0;
};

// "1:05", or "2:01:05" from an hour on.
QString durationText(qint64 seconds)
{
    const qint64 hours = seconds / 3600;
    const QString minutesAndSeconds
        = QStringLiteral("%1:%2")
              .arg(seconds / 60 % 60, hours > 0 ? 2 : 1, 10, QLatin1Char('0'))
              .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return hours > 0 ? QString::number(hours) + QLatin1Char(':') + minutesAndSeconds
                     : minutesAndSeconds;
}

} // namespace

QStringList resultLines(const QString &path, const PictureOutcome &outcome, const QString &folder,
                        const QString &format, int position, int count)
{
    if (outcome.kind == PictureOutcome::Missing)
        return {unreadableLine(path, Texts::tr("No such file"))};
    QStringList lines;
    const QVector<OutcomeLine> told = outcomeLines(outcome, folder, format, position, count);
    for (const OutcomeLine &line : told)
        lines << (line.warning ? Texts::tr("Warning - %1").arg(line.text) : line.text);
    return lines;
}

QString progressLine(int done, int count, qint64 elapsedMs)
{
    const QString progress = Texts::tr("%1 of %2 pictures").arg(done).arg(count);
    if (done == 0 || done == count)
        return progress;
    const qint64 secondsLeft = elapsedMs * (count - done) / done / 1000;
    return Texts::tr("%1, about %2 left").arg(progress, durationText(secondsLeft));
}

int runStampCommand(const QStringList &arguments)
{
    forwardCollectedWarnings(false);
    const ParsedStampOptions parsed = parseStampOptions(arguments);
    if (!parsed.error.isEmpty())
        return usageError(parsed.error);
    const StampOptions &options = parsed.options;
    if (options.help) {
        printLine(stdout, stampHelpText());
        return AllWritten;
    }
    if (options.version) {
        printLine(stdout,
                  QStringLiteral("tessaro-stamp ") + QCoreApplication::applicationVersion());
        return AllWritten;
    }
    QString problem;
    const std::optional<QSettings::SettingsMap> settings = commandSettings(options, &problem);
    if (!settings)
        return usageError(problem);
    const SavedSetup setup = savedSetup(*settings);
    if (options.setup.contains(QStringLiteral("font")))
        reportSubstitutedFont(setup.job.stamp.font);
    // A preset names the stored logo as it is; one an option names must read.
    const bool logoFromOption
        = !options.setup.value(QStringLiteral("logo_file_name")).toString().isEmpty();
    const std::optional<QImage> logo = options.printSettings && !logoFromOption
        ? QImage()
        : commandLogo(setup.logoFileName, logoFromOption, &problem);
    if (!logo)
        return usageError(problem);
    if (options.printSettings) {
        QByteArray preset;
        if (!settingsText(savedSettings(*settings), &preset))
            return usageError(Texts::tr("Cannot write the settings as a preset."));
        std::fwrite(preset.constData(), 1, size_t(preset.size()), stdout);
        return std::fflush(stdout) == 0 ? AllWritten : BadUsage;
    }
    const std::optional<QStringList> listed = listedPaths(options, &problem);
    if (!listed)
        return usageError(problem);
    StampJob job = setup.job;
    job.outputFolder = QDir::cleanPath(options.outputFolder);
    job.logo = *logo;
    if (!prepareOutputFolder(job.outputFolder, options.quiet, &problem))
        return usageError(problem);
    int rejected = 0;
    const QStringList pictures = picturesToStamp(options.paths + *listed, &rejected);
    const int status = CommandRun(pictures, job, options).exec();
    return status == AllWritten && rejected > 0 ? SomeFailed : status;
}
