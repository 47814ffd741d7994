// The settings store: the codecs, a first start, and every key through a restart.
#include "engine/setup/savedsetup.h"
#include "engine/setup/settingskeys.h"
#include "support/testenv.h"
#include "ui_mainwindow.h"

#include <QtTest>
#include <QtWidgets>

namespace {

// The keys in the order they are read.
const QStringList allKeys = {
    "txt_topleft_btn",
    "txt_top_btn",
    "txt_topright_btn",
    "txt_left_btn",
    "txt_center_btn",
    "txt_right_btn",
    "txt_botleft_btn",
    "txt_bot_btn",
    "txt_botright_btn",
    "logo_topleft_btn",
    "logo_top_btn",
    "logo_topright_btn",
    "logo_left_btn",
    "logo_center_btn",
    "logo_right_btn",
    "logo_botleft_btn",
    "logo_bot_btn",
    "logo_botright_btn",
    "logo_file_name",
    "font",
    "wtrmark_edit",
    "fnt_clr",
    "shadow_spin",
    "x_spin",
    "y_spin",
    "top_radio",
    "bottom_radio_radio",
    "light_radio",
    "dark_radio",
    "actual_radio",
    "fit_radio",
    "scale_spin",
    "resize_check",
    "aspect_check",
    "width_spin",
    "height_spin",
    "txt_x_spin",
    "txt_y_spin",
    "outjpg_radio",
    "outpng_radio",
    "outtif_radio",
    "outwebp_radio",
    "outavif_radio",
    "comp_slider",
    "last_output_folder",
    "keepinfo_check",
    "dropgps_check",
    "noenlarge_check",
    "scalestamp_check",
    "referenceside_spin",
};

QSettings *openStore()
{
    return new QSettings(QStringLiteral("Korvath"), QStringLiteral("Tessaro"));
}

void writeStore(const QVariantMap &values)
{
    std::unique_ptr<QSettings> store(openStore());
    for (auto value = values.cbegin(); value != values.cend(); ++value)
        store->setValue(value.key(), value.value());
}

QVariant storedValue(const QString &key)
{
    std::unique_ptr<QSettings> store(openStore());
    return store->value(key);
}

} // namespace

class TstSettings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void fontDescriptionRoundTrip_data();
    void fontDescriptionRoundTrip();
    void rejectedFontDescriptionGivesTheDefaultFont();
    void colorNumber_data();
    void colorNumber();
    void firstStartShowsTheDefaults();
    void everyKeySurvivesARestart();
    void nothingIsWrittenWhileRunning();
    void resizeStoredOffDisablesTheSizeControls();
    void semiTransparentColourComesBackOpaque();
    void outOfRangeValuesAreClamped_data();
    void outOfRangeValuesAreClamped();
    void emptyTextStaysEmpty();
    void logoPathAcrossRestarts();
    void corruptValuesGiveZero_data();
    void corruptValuesGiveZero();
    void savedSetupIsTheWindowsJob_data();
    void savedSetupIsTheWindowsJob();
    void keyRangesAreTheControls();

private:
    void restart();
    Ui::MainWindow *ui() { return MainWindowProbe::ui(*window); }

    std::unique_ptr<IsolatedSettings> store;
    std::unique_ptr<MainWindow> window;
};

void TstSettings::initTestCase()
{
    initTestApplication();
}

void TstSettings::init()
{
    store = std::make_unique<IsolatedSettings>();
}

void TstSettings::cleanup()
{
    window.reset();
    store.reset();
}

// Ends the running window, which writes the store, and starts a new one from the store.
void TstSettings::restart()
{
    window.reset();
    window = std::make_unique<MainWindow>();
}

void TstSettings::fontDescriptionRoundTrip_data()
{
    QTest::addColumn<QString>("description");
    QTest::newRow("default") << "Cambria,18,-1,5,50,0,0,0,0,0";
    QTest::newRow("bold italic underlined") << "DejaVu Serif,11,-1,5,75,1,1,0,0,0";
    QTest::newRow("pixel size, struck out") << "DejaVu Sans,-1,24,5,50,0,0,1,0,0";
}

void TstSettings::fontDescriptionRoundTrip()
{
    QFETCH(QString, description);
    QCOMPARE(fontDescription(fontFromDescription(description)), description);
}

void TstSettings::rejectedFontDescriptionGivesTheDefaultFont()
{
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Invalid description")));
    QCOMPARE(fontFromDescription(QStringLiteral("Cambria,18,-1,5")), QFont());
}

void TstSettings::colorNumber_data()
{
    QTest::addColumn<QColor>("color");
    QTest::addColumn<quint32>("number");
    QTest::addColumn<QColor>("readBack");
    QTest::newRow("white") << QColor(Qt::white) << 4294967295u << QColor(Qt::white);
    QTest::newRow("black") << QColor(Qt::black) << 0xff000000u << QColor(Qt::black);
    QTest::newRow("orange") << QColor(250, 120, 5) << 0xfffa7805u << QColor(250, 120, 5);
    QTest::newRow("semi-transparent")
        << QColor(0x11, 0x22, 0x33, 0x80) << 0x80112233u << QColor(0x11, 0x22, 0x33);
}

void TstSettings::colorNumber()
{
    QFETCH(QColor, color);
    QFETCH(quint32, number);
    QFETCH(QColor, readBack);
    QCOMPARE(::colorNumber(color), number);
    QCOMPARE(opaqueColorFromNumber(number), readBack);
    QCOMPARE(opaqueColorFromNumber(number).alpha(), 255);
}

void TstSettings::firstStartShowsTheDefaults()
{
    window = std::make_unique<MainWindow>();
    QCOMPARE(ui()->wtrmark_edit->text(), QStringLiteral("Enter your text here!"));
    QCOMPARE(MainWindowProbe::fontColor(*window), QColor(Qt::white));
    QCOMPARE(fontDescription(MainWindowProbe::watermarkFont(*window)),
             QStringLiteral("Cambria,18,-1,5,50,0,0,0,0,0"));
    QVERIFY(ui()->txt_topleft_btn->isChecked());
    QCOMPARE(ui()->txt_x_spin->value(), 20);
    QCOMPARE(ui()->txt_y_spin->value(), 20);
    QVERIFY(ui()->logo_topleft_btn->isChecked());
    QCOMPARE(ui()->x_spin->value(), 0);
    QCOMPARE(ui()->y_spin->value(), 0);
    QVERIFY(MainWindowProbe::logoFileName(*window).isEmpty());
    QVERIFY(MainWindowProbe::logoImage(*window).isNull());
    QVERIFY(ui()->logo_label->pixmap(Qt::ReturnByValue).isNull());
    QVERIFY(ui()->dark_radio->isChecked());
    QVERIFY(ui()->bottom_radio->isChecked());
    QCOMPARE(ui()->shadow_spin->value(), 15);
    QCOMPARE(ui()->shadow_slider->value(), 15);
    QCOMPARE(ui()->scale_spin->value(), 1.0);
    QCOMPARE(ui()->scale_slider->value(), 100);
    QVERIFY(ui()->actual_radio->isChecked());
    QVERIFY(ui()->resize_check->isChecked());
    QVERIFY(!ui()->aspect_check->isChecked());
    QCOMPARE(ui()->width_spin->value(), 1920);
    QCOMPARE(ui()->height_spin->value(), 1920);
    QVERIFY(ui()->width_spin->isEnabled());
    QVERIFY(ui()->height_spin->isEnabled());
    QVERIFY(ui()->aspect_check->isEnabled());
    QVERIFY(ui()->outjpg_radio->isChecked());
    QCOMPARE(ui()->comp_slider->value(), 90);
    QCOMPARE(ui()->comp_label->text(), QStringLiteral("90%"));
    QCOMPARE(ui()->font_pr_label->styleSheet(), QStringLiteral("color: #ffffffff"));
    QVERIFY(ui()->keepinfo_check->isChecked());
    QVERIFY(ui()->dropgps_check->isChecked());
    QVERIFY(ui()->dropgps_check->isEnabled());
    QVERIFY(!ui()->noenlarge_check->isChecked());
    QVERIFY(ui()->noenlarge_check->isEnabled());
    QVERIFY(!ui()->scalestamp_check->isChecked());
    QCOMPARE(ui()->referenceside_spin->value(), 1080);
    QVERIFY(!ui()->referenceside_spin->isEnabled());

    window.reset();
    std::unique_ptr<QSettings> written(openStore());
    QCOMPARE(written->allKeys().size(), allKeys.size());
    for (const QString &key : allKeys)
        QVERIFY2(written->contains(key), qPrintable(key));
}

void TstSettings::everyKeySurvivesARestart()
{
    window = std::make_unique<MainWindow>();
    const QFont font(QStringLiteral("DejaVu Serif"), 24, QFont::Bold, true);
    ui()->txt_center_btn->setChecked(true);
    ui()->logo_botright_btn->setChecked(true);
    MainWindowProbe::logoFileName(*window) = QStringLiteral("/nowhere/logo.png");
    MainWindowProbe::watermarkFont(*window) = font;
    ui()->wtrmark_edit->setText(QStringLiteral("© Tessaro, 2024"));
    MainWindowProbe::fontColor(*window) = QColor(10, 20, 30);
    ui()->shadow_spin->setValue(40);
    ui()->x_spin->setValue(-120);
    ui()->y_spin->setValue(777777);
    ui()->top_radio->setChecked(true);
    ui()->light_radio->setChecked(true);
    ui()->fit_radio->setChecked(true);
    // 5.00 is beyond the slider: it holds only when entered a second time.
    ui()->scale_spin->setValue(5.0);
    ui()->scale_spin->setValue(5.0);
    ui()->resize_check->setChecked(false);
    ui()->aspect_check->setChecked(true);
    ui()->width_spin->setValue(800);
    ui()->height_spin->setValue(600);
    ui()->txt_x_spin->setValue(-5);
    ui()->txt_y_spin->setValue(33);
    ui()->outtif_radio->setChecked(true);
    ui()->comp_slider->setValue(55);
    ui()->dropgps_check->setChecked(false);
    ui()->keepinfo_check->setChecked(false);
    ui()->noenlarge_check->setChecked(true);
    // Ticking sets the reference (1080 with no picture shown); the one typed after it is kept.
    ui()->scalestamp_check->setChecked(true);
    ui()->referenceside_spin->setValue(720);

    restart();

    QVERIFY(ui()->txt_center_btn->isChecked());
    QVERIFY(!ui()->txt_topleft_btn->isChecked());
    QVERIFY(ui()->logo_botright_btn->isChecked());
    QVERIFY(!ui()->logo_topleft_btn->isChecked());
    QCOMPARE(MainWindowProbe::logoFileName(*window), QStringLiteral("/nowhere/logo.png"));
    QCOMPARE(fontDescription(MainWindowProbe::watermarkFont(*window)), fontDescription(font));
    QCOMPARE(ui()->wtrmark_edit->text(), QStringLiteral("© Tessaro, 2024"));
    QCOMPARE(MainWindowProbe::fontColor(*window), QColor(10, 20, 30));
    QCOMPARE(ui()->shadow_spin->value(), 40);
    QCOMPARE(ui()->x_spin->value(), -120);
    QCOMPARE(ui()->y_spin->value(), 777777);
    QVERIFY(ui()->top_radio->isChecked());
    QVERIFY(!ui()->bottom_radio->isChecked());
    QVERIFY(ui()->light_radio->isChecked());
    QVERIFY(!ui()->dark_radio->isChecked());
    QVERIFY(ui()->fit_radio->isChecked());
    QVERIFY(!ui()->actual_radio->isChecked());
    QCOMPARE(ui()->scale_spin->value(), 5.0);
    QVERIFY(!ui()->resize_check->isChecked());
    QVERIFY(ui()->aspect_check->isChecked());
    QCOMPARE(ui()->width_spin->value(), 800);
    QCOMPARE(ui()->height_spin->value(), 600);
    QCOMPARE(ui()->txt_x_spin->value(), -5);
    QCOMPARE(ui()->txt_y_spin->value(), 33);
    QVERIFY(ui()->outtif_radio->isChecked());
    QVERIFY(!ui()->outjpg_radio->isChecked());
    QCOMPARE(ui()->comp_slider->value(), 55);
    QVERIFY(!ui()->keepinfo_check->isChecked());
    QVERIFY(!ui()->dropgps_check->isChecked());
    QVERIFY(!ui()->dropgps_check->isEnabled());
    QVERIFY(ui()->noenlarge_check->isChecked());
    QVERIFY(!ui()->noenlarge_check->isEnabled());
    QVERIFY(ui()->scalestamp_check->isChecked());
    QCOMPARE(ui()->referenceside_spin->value(), 720);
    QVERIFY(ui()->referenceside_spin->isEnabled());

    window.reset();
    QCOMPARE(storedValue(QStringLiteral("bottom_radio_radio")).toBool(), false);
    QCOMPARE(storedValue(QStringLiteral("fnt_clr")).toUInt(), 0xff0a141eu);
    QCOMPARE(storedValue(QStringLiteral("font")).toString(), fontDescription(font));
}

void TstSettings::nothingIsWrittenWhileRunning()
{
    const QString storeFile = store->path() + QStringLiteral("/Korvath/Tessaro.conf");
    window = std::make_unique<MainWindow>();
    ui()->shadow_spin->setValue(99);
    QTest::qWait(50);
    QVERIFY(!QFileInfo::exists(storeFile));
    window.reset();
    QVERIFY(QFileInfo::exists(storeFile));
    QCOMPARE(storedValue(QStringLiteral("shadow_spin")).toInt(), 99);
}

// The form starts unchecked, so loading false changes nothing and no toggle fires; the size
// controls still follow.
void TstSettings::resizeStoredOffDisablesTheSizeControls()
{
    writeStore({{QStringLiteral("resize_check"), false}});
    window = std::make_unique<MainWindow>();
    QVERIFY(!ui()->resize_check->isChecked());
    QVERIFY(!ui()->width_spin->isEnabled());
    QVERIFY(!ui()->height_spin->isEnabled());
    QVERIFY(!ui()->aspect_check->isEnabled());
}

void TstSettings::semiTransparentColourComesBackOpaque()
{
    writeStore({{QStringLiteral("fnt_clr"), 0x80112233u}});
    window = std::make_unique<MainWindow>();
    QCOMPARE(MainWindowProbe::fontColor(*window), QColor(0x11, 0x22, 0x33, 255));
    QCOMPARE(ui()->font_pr_label->styleSheet(), QStringLiteral("color: #ff112233"));
}

void TstSettings::outOfRangeValuesAreClamped_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("clamped");
    QTest::newRow("shadow_spin high") << "shadow_spin" << 5000 << 1000;
    QTest::newRow("shadow_spin negative") << "shadow_spin" << -4 << 0;
    QTest::newRow("width_spin low") << "width_spin" << 5 << 10;
    QTest::newRow("height_spin high") << "height_spin" << 200000 << 99999;
    QTest::newRow("comp_slider high") << "comp_slider" << 250 << 100;
    QTest::newRow("comp_slider zero") << "comp_slider" << 0 << 1;
}

void TstSettings::outOfRangeValuesAreClamped()
{
    QFETCH(QString, key);
    QFETCH(int, stored);
    QFETCH(int, clamped);
    writeStore({{key, stored}});
    window = std::make_unique<MainWindow>();
    QCOMPARE(window->findChild<QWidget *>(key)->property("value").toInt(), clamped);
    window.reset();
    QCOMPARE(storedValue(key).toInt(), clamped);
}

void TstSettings::emptyTextStaysEmpty()
{
    window = std::make_unique<MainWindow>();
    ui()->wtrmark_edit->clear();
    restart();
    QCOMPARE(ui()->wtrmark_edit->text(), QString());
    window.reset();
    QVERIFY(storedValue(QStringLiteral("wtrmark_edit")).isValid());
    QCOMPARE(storedValue(QStringLiteral("wtrmark_edit")).toString(), QString());
}

// A logo file deleted between runs leaves no logo and no message, and its path is kept; clearing
// the logo is what empties the path.
void TstSettings::logoPathAcrossRestarts()
{
    QTemporaryDir dir;
    const QString logoPath = dir.filePath(QStringLiteral("logo.png"));
    QImage logo(30, 20, QImage::Format_RGB32);
    logo.fill(Qt::blue);
    QVERIFY(logo.save(logoPath));
    writeStore({{QStringLiteral("logo_file_name"), logoPath}});

    window = std::make_unique<MainWindow>();
    QCOMPARE(MainWindowProbe::logoImage(*window).size(), QSize(30, 20));
    QVERIFY(!ui()->logo_label->pixmap(Qt::ReturnByValue).isNull());

    QVERIFY(QFile::remove(logoPath));
    restart();
    QVERIFY(MainWindowProbe::logoImage(*window).isNull());
    QVERIFY(ui()->logo_label->pixmap(Qt::ReturnByValue).isNull());
    QCOMPARE(MainWindowProbe::logoFileName(*window), logoPath);

    restart();
    QCOMPARE(MainWindowProbe::logoFileName(*window), logoPath);
    emit ui()->clear_logo_btn->pressed();
    window.reset();
    QCOMPARE(storedValue(QStringLiteral("logo_file_name")).toString(), QString());
}

void TstSettings::corruptValuesGiveZero_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("shadow_spin") << "shadow_spin"
                                 << "deep"
                                 << "shadow_spin" << QVariant(0);
    QTest::newRow("txt_x_spin") << "txt_x_spin"
                                << "12px"
                                << "txt_x_spin" << QVariant(0);
    // 0 is below these controls' minimum, which then holds.
    QTest::newRow("width_spin") << "width_spin"
                                << "wide"
                                << "width_spin" << QVariant(10);
    QTest::newRow("scale_spin") << "scale_spin"
                                << "big"
                                << "scale_spin" << QVariant(0.01);
    QTest::newRow("fnt_clr") << "fnt_clr"
                             << "purple" << QString() << QVariant(QColor(Qt::black));
}

void TstSettings::corruptValuesGiveZero()
{
    QFETCH(QString, key);
    QFETCH(QString, stored);
    QFETCH(QString, objectName);
    QFETCH(QVariant, expected);
    writeStore({{key, stored}});
    window = std::make_unique<MainWindow>();
    const QVariant actual = objectName.isEmpty()
        ? QVariant(MainWindowProbe::fontColor(*window))
        : window->findChild<QWidget *>(objectName)->property("value");
    QCOMPARE(actual, expected);
}

void TstSettings::savedSetupIsTheWindowsJob_data()
{
    QTest::addColumn<QString>("storeText");
    QTest::newRow("first start") << "";
    QTest::newRow("every key set")
        << "txt_topleft_btn=false\ntxt_center_btn=true\nlogo_topleft_btn=false\n"
           "logo_botright_btn=true\nlogo_file_name=/nowhere/logo.png\n"
           "font=\"DejaVu Serif,24,-1,5,75,1,0,0,0,0\"\nwtrmark_edit=\u00a9 Tessaro\n"
           "fnt_clr=4278848030\nshadow_spin=40\nx_spin=-120\ny_spin=777777\n"
           "top_radio=true\nbottom_radio_radio=false\nlight_radio=true\ndark_radio=false\n"
           "scale_spin=2.5\nresize_check=false\naspect_check=true\nwidth_spin=800\n"
           "height_spin=600\ntxt_x_spin=-5\ntxt_y_spin=33\noutjpg_radio=false\n"
           "outtif_radio=true\ncomp_slider=55\nkeepinfo_check=false\ndropgps_check=false\n"
           "noenlarge_check=true\nscalestamp_check=true\nreferenceside_spin=720";
    QTest::newRow("two positions checked: the later stays")
        << "txt_top_btn=true\ntxt_bot_btn=true\nlogo_left_btn=true\nlogo_right_btn=true";
    QTest::newRow("no button checked: the form's stays")
        << "txt_topleft_btn=false\nlogo_topleft_btn=false\nbottom_radio_radio=false\n"
           "dark_radio=false\noutjpg_radio=false";
    QTest::newRow("png, quality kept") << "outjpg_radio=false\noutpng_radio=true\ncomp_slider=20";
    QTest::newRow("webp at the stored quality")
        << "outjpg_radio=false\noutwebp_radio=true\ncomp_slider=20";
    QTest::newRow("avif at the stored quality")
        << "outjpg_radio=false\noutavif_radio=true\ncomp_slider=20";
    QTest::newRow("out of range")
        << "shadow_spin=5000\nwidth_spin=5\nheight_spin=200000\nx_spin=-200000\n"
           "y_spin=2000000\ntxt_x_spin=-10000\ntxt_y_spin=10000\ncomp_slider=0\n"
           "scalestamp_check=true\nreferenceside_spin=0";
    QTest::newRow("corrupt values") << "shadow_spin=deep\nfnt_clr=purple\n"
                                       "resize_check=maybe\ntxt_x_spin=12px\nscale_spin=big";
    // The slider's answer pulls 0.58 down to 0.56; 5.00 is beyond the slider; 12 beyond both.
    QTest::newRow("scale pulled down by the slider") << "scale_spin=0.58";
    QTest::newRow("scale beyond the slider") << "scale_spin=5";
    QTest::newRow("scale beyond the spin box") << "scale_spin=12";
    QTest::newRow("scale with three decimals") << "scale_spin=0.295";
}

// The command line stamps with the job a window started on the same store would stamp with.
void TstSettings::savedSetupIsTheWindowsJob()
{
    QFETCH(QString, storeText);
    const QString storeFile = store->path() + QStringLiteral("/Korvath/Tessaro.conf");
    QVERIFY(QDir().mkpath(QFileInfo(storeFile).path()));
    QFile file(storeFile);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(("[General]\n" + storeText + "\n").toUtf8());
    file.close();
    if (storeText.contains(QLatin1String("font=Cambria\n")))
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("Invalid description")));

    const SavedSetup saved = savedSetup(QSettings(storeFile, QSettings::IniFormat));
    window = std::make_unique<MainWindow>();
    const StampJob job = MainWindowProbe::stampJob(*window);
    QCOMPARE(saved.job.stamp.resize, job.stamp.resize);
    QCOMPARE(saved.job.stamp.outputSize, job.stamp.outputSize);
    QCOMPARE(saved.job.stamp.keepAspectRatio, job.stamp.keepAspectRatio);
    QCOMPARE(saved.job.stamp.bandEdge, job.stamp.bandEdge);
    QCOMPARE(saved.job.stamp.bandRows, job.stamp.bandRows);
    QCOMPARE(saved.job.stamp.bandTone, job.stamp.bandTone);
    QCOMPARE(saved.job.stamp.text, job.stamp.text);
    QCOMPARE(saved.job.stamp.font, job.stamp.font);
    QCOMPARE(saved.job.stamp.color, job.stamp.color);
    QCOMPARE(saved.job.stamp.logoScale, job.stamp.logoScale);
    QCOMPARE(saved.job.stamp.transformMode, Qt::SmoothTransformation);
    QCOMPARE(saved.job.stamp.textAlignment, job.stamp.textAlignment);
    QCOMPARE(saved.job.stamp.textOffset, job.stamp.textOffset);
    QCOMPARE(saved.job.stamp.logoAlignment, job.stamp.logoAlignment);
    QCOMPARE(saved.job.stamp.logoOffset, job.stamp.logoOffset);
    QCOMPARE(saved.job.stamp.neverEnlarge, job.stamp.neverEnlarge);
    QCOMPARE(saved.job.stamp.scaleWithPicture, job.stamp.scaleWithPicture);
    QCOMPARE(saved.job.stamp.referenceShorterSide, job.stamp.referenceShorterSide);
    QCOMPARE(saved.job.format, MainWindowProbe::outputFormat(*window));
    QCOMPARE(saved.qualityControl, ui()->comp_slider->value());
    const bool withQuality = QStringList {"jpg", "webp", "avif"}.contains(saved.job.format);
    QCOMPARE(saved.job.quality, withQuality ? ui()->comp_slider->value() : -1);
    QCOMPARE(saved.logoFileName, MainWindowProbe::logoFileName(*window));
    QCOMPARE(saved.job.keepMetadata, job.keepMetadata);
    QCOMPARE(saved.job.keepLocation, job.keepLocation);

    // What the window writes back at exit is what savedSettings says it writes.
    const QSettings::SettingsMap expected
        = savedSettings(storedSettings(QSettings(storeFile, QSettings::IniFormat)));
    window.reset();
    const QSettings written(storeFile, QSettings::IniFormat);
    QCOMPARE(expected.size(), settingKeys().size());
    for (const SettingKey &entry : settingKeys()) {
        const QString key = QLatin1String(entry.key);
        QCOMPARE(key + '=' + ::storedValue(entry, expected.value(key)).toString(),
                 key + '=' + ::storedValue(entry, written.value(key)).toString());
    }
}

// The ranges the key table gives, which the command line refuses values outside of, are the
// ranges of the controls.
void TstSettings::keyRangesAreTheControls()
{
    window = std::make_unique<MainWindow>();
    int ranged = 0;
    for (const SettingKey &entry : settingKeys()) {
        if (entry.minimum.isNull())
            continue;
        ++ranged;
        const QWidget *control = window->findChild<QWidget *>(QLatin1String(entry.objectName));
        QVERIFY2(control, entry.key);
        QCOMPARE(control->property("minimum"), entry.minimum);
        QCOMPARE(control->property("maximum"), entry.maximum);
    }
    QCOMPARE(ranged, 10);
}

QTEST_MAIN(TstSettings)
#include "tst_settings.moc"
