#include "window/mainwindow.h"

#include "ui_mainwindow.h"
#include "window/online/addresses.h"
#include "window/online/banner.h"
#include "window/online/updateanswer.h"
#include "window/widgets/helpview.h"

#include <QMessageBox>
#include <QTimer>
#include <QUrl>

namespace {

constexpr int BannerIntervalMs = 5000;

QString updateNotice()
{
    return QStringLiteral("There is an update available for Tessaro.<br><br>Go to "
                          "<a href=\"%1\">%1</a> to download the latest version!<br><br>"
                          "Remember, you have to first uninstall currently installed Tessaro!"
                          "<br><br>Your settings <b>will be preserved</b> so you won't have to "
                          "configure Tessaro again.")
        .arg(QLatin1String(Addresses::ProductPage));
}

} // namespace

void MainWindow::loadHelpPages()
{
    showHelpPage(ui->webview_tessaro,
                 QUrl(QLatin1String(Addresses::ProductPage), QUrl::TolerantMode),
                 QStringLiteral(":/Help/tessaro.html"));
    showHelpPage(ui->webview_wayfarer,
                 QUrl(QLatin1String(Addresses::SponsorHowTo), QUrl::TolerantMode),
                 QStringLiteral(":/Help/howto.html"));
}

void MainWindow::startBannerRotation()
{
    bannerList = bannerSnippets();
    bannerIndex = 0;
    auto bannerTimer = new QTimer(this);
    connect(bannerTimer, &QTimer::timeout, this, &MainWindow::adRefresh);
    bannerTimer->start(BannerIntervalMs);
}

void MainWindow::startUpdateCheck()
{
    connect(&updateChecker, &QVeloraAnalytics::updateMessage, this, &MainWindow::onUpdateAvailable);
    updateChecker.setRequestUrl(QLatin1String(Addresses::UpdateService));
    updateChecker.start(QThread::InheritPriority);
}

void MainWindow::adRefresh()
{
    ui->ad_label->setText(bannerList.at(bannerIndex % bannerList.size()));
    ++bannerIndex;
}

void MainWindow::onUpdateAvailable(const QString &msg)
{
    // An answer that comes in after the window was closed has nobody to tell.
    if (!isVisible() || !updateAvailable(msg.toUtf8()))
        return;
    QMessageBox::information(this, QStringLiteral("Update"), updateNotice());
}
