#include "support/dialoganswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QLineEdit>
#include <QTest>

namespace {

// An answer for a dialog of class T; any other dialog is closed, with a warning.
template<typename T, typename Act>
DialogAnswerer::Action answerFor(Act act)
{
    return [act](QWidget *dialog) {
        if (auto typed = qobject_cast<T *>(dialog)) {
            act(typed);
            return;
        }
        qWarning("DialogAnswerer: expected a %s, got a %s", T::staticMetaObject.className(),
                 dialog->metaObject()->className());
        dialog->close();
    };
}

} // namespace

DialogAnswerer::DialogAnswerer(QObject *parent)
    : QObject(parent)
{
    pollTimer.setInterval(10);
    connect(&pollTimer, &QTimer::timeout, this, &DialogAnswerer::poll);
}

DialogAnswerer::~DialogAnswerer() = default;

void DialogAnswerer::answer(const Action &action)
{
    answers.enqueue(action);
    pollTimer.start();
}

void DialogAnswerer::pressButton(QMessageBox::StandardButton button)
{
    answer(answerFor<QMessageBox>([button](QMessageBox *box) {
        if (QAbstractButton *pressed = box->button(button)) {
            pressed->click();
            return;
        }
        qWarning("DialogAnswerer: expected a message box with button %d", int(button));
        box->close();
    }));
}

void DialogAnswerer::pressEscape()
{
    answer([](QWidget *dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
}

void DialogAnswerer::closeWindow()
{
    answer([](QWidget *dialog) { dialog->close(); });
}

void DialogAnswerer::choosePaths(const QStringList &paths)
{
    answer(answerFor<QFileDialog>([paths](QFileDialog *fileDialog) {
        const QFileInfo first(paths.value(0));
        if (paths.size() == 1 && first.isDir()) {
            fileDialog->setDirectory(first.absoluteFilePath());
            if (auto edit = fileDialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                edit->clear();
        } else {
            fileDialog->setDirectory(first.absolutePath());
            QStringList quoted;
            for (const QString &path : paths)
                quoted << QLatin1Char('"') + QFileInfo(path).fileName() + QLatin1Char('"');
            if (auto edit = fileDialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                edit->setText(paths.size() == 1 ? QFileInfo(paths.first()).fileName()
                                                : quoted.join(QLatin1Char(' ')));
        }
        static_cast<QDialog *>(fileDialog)->accept();
    }));
}

void DialogAnswerer::cancelDialog()
{
    answer([](QWidget *dialog) {
        if (auto plain = qobject_cast<QDialog *>(dialog))
            plain->reject();
        else
            dialog->close();
    });
}

void DialogAnswerer::chooseColor(const QColor &color)
{
    answer(answerFor<QColorDialog>([color](QColorDialog *colorDialog) {
        colorDialog->setCurrentColor(color);
        colorDialog->accept();
    }));
}

void DialogAnswerer::chooseFont(const QFont &font)
{
    answer(answerFor<QFontDialog>([font](QFontDialog *fontDialog) {
        fontDialog->setCurrentFont(font);
        fontDialog->accept();
    }));
}

bool DialogAnswerer::waitUntilAnswered(int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!answers.isEmpty() && !deadline.hasExpired())
        QTest::qWait(10);
    return answers.isEmpty();
}

QStringList DialogAnswerer::seenTitles() const
{
    QStringList titles;
    for (const SeenDialog &dialog : seen)
        titles << dialog.title;
    return titles;
}

void DialogAnswerer::poll()
{
    if (answers.isEmpty()) {
        pollTimer.stop();
        return;
    }
    QWidget *dialog = QApplication::activeModalWidget();
    if (!dialog || !dialog->isVisible() || dialog == lastAnswered)
        return;
    // A progress dialog is modal too but is never answered here.
    if (dialog->inherits("QProgressDialog"))
        return;
    lastAnswered = dialog;
    SeenDialog record {QString::fromLatin1(dialog->metaObject()->className()),
                       dialog->windowTitle(), QString(), QString()};
    if (auto box = qobject_cast<QMessageBox *>(dialog)) {
        record.text = box->text();
        record.informativeText = box->informativeText();
    }
    seen << record;
    answers.dequeue()(dialog);
}
