#ifndef TESSARO_TESTENV_H
#define TESSARO_TESTENV_H

#include "engine/batch/stampjob.h"
#include "window/mainwindow.h"

#include <QTemporaryDir>

#include <memory>

// The state behind the window's controls, for tests to read and set.
struct MainWindowProbe
{
    static Ui::MainWindow *ui(MainWindow &w) { return w.ui; }
    static QClickableLabel *previewLabel(MainWindow &w) { return w.previewLabel; }
    static QImage &previewImage(MainWindow &w) { return w.previewImage; }
    static QImage &stampedImage(MainWindow &w) { return w.stampedImage; }
    static QImage &logoImage(MainWindow &w) { return w.logoImage; }
    static QString &logoFileName(MainWindow &w) { return w.logoFileName; }
    static QPoint &textPos(MainWindow &w) { return w.textPos; }
    static QPoint &logoPos(MainWindow &w) { return w.logoPos; }
    static QRect &textRect(MainWindow &w) { return w.textRect; }
    static QFont &watermarkFont(MainWindow &w) { return w.watermarkFont; }
    static QColor &fontColor(MainWindow &w) { return w.fontColor; }
    static double previewScaleX(MainWindow &w) { return w.previewScaleX; }
    static double previewScaleY(MainWindow &w) { return w.previewScaleY; }
    static bool textDragging(MainWindow &w) { return w.textDragging; }
    static bool logoDragging(MainWindow &w) { return w.logoDragging; }
    static Qt::TransformationMode transformMode(MainWindow &w) { return w.transformMode; }
    static bool &stamping(MainWindow &w) { return w.stamping; }
    static const QStringList &bannerList(MainWindow &w) { return w.bannerList; }
    static int bannerIndex(MainWindow &w) { return w.bannerIndex; }
    static QVeloraAnalytics &updateChecker(MainWindow &w) { return w.updateChecker; }
    static QSettings *settings(MainWindow &w) { return w.settings; }
    static void renderStamp(MainWindow &w) { w.renderStamp(); }
    static void updatePreview(MainWindow &w) { w.updatePreview(); }
    static QString outputFormat(MainWindow &w) { return w.outputFormat(); }
    static StampJob stampJob(MainWindow &w) { return w.stampJob(); }
};

// Once per test program: the compiled-in pictures, and the toolkit's own file dialogs (which
// tests can answer) instead of the platform's.
void initTestApplication();

// Points the settings store at a fresh temporary folder for as long as it lives, so that no test
// reads or writes the user's settings.
class IsolatedSettings
{
public:
    IsolatedSettings();
    QString path() const { return dir.path(); }

private:
    QTemporaryDir dir;
};

#endif // TESSARO_TESTENV_H
