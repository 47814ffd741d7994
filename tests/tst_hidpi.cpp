// The window on a screen of device pixel ratio 2, as with QT_SCALE_FACTOR=2: the preview drawn in
// the screen's own pixels and dragged by points, and a font sample shown whole.
#include "support/testenv.h"
#include "support/windowfixture.h"
#include "ui_mainwindow.h"
#include "window/widgets/qclickablelabel.h"

#include <QtTest>
#include <QtWidgets>

class TstHiDpi : public QObject, private WindowFixture
{
    Q_OBJECT

public:
    // Before the application starts: the screen this program runs on.
    static void initMain() { qputenv("QT_SCALE_FACTOR", "2"); }

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void previewInTheScreensPixels_data();
    void previewInTheScreensPixels();
    void fontSampleShowsWhole();
};

void TstHiDpi::initTestCase()
{
    initTestApplication();
}

void TstHiDpi::init()
{
    createWindow();
    ui->resize_check->setChecked(false);
    ui->image_scroll->setFixedSize(202, 152);
    QVERIFY(showWindow());
    QCOMPARE(window->devicePixelRatioF(), 2.0);
}

void TstHiDpi::cleanup()
{
    destroyWindow();
}

void TstHiDpi::previewInTheScreensPixels_data()
{
    QTest::addColumn<bool>("fit");
    QTest::newRow("fit to screen") << true;
    QTest::newRow("actual size") << false;
}

// A 400 x 300 picture fitted into 200 x 150 points, or shown at actual size, takes 400 x 300 screen
// pixels: one picture pixel each, where drawing it at the points' resolution would enlarge half
// the pixels. A drag follows the mouse in points, two picture pixels per point. The logo's
// thumbnail is drawn in screen pixels too.
void TstHiDpi::previewInTheScreensPixels()
{
    QFETCH(bool, fit);
    (fit ? ui->fit_radio : ui->actual_radio)->setChecked(true);
    QImage logo(30, 20, QImage::Format_ARGB32);
    logo.fill(qRgb(200, 30, 30));
    MainWindowProbe::logoImage(*window) = logo;
    ui->logo_botright_btn->setChecked(true);
    ui->wtrmark_edit->setText(QStringLiteral("Sharp"));
    QImage picture(400, 300, QImage::Format_RGB32);
    picture.fill(qRgb(90, 120, 150));
    const QString path = dir->filePath(QStringLiteral("picture.png"));
    QVERIFY(picture.save(path));
    ui->files_list->addItem(path);
    ui->files_list->setCurrentRow(0);
    QApplication::processEvents(); // let the label take its pixmap's size

    QLabel *label = MainWindowProbe::previewLabel(*window);
    const QPixmap shown = label->pixmap(Qt::ReturnByValue);
    QCOMPARE(shown.size(), QSize(400, 300));
    QCOMPARE(shown.devicePixelRatio(), 2.0);
    QCOMPARE(label->size(), QSize(200, 150));
    const QPixmap thumbnail = ui->logo_label->pixmap(Qt::ReturnByValue);
    QCOMPARE(thumbnail.devicePixelRatio(), 2.0);
    QCOMPARE(thumbnail.size(),
             logo.size().scaled(2 * (ui->logo_label->size() - QSize(2, 2)), Qt::KeepAspectRatio));

    const QPoint press = MainWindowProbe::textPos(*window) / 2 + QPoint(2, 2);
    const int startX = ui->txt_x_spin->value();
    QMouseEvent pressed(QEvent::MouseButtonPress, press, label->mapToGlobal(press), Qt::LeftButton,
                        Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(label, &pressed);
    QVERIFY(MainWindowProbe::textDragging(*window));
    const QPoint to = press + QPoint(10, 0);
    QMouseEvent moved(QEvent::MouseMove, to, label->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(label, &moved);
    QCOMPARE(ui->txt_x_spin->value(), startX + 20);
}

// The sample "ABCD" of a font too wide for its box is shown smaller, whole, in the same face; a
// font that fits is shown at its size.
void TstHiDpi::fontSampleShowsWhole()
{
    QLabel *sample = ui->font_pr_label;
    const auto shownWhole = [sample] {
        const QFontMetrics metrics(sample->font());
        return sample->sizeHint().width() <= sample->width()
            && metrics.boundingRect(sample->text()).width() <= sample->contentsRect().width()
            && metrics.height() <= sample->contentsRect().height();
    };
    QCOMPARE(sample->font().pointSize(), MainWindowProbe::watermarkFont(*window).pointSize());
    QVERIFY(shownWhole());

    const QFont wide(QStringLiteral("DejaVu Serif"), 72);
    MainWindowProbe::watermarkFont(*window) = wide;
    MainWindowProbe::updatePreview(*window);
    QApplication::processEvents();
    QVERIFY(QFontMetrics(wide).boundingRect(sample->text()).width() > sample->maximumWidth());
    QCOMPARE(sample->font().family(), wide.family());
    QVERIFY(sample->font().pointSizeF() < wide.pointSizeF());
    QTRY_VERIFY(shownWhole()); // once the settings column is laid out again
}

QTEST_MAIN(TstHiDpi)
#include "tst_hidpi.moc"
