#ifndef TESSARO_DIALOGANSWERER_H
#define TESSARO_DIALOGANSWERER_H

#include <QColor>
#include <QFont>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QQueue>
#include <QStringList>
#include <QTimer>

#include <functional>

// What a test saw of one modal dialog it answered.
struct SeenDialog
{
    QString className;
    QString title;
    QString text;
    QString informativeText;
};

// Answers modal dialogs from a timer, as a user sitting at the screen would: each queued answer
// waits for the next modal widget to come up and then acts on it (clicks a message-box button,
// picks a path in a file dialog, a colour or a font). Dialogs come from the real static functions
// of the code under test; nothing is replaced. File dialogs must be the toolkit's own widgets, so
// tests set Qt::AA_DontUseNativeDialogs.
class DialogAnswerer : public QObject
{
    Q_OBJECT

public:
    using Action = std::function<void(QWidget *dialog)>;

    explicit DialogAnswerer(QObject *parent = nullptr);
    ~DialogAnswerer() override;

    void answer(const Action &action);
    void pressButton(QMessageBox::StandardButton button);
    void pressEscape();
    void closeWindow();
    // Accepts a file dialog with these paths selected: one or more files, or one folder.
    void choosePaths(const QStringList &paths);
    void choosePath(const QString &path) { choosePaths({path}); }
    void cancelDialog();
    void chooseColor(const QColor &color);
    void chooseFont(const QFont &font);

    // Waits, serving events, until every queued answer has been given or the time is up.
    bool waitUntilAnswered(int timeoutMs = 10000);
    int pendingAnswers() const { return answers.size(); }
    const QList<SeenDialog> &seenDialogs() const { return seen; }
    QStringList seenTitles() const;

private:
    void poll();

    QTimer pollTimer;
    QQueue<Action> answers;
    QList<SeenDialog> seen;
    QPointer<QWidget> lastAnswered;
};

#endif // TESSARO_DIALOGANSWERER_H
