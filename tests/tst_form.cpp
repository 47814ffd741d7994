// The window's form as built, before the window's own code touches it.
#include "support/testenv.h"
#include "ui_mainwindow.h"

#include <QtTest>
#include <QtWidgets>

class TstForm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void objectsHaveTheirClasses_data();
    void objectsHaveTheirClasses();
    void valueControls_data();
    void valueControls();
    void valueControlsClampTypedValues();
    void texts_data();
    void texts();
    void placementButtons();
    void exclusiveGroups_data();
    void exclusiveGroups();
    void listAndLogAreNotEditable();
    void tabs();
    void windowAndLayout();

private:
    template<typename T>
    T *find(const char *name)
    {
        return window->findChild<T *>(QLatin1String(name));
    }

    QMainWindow *window = nullptr;
    Ui::MainWindow *ui = nullptr;
};

void TstForm::initTestCase()
{
    initTestApplication();
}

void TstForm::init()
{
    window = new QMainWindow;
    ui = new Ui::MainWindow;
    ui->setupUi(window);
}

void TstForm::cleanup()
{
    delete ui;
    delete window;
}

void TstForm::objectsHaveTheirClasses_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("names");
    auto row = [](const char *className, const char *names) {
        QTest::newRow(className) << QString::fromLatin1(className) << QString::fromLatin1(names);
    };
    row("QGroupBox",
        "ad_group groupBox_2 groupBox_5 groupBox_10 groupBox_6 groupBox_7 groupBox groupBox_9 "
        "groupBox_11 groupBox_4 groupBox_8 groupBox_12 groupBox_13 groupBox_14 groupBox_3 "
        "photoinfo_group stampscale_group");
    row("QTabWidget", "main_tab tabWidget");
    row("QScrollArea", "settings_scroll image_scroll scrollArea_2");
    row("QLabel",
        "ad_label label_8 label_9 label_2 label_10 label_11 label label_5 label_6 x_label y_label "
        "label_3 label_4 font_pr_label logo_label comp_label referenceside_label");
    row("QPushButton",
        "browse_logo_btn clear_logo_btn reset_logo_btn rst_txt_pos_btn font_btn font_color_btn "
        "compression_label clear_log_btn credits_btn open_btn remove_btn clear_btn start_btn");
    row("QRadioButton",
        "outjpg_radio outpng_radio outtif_radio outwebp_radio outavif_radio top_radio bottom_radio "
        "light_radio dark_radio actual_radio fit_radio");
    row("QCheckBox",
        "resize_check aspect_check smooth_check keepinfo_check dropgps_check noenlarge_check "
        "scalestamp_check");
    row("QSpinBox",
        "shadow_spin txt_x_spin txt_y_spin x_spin y_spin width_spin height_spin "
        "referenceside_spin");
    row("QDoubleSpinBox", "scale_spin");
    row("QSlider", "shadow_slider scale_slider comp_slider");
    row("QFrame", "line_10 line_5 line_4 line_3 line_2 line");
    row("QLineEdit", "wtrmark_edit");
    row("QListWidget", "files_list");
    row("QPlainTextEdit", "log_plain");
    row("QProgressBar", "prog_bar");
    row("QWebView", "webview_tessaro webview_wayfarer");
    row("QWidget",
        "centralWidget tab_8 tab_9 tab tab_2 tab_3 scrollAreaWidgetContents "
        "scrollAreaWidgetContents_2 image_scroll_contents");
}

void TstForm::objectsHaveTheirClasses()
{
    QFETCH(QString, className);
    QFETCH(QString, names);
    for (const QString &name : names.split(QLatin1Char(' '))) {
        QObject *object = window->findChild<QObject *>(name);
        QVERIFY2(object, qPrintable(name));
        QCOMPARE(QString::fromLatin1(object->metaObject()->className()), className);
        QVERIFY2(static_cast<QWidget *>(object)->isEnabled(), qPrintable(name));
    }
}

void TstForm::valueControls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");
    QTest::addColumn<double>("step");
    QTest::addColumn<double>("value");
    QTest::newRow("shadow_spin") << "shadow_spin" << 0.0 << 1000.0 << 1.0 << 12.0;
    QTest::newRow("shadow_slider") << "shadow_slider" << 0.0 << 1000.0 << 1.0 << 12.0;
    QTest::newRow("txt_x_spin") << "txt_x_spin" << -9999.0 << 9999.0 << 1.0 << 0.0;
    QTest::newRow("txt_y_spin") << "txt_y_spin" << -9999.0 << 9999.0 << 1.0 << 0.0;
    QTest::newRow("x_spin") << "x_spin" << -99999.0 << 999999.0 << 1.0 << 0.0;
    QTest::newRow("y_spin") << "y_spin" << -99999.0 << 999999.0 << 1.0 << 0.0;
    QTest::newRow("scale_spin") << "scale_spin" << 0.01 << 9.0 << 0.1 << 1.0;
    QTest::newRow("scale_slider") << "scale_slider" << 1.0 << 400.0 << 1.0 << 100.0;
    QTest::newRow("width_spin") << "width_spin" << 10.0 << 99999.0 << 1.0 << 1920.0;
    QTest::newRow("height_spin") << "height_spin" << 10.0 << 99999.0 << 1.0 << 1920.0;
    QTest::newRow("comp_slider") << "comp_slider" << 1.0 << 100.0 << 1.0 << 90.0;
    QTest::newRow("referenceside_spin") << "referenceside_spin" << 1.0 << 99999.0 << 1.0 << 1080.0;
}

void TstForm::valueControls()
{
    QFETCH(QString, name);
    QFETCH(double, minimum);
    QFETCH(double, maximum);
    QFETCH(double, step);
    QFETCH(double, value);
    QObject *control = window->findChild<QObject *>(name);
    QVERIFY(control);
    QCOMPARE(control->property("minimum").toDouble(), minimum);
    QCOMPARE(control->property("maximum").toDouble(), maximum);
    QCOMPARE(control->property("singleStep").toDouble(), step);
    QCOMPARE(control->property("value").toDouble(), value);
    if (auto slider = qobject_cast<QSlider *>(control))
        QCOMPARE(slider->orientation(), Qt::Horizontal);
}

void TstForm::valueControlsClampTypedValues()
{
    QCOMPARE(ui->scale_spin->decimals(), 2);
    QCOMPARE(ui->comp_slider->tickPosition(), QSlider::TicksBelow);
    ui->width_spin->setValue(5);
    QCOMPARE(ui->width_spin->value(), 10);
    ui->height_spin->setValue(123456);
    QCOMPARE(ui->height_spin->value(), 99999);
    ui->txt_x_spin->setValue(-20000);
    QCOMPARE(ui->txt_x_spin->value(), -9999);
    ui->x_spin->setValue(2000000);
    QCOMPARE(ui->x_spin->value(), 999999);
    ui->y_spin->setValue(-2000000);
    QCOMPARE(ui->y_spin->value(), -99999);
    ui->scale_spin->setValue(12.5);
    QCOMPARE(ui->scale_spin->value(), 9.0);
    ui->scale_spin->setValue(0.001);
    QCOMPARE(ui->scale_spin->value(), 0.01);
}

void TstForm::texts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    const char *const pairs[][2] = {
        {"browse_logo_btn", " Browse"},
        {"clear_logo_btn", " Clear"},
        {"reset_logo_btn", " Reset"},
        {"rst_txt_pos_btn", " Reset"},
        {"font_btn", " Font"},
        {"font_color_btn", " Color"},
        {"compression_label", "Quality (JPG, WebP and AVIF)"},
        {"clear_log_btn", " Clear"},
        {"credits_btn", "Credits"},
        {"open_btn", " Add Pictures"},
        {"remove_btn", " Remove"},
        {"clear_btn", " Clear"},
        {"start_btn", " Start Stamping"},
        {"outjpg_radio", "JPG"},
        {"outpng_radio", "PNG"},
        {"outtif_radio", "TIF"},
        {"outwebp_radio", "WebP"},
        {"outavif_radio", "AVIF"},
        {"top_radio", "Top"},
        {"bottom_radio", "Bottom"},
        {"light_radio", "Light"},
        {"dark_radio", "Dark"},
        {"actual_radio", "Actual Size"},
        {"fit_radio", "Fit To Screen"},
        {"resize_check", "Enabled"},
        {"aspect_check", "Preserve Aspect Ratio"},
        {"smooth_check", "High Quality Preview"},
        {"keepinfo_check", "Keep photo information\n(camera, date, copyright)"},
        {"dropgps_check", "Remove location (GPS)"},
        {"noenlarge_check", "Never Enlarge"},
        {"scalestamp_check", "Scale with each picture,"},
        {"referenceside_label", "designed for pictures whose shorter side is"},
        {"font_pr_label", "ABCD"},
        {"comp_label", "90%"},
        {"logo_label", ""},
        {"label", "Shadow Height :"},
        {"label_5", "Width :"},
        {"label_6", "Height :"},
        {"x_label", "X :"},
        {"y_label", "Y :"},
        {"label_3", "X :"},
        {"label_4", "Y :"},
        {"label_8", "Shadow"},
        {"label_9", "Watermark"},
        {"label_2", "Logo"},
        {"label_10", "Resize"},
        {"label_11", "Output Format"},
    };
    for (const auto &pair : pairs)
        QTest::newRow(pair[0]) << QString::fromLatin1(pair[0]) << QString::fromLatin1(pair[1]);
}

void TstForm::texts()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QObject *widget = window->findChild<QObject *>(name);
    QVERIFY(widget);
    QCOMPARE(widget->property("text").toString(), text);
}

void TstForm::placementButtons()
{
    const char *const cells[]
        = {"topleft", "top", "topright", "left", "center", "right", "botleft", "bot", "botright"};
    const QStringList groups = {QStringLiteral("txt_"), QStringLiteral("logo_")};
    for (const QString &prefix : groups) {
        auto grid = qobject_cast<QGridLayout *>(
            find<QGroupBox>(prefix == QLatin1String("txt_") ? "groupBox_11" : "groupBox_12")
                ->layout());
        QVERIFY(grid);
        for (int cell = 0; cell < 9; ++cell) {
            const QString name = prefix + QLatin1String(cells[cell]) + QLatin1String("_btn");
            auto button = window->findChild<QRadioButton *>(name);
            QVERIFY2(button, qPrintable(name));
            int row, column, rowSpan, columnSpan;
            grid->getItemPosition(grid->indexOf(button), &row, &column, &rowSpan, &columnSpan);
            QCOMPARE(row, cell / 3);
            QCOMPARE(column, cell % 3);
            QCOMPARE(button->maximumWidth(), 50);
            QVERIFY(button->font().bold());
            QCOMPARE(button->font().pointSize(), 10);
            QCOMPARE(button->iconSize(), QSize(16, 16));
            QVERIFY(button->isCheckable());
            QCOMPARE(button->text(), cell == 4 ? QStringLiteral("C") : QString());
            QCOMPARE(button->icon().isNull(), cell == 4);
            QCOMPARE(button->isChecked(), cell == 0);
        }
    }
}

void TstForm::exclusiveGroups_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<QStringList>("buttons");
    QTest::newRow("output format") << "groupBox_3"
                                   << QStringList {"outjpg_radio", "outpng_radio", "outtif_radio",
                                                   "outwebp_radio", "outavif_radio"};
    QTest::newRow("shadow position") << "groupBox_6" << QStringList {"bottom_radio", "top_radio"};
    QTest::newRow("shadow type") << "groupBox_7" << QStringList {"dark_radio", "light_radio"};
    QTest::newRow("preview") << "groupBox_2" << QStringList {"fit_radio", "actual_radio"};
    QStringList text, logo;
    for (const char *cell :
         {"topleft", "top", "topright", "left", "center", "right", "botleft", "bot", "botright"}) {
        text << QStringLiteral("txt_%1_btn").arg(QLatin1String(cell));
        logo << QStringLiteral("logo_%1_btn").arg(QLatin1String(cell));
    }
    QTest::newRow("watermark align") << "groupBox_11" << text;
    QTest::newRow("logo align") << "groupBox_12" << logo;
}

// The first button named is the one checked as built; every other radio button of the window
// keeps its state while the group's others are checked in turn.
void TstForm::exclusiveGroups()
{
    QFETCH(QString, group);
    QFETCH(QStringList, buttons);
    const auto allRadios = window->findChildren<QRadioButton *>();
    QStringList radiosOfGroup;
    for (QRadioButton *radio : allRadios) {
        if (radio->parentWidget()->objectName() == group)
            radiosOfGroup << radio->objectName();
    }
    radiosOfGroup.sort();
    QStringList expected = buttons;
    expected.sort();
    QCOMPARE(radiosOfGroup, expected);

    auto checkedStates = [&] {
        QMap<QString, bool> states;
        for (QRadioButton *radio : allRadios) {
            if (radio->parentWidget()->objectName() != group)
                states.insert(radio->objectName(), radio->isChecked());
        }
        return states;
    };
    const auto outside = checkedStates();
    for (const QString &name : buttons) {
        auto button = window->findChild<QRadioButton *>(name);
        if (name == buttons.first())
            QVERIFY(button->isChecked());
        button->click();
        for (const QString &other : buttons)
            QCOMPARE(window->findChild<QRadioButton *>(other)->isChecked(), other == name);
        QCOMPARE(checkedStates(), outside);
    }
}

void TstForm::listAndLogAreNotEditable()
{
    ui->files_list->addItem(QStringLiteral("/pictures/one.jpg"));
    QCOMPARE(ui->files_list->editTriggers(), QAbstractItemView::NoEditTriggers);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const QRect itemRect = ui->files_list->visualItemRect(ui->files_list->item(0));
    QTest::mouseDClick(ui->files_list->viewport(), Qt::LeftButton, {}, itemRect.center());
    QVERIFY(!ui->files_list->findChild<QLineEdit *>());
    QCOMPARE(ui->files_list->item(0)->text(), QStringLiteral("/pictures/one.jpg"));

    QVERIFY(ui->log_plain->isReadOnly());
    ui->log_plain->setFocus();
    QTest::keyClicks(ui->log_plain, QStringLiteral("typed"));
    QCOMPARE(ui->log_plain->toPlainText(), QString());
}

void TstForm::tabs()
{
    QCOMPARE(ui->main_tab->count(), 3);
    QCOMPARE(ui->main_tab->tabText(0), QStringLiteral("Settings"));
    QCOMPARE(ui->main_tab->tabText(1), QStringLiteral("Results"));
    QCOMPARE(ui->main_tab->tabText(2), QStringLiteral("Help"));
    QCOMPARE(ui->main_tab->widget(1), ui->tab_9);
    QCOMPARE(ui->main_tab->currentIndex(), 0);
    QCOMPARE(ui->tabWidget->count(), 2);
    QCOMPARE(ui->tabWidget->tabText(0), QStringLiteral("How to"));
    QCOMPARE(ui->tabWidget->tabText(1), QStringLiteral("How to (Turkish)"));
    QCOMPARE(ui->tabWidget->currentIndex(), 0);
    QVERIFY(ui->tab_2->isAncestorOf(ui->webview_tessaro));
    QVERIFY(ui->tab_3->isAncestorOf(ui->webview_wayfarer));
    QVERIFY(ui->tab_9->isAncestorOf(ui->log_plain));
}

void TstForm::windowAndLayout()
{
    QCOMPARE(window->objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(window->size(), QSize(965, 547));
    QCOMPARE(window->windowTitle(), QStringLiteral("Tessaro"));
    QVERIFY(!window->findChild<QMenuBar *>());
    QVERIFY(!window->findChild<QStatusBar *>());
    QVERIFY(!window->findChild<QToolBar *>());
    QCOMPARE(ui->gridLayout_4->columnStretch(0), 2);
    QCOMPARE(ui->gridLayout_4->columnStretch(1), 7);
    QVERIFY(ui->scrollAreaWidgetContents->isAncestorOf(ui->shadow_spin));
    QVERIFY(ui->groupBox_5->isAncestorOf(ui->files_list));
    QVERIFY(!ui->image_scroll_contents->layout());
    for (QLabel *caption : {ui->label_8, ui->label_9, ui->label_2, ui->label_10, ui->label_11}) {
        QVERIFY(caption->font().bold());
        QCOMPARE(caption->font().pointSize(), 12);
    }
    QVERIFY(ui->start_btn->font().bold());
    QVERIFY(ui->dark_radio->font().bold());
    QVERIFY(!ui->light_radio->font().bold());
    QCOMPARE(ui->ad_label->maximumSize(), QSize(252, 102));
    QCOMPARE(ui->ad_label->frameShape(), QFrame::Box);
    QCOMPARE(ui->ad_label->frameShadow(), QFrame::Raised);
    QVERIFY(ui->ad_label->openExternalLinks());
    QVERIFY(ui->ad_label->text().contains(QLatin1String(":/Advertisement/Ads/likeus.png")));
    QVERIFY(ui->settings_scroll->widgetResizable());
    QVERIFY(ui->image_scroll->widgetResizable());
    QCOMPARE(ui->compression_label->iconSize(), QSize(32, 32));
    QVERIFY(ui->compression_label->isFlat());
    QVERIFY(!ui->open_btn->icon().isNull());

    // The photo information group, both boxes checked, comes right after the output controls.
    QCOMPARE(ui->photoinfo_group->title(), QStringLiteral("Photo Information"));
    QVERIFY(ui->keepinfo_check->isChecked());
    QVERIFY(ui->dropgps_check->isChecked());
    QVERIFY(ui->photoinfo_group->isAncestorOf(ui->keepinfo_check));
    QVERIFY(ui->photoinfo_group->isAncestorOf(ui->dropgps_check));
    auto column = qobject_cast<QGridLayout *>(ui->scrollAreaWidgetContents->layout());
    QVERIFY(column);
    const auto rowOf = [&](QWidget *widget) {
        int row = -1, unused = 0;
        column->getItemPosition(column->indexOf(widget), &row, &unused, &unused, &unused);
        return row;
    };
    QCOMPARE(rowOf(ui->photoinfo_group), rowOf(ui->comp_label) + 1);
    // Never enlarging is one of the resize options; the stamp's size has the last group.
    QCOMPARE(rowOf(ui->noenlarge_check), rowOf(ui->aspect_check) + 1);
    QCOMPARE(ui->referenceside_spin->suffix(), QStringLiteral(" pixels"));
    QVERIFY(ui->stampscale_group->isAncestorOf(ui->scalestamp_check));
    QVERIFY(ui->stampscale_group->isAncestorOf(ui->referenceside_spin));
    QCOMPARE(rowOf(ui->stampscale_group), rowOf(ui->photoinfo_group) + 1);
    QCOMPARE(rowOf(ui->stampscale_group), column->rowCount() - 1);
    // Their texts are short enough not to widen the column.
    const int columnWidth = ui->scrollAreaWidgetContents->minimumSizeHint().width();
    ui->photoinfo_group->hide();
    ui->stampscale_group->hide();
    ui->noenlarge_check->hide();
    QCOMPARE(ui->scrollAreaWidgetContents->minimumSizeHint().width(), columnWidth);
}

QTEST_MAIN(TstForm)
#include "tst_form.moc"
