#ifndef TESSARO_MAINWINDOW_H
#define TESSARO_MAINWINDOW_H

#include "engine/read/imageload.h"
#include "engine/stamp/scaledimagecache.h"
#include "engine/stamp/stamprenderer.h"
#include "window/online/qveloraanalytics.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QMainWindow>
#include <QPoint>
#include <QRect>
#include <QStringList>

#include <optional>

class QAbstractButton;
class QClickableLabel;
class QMouseEvent;
class QSettings;
class StampRun;
enum class StampAlignment;
struct RunEntry;
struct StampJob;
struct StampResult;

namespace Ui {
class MainWindow;
}

// The application's only window. It owns every piece of state: the form, the settings store,
// the pictures in memory, the stamp placement, the run flag, the banner and the update check.
// Its member functions live in src/window, in files named mainwindow_TOPIC.cpp; the engine below
// (src/engine) holds the value types, free functions and the run driver they call.
class MainWindow : public QMainWindow
{
    Q_OBJECT
    friend struct MainWindowProbe; // the tests' window into the state behind the controls

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Adds pictures as a drop of these local paths does: files, and folders walked for pictures.
    void addDroppedPaths(const QStringList &paths);

public slots:
    void previewMouseClicked(QMouseEvent *event);
    void previewMouseMoved(QMouseEvent *event);
    void previewMouseReleased(QMouseEvent *event);
    void adRefresh();
    void onUpdateAvailable(const QString &msg);

private slots:
    void on_browse_logo_btn_pressed();
    void on_open_btn_pressed();
    void on_top_radio_toggled(bool checked);
    void on_bottom_radio_toggled(bool checked);
    void on_light_radio_toggled(bool checked);
    void on_dark_radio_toggled(bool checked);
    void on_x_spin_valueChanged(int value);
    void on_y_spin_valueChanged(int value);
    void on_scale_spin_valueChanged(double value);
    void on_files_list_currentRowChanged(int currentRow);
    void on_resize_check_toggled(bool checked);
    void on_width_spin_valueChanged(int value);
    void on_aspect_check_toggled(bool checked);
    void on_shadow_spin_valueChanged(int value);
    void on_height_spin_valueChanged(int value);
    void on_font_color_btn_pressed();
    void on_font_btn_pressed();
    void on_actual_radio_toggled(bool checked);
    void on_fit_radio_toggled(bool checked);
    void on_wtrmark_edit_textChanged(const QString &text);
    void on_remove_btn_pressed();
    void on_clear_btn_pressed();
    void on_start_btn_pressed();
    void on_comp_slider_valueChanged(int value);
    void on_txt_y_spin_valueChanged(int value);
    void on_txt_x_spin_valueChanged(int value);
    void on_shadow_slider_valueChanged(int value);
    void on_rst_txt_pos_btn_pressed();
    void on_scale_slider_valueChanged(int value);
    void on_smooth_check_toggled(bool checked);
    void on_reset_logo_btn_pressed();
    void on_clear_logo_btn_pressed();
    void on_credits_btn_pressed();
    void on_clear_log_btn_pressed();
    void on_txt_topleft_btn_toggled(bool checked);
    void on_txt_top_btn_toggled(bool checked);
    void on_txt_topright_btn_toggled(bool checked);
    void on_txt_left_btn_toggled(bool checked);
    void on_txt_center_btn_toggled(bool checked);
    void on_txt_right_btn_toggled(bool checked);
    void on_txt_botleft_btn_toggled(bool checked);
    void on_txt_bot_btn_toggled(bool checked);
    void on_txt_botright_btn_toggled(bool checked);
    void on_logo_topleft_btn_toggled(bool checked);
    void on_logo_top_btn_toggled(bool checked);
    void on_logo_topright_btn_toggled(bool checked);
    void on_logo_left_btn_toggled(bool checked);
    void on_logo_center_btn_toggled(bool checked);
    void on_logo_right_btn_toggled(bool checked);
    void on_logo_botleft_btn_toggled(bool checked);
    void on_logo_bot_btn_toggled(bool checked);
    void on_logo_botright_btn_toggled(bool checked);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // Construction steps owned by other subsystems, in the order the constructor runs them.
    void loadHelpPages();
    void startBannerRotation();
    void startUpdateCheck();
    void loadSettings();
    void saveSettings();
    void buildPreviewSurface();
    void reloadLogo();
    void fitForDesktop();

    // Stamp composition.
    StampAlignment textAlignment() const;
    StampAlignment logoAlignment() const;
    void placeStamps();
    StampSettings stampSettings() const;
    void renderStamp();
    void renderStampedImage();
    void renderTwice();
    void updatePreview();
    void showPreviewBackdrop();
    void showWorkingCopy(const WorkingCopy &copy);
    void decodePreviewAsTheRun();

    // Batch run.
    QString outputFormat() const;
    void confirmStop();
    void stopRun();
    QString checkedOutputFolder();
    void stampPictures(const QString &folder);
    StampJob stampJob() const;
    std::optional<RunEntry> nextRunEntry();
    void showStampResult(int index, const StampResult &result);
    void finishRun();

    // Control handlers.
    void resetOffsetAndRender(QAbstractButton *resetButton);
    void connectStampSizeControls();

    QSettings *settings = nullptr;
    Ui::MainWindow *ui = nullptr;
    QClickableLabel *previewLabel = nullptr;
    QString logoFileName;
    QString lastOutputFolder;
    QImage logoImage;
    QImage previewImage;
    bool previewOpaque = false; // every pixel of previewImage has alpha 255, as the reader said
    QString previewPath; // the file previewImage was read from; empty when it cannot be read again
    PictureDecoding previewDecoding;
    QImage stampedImage;
    bool stampedOpaque = false;
    QPoint dragAnchor;
    bool textDragging = false;
    bool logoDragging = false;
    QPoint textPos;
    QPoint logoPos;
    QFont watermarkFont;
    QColor fontColor;
    double previewScaleX = 1.0;
    double previewScaleY = 1.0;
    double previewStampScale = 1.0; // the factor the stamp is drawn at on the picture dragged on
    Qt::TransformationMode transformMode = Qt::FastTransformation;
    QRect textRect;
    bool stamping = false;
    // The run in progress: its driver, where and how it writes, and the next entry to hand out.
    struct Run
    {
        StampRun *driver = nullptr;
        QString folder;
        QString format;
        int quality = -1;
        int nextEntry = 0;
        int unwritten = 0; // pictures that could not be read or written, each named in the log
        int vanished = 0; // pictures whose file was gone when their turn came
    } run;
    QStringList bannerList;
    int bannerIndex = 0;
    QVeloraAnalytics updateChecker;

    // The renderer and the preview keep their last scaling, so that a repeated render (the second
    // pass, every drag step) or a repeated display does not scale the same picture again.
    StampRenderer stampRenderer;
    ScaledImageCache previewCache;
    ScaledImageCache thumbnailCache;
};

#endif // TESSARO_MAINWINDOW_H
