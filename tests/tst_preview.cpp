// The preview pane: loading the selected picture, fit and actual size, dragging the stamps.
#include "engine/read/imageload.h"
#include "support/profiledfiles.h"
#include "support/testenv.h"
#include "support/windowfixture.h"
#include "ui_mainwindow.h"
#include "window/widgets/qclickablelabel.h"

#include <QtTest>
#include <QtWidgets>

namespace {

void sendMouse(QWidget *widget, QEvent::Type type, const QPoint &pos,
               Qt::MouseButton button = Qt::LeftButton)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    QMouseEvent event(type, pos, widget->mapToGlobal(pos),
                      type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

QString writePicture(const QTemporaryDir &dir, const QString &name, const QSize &size,
                     const char *format = nullptr)
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(qRgb(90, 120, 150));
    const QString path = dir.filePath(name);
    if (!picture.save(path, format))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

} // namespace

class TstPreview : public QObject, private WindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void selectingAPictureShowsItStamped();
    void fitScaleAndDrag();
    void fractionalDragStepsTruncate();
    void actualSizeFollowsTheMousePixelForPixel();
    void logoWinsOverText();
    void scaledStampKeepsThePreviewAndFollowsTheMouse();
    void pressOutsideOrWithoutPictureDoesNothing();
    void anyButtonStartsADrag();
    void clearingTheSelection();
    void missingFileKeepsThePane();
    void switchingDisplayModeDoesNotRender();
    void namesDoNotScalePictures();
    void contentDecidesTheFormat_data();
    void contentDecidesTheFormat();
    void profiledPictureShowsAsWritten_data();
    void profiledPictureShowsAsWritten();

private:
    void selectPicture(const QString &path);
    QLabel *label() { return MainWindowProbe::previewLabel(*window); }
};

void TstPreview::initTestCase()
{
    initTestApplication();
}

void TstPreview::init()
{
    createWindow();
    ui->resize_check->setChecked(false);
    ui->image_scroll->setFixedSize(802, 602);
    window->resize(1600, 1200);
    QVERIFY(showWindow());
}

void TstPreview::cleanup()
{
    destroyWindow();
}

void TstPreview::selectPicture(const QString &path)
{
    ui->files_list->addItem(path);
    ui->files_list->setCurrentRow(ui->files_list->count() - 1);
    QApplication::processEvents(); // let the label take its pixmap's size
}

void TstPreview::selectingAPictureShowsItStamped()
{
    ui->wtrmark_edit->setText(QStringLiteral("Stamped"));
    ui->actual_radio->setChecked(true);
    selectPicture(writePicture(*dir, QStringLiteral("one.png"), QSize(640, 480)));
    const QImage &preview = MainWindowProbe::previewImage(*window);
    QCOMPARE(preview.format(), QImage::Format_ARGB32);
    QCOMPARE(preview.size(), QSize(640, 480));
    const QImage &stamped = MainWindowProbe::stampedImage(*window);
    QVERIFY(stamped != preview); // the text is drawn on the stamped copy only
    QVERIFY(MainWindowProbe::textRect(*window).width() > 0);
    QCOMPARE(label()->pixmap(Qt::ReturnByValue).size(), QSize(640, 480));
    QCOMPARE(label()->pixmap(Qt::ReturnByValue).toImage().convertToFormat(QImage::Format_ARGB32),
             stamped.convertToFormat(QImage::Format_ARGB32));
}

// A 4000 x 3000 picture in a pane of 802 x 602 shows at 800 x 600: a drag of 10 shown pixels
// moves the stamp 50 picture pixels.
void TstPreview::fitScaleAndDrag()
{
    ui->fit_radio->setChecked(true);
    ui->wtrmark_edit->setText(QStringLiteral("Drag me"));
    selectPicture(writePicture(*dir, QStringLiteral("big.png"), QSize(4000, 3000)));
    QCOMPARE(label()->pixmap(Qt::ReturnByValue).size(), QSize(800, 600));
    QCOMPARE(label()->size(), QSize(800, 600));

    const QPoint textPos = MainWindowProbe::textPos(*window);
    const QPoint press(int((textPos.x() + 2) * 0.2) + 1, int((textPos.y() + 2) * 0.2) + 1);
    const int startX = ui->txt_x_spin->value();
    const int startY = ui->txt_y_spin->value();
    sendMouse(label(), QEvent::MouseButtonPress, press);
    QCOMPARE(MainWindowProbe::previewScaleX(*window), 0.2);
    QCOMPARE(MainWindowProbe::previewScaleY(*window), 0.2);
    QVERIFY(MainWindowProbe::textDragging(*window));
    sendMouse(label(), QEvent::MouseMove, press + QPoint(10, 0));
    QCOMPARE(ui->txt_x_spin->value(), startX + 50);
    QCOMPARE(ui->txt_y_spin->value(), startY);
    sendMouse(label(), QEvent::MouseMove, press + QPoint(10, -4));
    QCOMPARE(ui->txt_y_spin->value(), startY - 20);
    sendMouse(label(), QEvent::MouseButtonRelease, press + QPoint(10, -4));
    QVERIFY(!MainWindowProbe::textDragging(*window));
    sendMouse(label(), QEvent::MouseMove, press + QPoint(30, 30));
    QCOMPARE(ui->txt_x_spin->value(), startX + 50);
}

// At scale 2 a one-pixel step is half a picture pixel, truncated to nothing, while the mouse
// position still advances; three pixels move the stamp one.
void TstPreview::fractionalDragStepsTruncate()
{
    ui->fit_radio->setChecked(true);
    ui->wtrmark_edit->setText(QStringLiteral("Small"));
    selectPicture(writePicture(*dir, QStringLiteral("small.png"), QSize(400, 300)));
    QCOMPARE(label()->size(), QSize(800, 600));
    ui->txt_x_spin->setValue(0);
    ui->txt_y_spin->setValue(0);
    MainWindowProbe::renderStamp(*window);
    const QPoint textPos = MainWindowProbe::textPos(*window);
    const QPoint press = textPos * 2 + QPoint(4, 4);
    sendMouse(label(), QEvent::MouseButtonPress, press);
    QCOMPARE(MainWindowProbe::previewScaleX(*window), 2.0);
    sendMouse(label(), QEvent::MouseMove, press + QPoint(1, 0));
    QCOMPARE(ui->txt_x_spin->value(), 0);
    sendMouse(label(), QEvent::MouseMove, press + QPoint(2, 0));
    QCOMPARE(ui->txt_x_spin->value(), 0);
    sendMouse(label(), QEvent::MouseMove, press + QPoint(5, 0));
    QCOMPARE(ui->txt_x_spin->value(), 1);
}

void TstPreview::actualSizeFollowsTheMousePixelForPixel()
{
    ui->actual_radio->setChecked(true);
    ui->wtrmark_edit->setText(QStringLiteral("Actual"));
    selectPicture(writePicture(*dir, QStringLiteral("actual.png"), QSize(500, 400)));
    const QPoint press = MainWindowProbe::textPos(*window) + QPoint(3, 3);
    const int startX = ui->txt_x_spin->value();
    sendMouse(label(), QEvent::MouseButtonPress, press);
    QCOMPARE(MainWindowProbe::previewScaleX(*window), 1.0);
    QCOMPARE(MainWindowProbe::previewScaleY(*window), 1.0);
    sendMouse(label(), QEvent::MouseMove, press + QPoint(7, 0));
    QCOMPARE(ui->txt_x_spin->value(), startX + 7);
}

void TstPreview::logoWinsOverText()
{
    ui->actual_radio->setChecked(true);
    ui->wtrmark_edit->setText(QStringLiteral("Under the logo"));
    QImage logo(60, 40, QImage::Format_ARGB32);
    logo.fill(qRgba(255, 0, 0, 255));
    MainWindowProbe::logoImage(*window) = logo;
    ui->txt_x_spin->setValue(0);
    ui->txt_y_spin->setValue(0);
    ui->x_spin->setValue(0);
    ui->y_spin->setValue(0);
    selectPicture(writePicture(*dir, QStringLiteral("logo.png"), QSize(500, 400)));
    QCOMPARE(MainWindowProbe::logoPos(*window), QPoint(0, 0));
    QCOMPARE(MainWindowProbe::textPos(*window), QPoint(0, 0));

    sendMouse(label(), QEvent::MouseButtonPress, QPoint(5, 5));
    QVERIFY(MainWindowProbe::logoDragging(*window));
    QVERIFY(MainWindowProbe::textDragging(*window));
    sendMouse(label(), QEvent::MouseMove, QPoint(25, 15));
    QCOMPARE(ui->x_spin->value(), 20);
    QCOMPARE(ui->y_spin->value(), 10);
    QCOMPARE(ui->txt_x_spin->value(), 0);
    QCOMPARE(ui->txt_y_spin->value(), 0);
}

// Ticking "scale with each picture" takes the shown picture's shorter side as the reference, so
// that its stamp stays as it is. Drawn twice as large, the logo is grabbed anywhere on it and
// moves its offset half the distance the mouse moves.
void TstPreview::scaledStampKeepsThePreviewAndFollowsTheMouse()
{
    ui->actual_radio->setChecked(true);
    ui->wtrmark_edit->setText(QStringLiteral("Scaled"));
    QImage logo(40, 40, QImage::Format_ARGB32);
    logo.fill(qRgb(255, 0, 0));
    MainWindowProbe::logoImage(*window) = logo;
    ui->x_spin->setValue(10);
    ui->y_spin->setValue(10);
    ui->resize_check->setChecked(true);
    ui->aspect_check->setChecked(true);
    ui->width_spin->setValue(500);
    ui->height_spin->setValue(500);
    selectPicture(writePicture(*dir, QStringLiteral("photo.png"), QSize(800, 600)));
    const QImage before = MainWindowProbe::stampedImage(*window).copy();
    QCOMPARE(before.size(), QSize(500, 375));

    ui->scalestamp_check->setChecked(true);
    QCOMPARE(ui->referenceside_spin->value(), 375);
    QVERIFY(ui->referenceside_spin->isEnabled());
    QCOMPARE(MainWindowProbe::stampedImage(*window), before);

    ui->resize_check->setChecked(false);
    ui->referenceside_spin->setValue(300);
    QApplication::processEvents();
    QCOMPARE(MainWindowProbe::logoPos(*window), QPoint(20, 20));
    QCOMPARE(MainWindowProbe::stampedImage(*window).pixel(99, 99), qRgb(255, 0, 0));
    sendMouse(label(), QEvent::MouseButtonPress, QPoint(90, 90));
    QVERIFY(MainWindowProbe::logoDragging(*window));
    sendMouse(label(), QEvent::MouseMove, QPoint(110, 100));
    QCOMPARE(ui->x_spin->value(), 20);
    QCOMPARE(ui->y_spin->value(), 15);
    sendMouse(label(), QEvent::MouseButtonRelease, QPoint(110, 100));

    // With no picture shown, ticking starts from 1080.
    ui->scalestamp_check->setChecked(false);
    QVERIFY(!ui->referenceside_spin->isEnabled());
    ui->files_list->clear();
    ui->scalestamp_check->setChecked(true);
    QCOMPARE(ui->referenceside_spin->value(), 1080);
}

void TstPreview::pressOutsideOrWithoutPictureDoesNothing()
{
    sendMouse(label(), QEvent::MouseButtonPress, QPoint(1, 1));
    QVERIFY(!MainWindowProbe::textDragging(*window));
    QVERIFY(!MainWindowProbe::logoDragging(*window));

    ui->actual_radio->setChecked(true);
    ui->wtrmark_edit->setText(QStringLiteral("Corner"));
    selectPicture(writePicture(*dir, QStringLiteral("outside.png"), QSize(500, 400)));
    const int startX = ui->txt_x_spin->value();
    sendMouse(label(), QEvent::MouseButtonPress, QPoint(490, 390));
    QVERIFY(!MainWindowProbe::textDragging(*window));
    QVERIFY(!MainWindowProbe::logoDragging(*window));
    sendMouse(label(), QEvent::MouseMove, QPoint(400, 300));
    QCOMPARE(ui->txt_x_spin->value(), startX);
}

void TstPreview::anyButtonStartsADrag()
{
    ui->actual_radio->setChecked(true);
    ui->wtrmark_edit->setText(QStringLiteral("Right button"));
    selectPicture(writePicture(*dir, QStringLiteral("right.png"), QSize(500, 400)));
    const QPoint press = MainWindowProbe::textPos(*window) + QPoint(2, 2);
    sendMouse(label(), QEvent::MouseButtonPress, press, Qt::RightButton);
    QVERIFY(MainWindowProbe::textDragging(*window));
}

void TstPreview::clearingTheSelection()
{
    ui->actual_radio->setChecked(true);
    QImage logo(30, 30, QImage::Format_ARGB32);
    logo.fill(Qt::blue);
    MainWindowProbe::logoImage(*window) = logo;
    selectPicture(writePicture(*dir, QStringLiteral("clear.png"), QSize(300, 200)));
    QVERIFY(!ui->logo_label->pixmap(Qt::ReturnByValue).isNull());
    const QString sampleStyle = ui->font_pr_label->styleSheet();
    QCOMPARE(sampleStyle.left(8), QStringLiteral("color: #"));
    QCOMPARE(sampleStyle.size(), 16);

    ui->files_list->clear();
    QVERIFY(label()->pixmap(Qt::ReturnByValue).isNull());
    QVERIFY(MainWindowProbe::previewImage(*window).isNull());
    QVERIFY(!ui->logo_label->pixmap(Qt::ReturnByValue).isNull());
    QCOMPARE(ui->font_pr_label->styleSheet(), sampleStyle);
}

void TstPreview::missingFileKeepsThePane()
{
    ui->actual_radio->setChecked(true);
    selectPicture(writePicture(*dir, QStringLiteral("kept.png"), QSize(320, 240)));
    const qint64 shown = MainWindowProbe::stampedImage(*window).cacheKey();
    selectPicture(dir->filePath(QStringLiteral("gone.png")));
    QCOMPARE(MainWindowProbe::stampedImage(*window).cacheKey(), shown);
    QCOMPARE(label()->pixmap(Qt::ReturnByValue).size(), QSize(320, 240));
    QCOMPARE(MainWindowProbe::previewImage(*window).size(), QSize(320, 240));
}

void TstPreview::switchingDisplayModeDoesNotRender()
{
    ui->actual_radio->setChecked(true);
    selectPicture(writePicture(*dir, QStringLiteral("modes.png"), QSize(1600, 1200)));
    const qint64 rendered = MainWindowProbe::stampedImage(*window).cacheKey();
    QCOMPARE(label()->pixmap(Qt::ReturnByValue).size(), QSize(1600, 1200));
    ui->fit_radio->setChecked(true);
    QCOMPARE(label()->pixmap(Qt::ReturnByValue).size(), QSize(800, 600));
    ui->actual_radio->setChecked(true);
    QCOMPARE(label()->pixmap(Qt::ReturnByValue).size(), QSize(1600, 1200));
    QCOMPARE(MainWindowProbe::stampedImage(*window).cacheKey(), rendered);
}

// The reader takes a device pixel ratio from names like "@2x"; a picture with transparency
// painted at that ratio would fill only a quarter of its working copy.
void TstPreview::namesDoNotScalePictures()
{
    QImage translucent(80, 60, QImage::Format_ARGB32);
    translucent.fill(qRgba(200, 40, 40, 200));
    const QString path = dir->filePath(QStringLiteral("shot@2x.png"));
    QVERIFY(translucent.save(path));
    selectPicture(path);
    const QImage &preview = MainWindowProbe::previewImage(*window);
    QCOMPARE(preview.size(), QSize(80, 60));
    QCOMPARE(preview.pixel(79, 59), qRgba(200, 40, 40, 200));
    QCOMPARE(readPicture(path).devicePixelRatio(), 1.0);
}

void TstPreview::contentDecidesTheFormat_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::newRow("JPEG 2000") << QFINDTESTDATA("data/rgb.jp2") << "photo.jp2" << QSize();
    QTest::newRow("JPEG 2000 named .png") << QFINDTESTDATA("data/rgb.jp2") << "lies.png" << QSize();
    QTest::newRow("PNG named .jpg") << QString() << "png-inside.jpg" << QSize(120, 80);
    QTest::newRow("BMP named .dib") << QString() << "bitmap.dib" << QSize(64, 48);
}

void TstPreview::contentDecidesTheFormat()
{
    QFETCH(QString, source);
    QFETCH(QString, name);
    QFETCH(QSize, size);
    QString path;
    if (source.isEmpty()) {
        const char *format = name.endsWith(QLatin1String(".dib")) ? "BMP" : "PNG";
        path = writePicture(*dir, name, size, format);
    } else {
        path = dir->filePath(name);
        QVERIFY(QFile::copy(source, path));
        size = QImageReader(source).size();
    }
    selectPicture(path);
    QVERIFY(!size.isEmpty());
    QCOMPARE(MainWindowProbe::previewImage(*window).size(), size);
}

void TstPreview::profiledPictureShowsAsWritten_data()
{
    QTest::addColumn<QByteArray>("left");
    QTest::addColumn<QByteArray>("profile");
    QTest::addColumn<uint>("shown");
    QTest::newRow("grey through a linear grey profile")
        << QByteArray("\x80") << linearGreyProfile() << uint(qRgb(188, 188, 188));
    QTest::newRow("CMYK, cyan ink stored inverted, through a press profile")
        << QByteArray("\x00\xff\xff\xff", 4) << pressProfile() << uint(qRgb(0, 102, 255));
}

// The preview converts a grey or CMYK picture through its profile as the written file does.
void TstPreview::profiledPictureShowsAsWritten()
{
    QFETCH(QByteArray, left);
    QFETCH(QByteArray, profile);
    QFETCH(uint, shown);
    const QString path = dir->filePath(QStringLiteral("profiled.jpg"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(profiledJpeg(left, left, profile));
    file.close();
    selectPicture(path);
    const QRgb pixel = MainWindowProbe::previewImage(*window).pixel(12, 24);
    QVERIFY2(isNearColor(pixel, shown), qPrintable(QColor(pixel).name()));
}

QTEST_MAIN(TstPreview)
#include "tst_preview.moc"
