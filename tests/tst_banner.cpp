// The rotating banner and the two help pages.
#include "support/httpserver.h"
#include "support/testenv.h"
#include "ui_mainwindow.h"
#include "window/online/addresses.h"
#include "window/online/banner.h"
#include "window/widgets/helpview.h"

#include <QtTest>
#include <QtWebKitWidgets/QWebFrame>
#include <QtWebKitWidgets/QWebView>
#include <QtWidgets>

// Stands in for the user's web browser.
class BrowserStandIn : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void openUrl(const QUrl &url) { opened << url; }
};

class TstBanner : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void snippetShapeAndOrder();
    void windowStartsWithFirstSnippet();
    void rotationOverTwoCycles();
    void bannerTimer();
    void clickOpensTargetInBrowser();
    void helpPages();
    void helpPageFallsBackToTheCompiledInPage_data();
    void helpPageFallsBackToTheCompiledInPage();
    void windowShowsTheCompiledInHelp();

private:
    std::unique_ptr<IsolatedSettings> store;
};

void TstBanner::initTestCase()
{
    initTestApplication();
}

void TstBanner::init()
{
    store = std::make_unique<IsolatedSettings>();
}

void TstBanner::cleanup()
{
    store.reset();
}

void TstBanner::snippetShapeAndOrder()
{
    const QStringList expectedTargets = {
        Addresses::MakerSocialPage,       Addresses::SponsorTravelPage,
        Addresses::SponsorSocialPage,     Addresses::SecondProductPage,
        Addresses::MakerSecondSocialPage, Addresses::ThirdProductPage,
    };
    const QStringList expectedPictures = {"likeus.png",   "travel.png", "sponsorlike.png",
                                          "product2.png", "follow.png", "product3.png"};
    const QRegularExpression shape(QStringLiteral(
        R"re(^<a href="([^"\s]+)"><img src="(:/Advertisement/Ads/[^"\s]+)"/></a>$)re"));

    const QStringList snippets = bannerSnippets();
    QCOMPARE(snippets.size(), 6);
    for (int index = 0; index < snippets.size(); ++index) {
        const QRegularExpressionMatch match = shape.match(snippets.at(index));
        QVERIFY2(match.hasMatch(), qPrintable(snippets.at(index)));
        QCOMPARE(match.captured(1), expectedTargets.at(index));
        QCOMPARE(match.captured(2), ":/Advertisement/Ads/" + expectedPictures.at(index));
        const QImage picture(match.captured(2));
        QCOMPARE(picture.size(), QSize(250, 100));
    }
}

void TstBanner::windowStartsWithFirstSnippet()
{
    MainWindow window;
    const QLabel *banner = MainWindowProbe::ui(window)->ad_label;
    QCOMPARE(MainWindowProbe::bannerList(window), bannerSnippets());
    QCOMPARE(MainWindowProbe::bannerIndex(window), 0);
    QCOMPARE(banner->text(), bannerSnippets().first());
    QVERIFY(banner->openExternalLinks());
}

// Each call stands for one tick: the first, five seconds after start, shows snippet 0 again, the
// second snippet 1, the seventh (35 seconds) snippet 0 once more.
void TstBanner::rotationOverTwoCycles()
{
    MainWindow window;
    const QStringList snippets = bannerSnippets();
    for (int tick = 1; tick <= 12; ++tick) {
        window.adRefresh();
        QCOMPARE(MainWindowProbe::ui(window)->ad_label->text(), snippets.at((tick - 1) % 6));
        QCOMPARE(MainWindowProbe::bannerIndex(window), tick);
    }
}

void TstBanner::bannerTimer()
{
    MainWindow window;
    QList<QTimer *> bannerTimers;
    for (QTimer *timer : window.findChildren<QTimer *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (timer->interval() == 5000)
            bannerTimers << timer;
    }
    QCOMPARE(bannerTimers.size(), 1);
    QTimer *timer = bannerTimers.first();
    QVERIFY(!timer->isSingleShot());
    QVERIFY(timer->isActive());

    QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
    QCOMPARE(MainWindowProbe::bannerIndex(window), 1);
    QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
    QCOMPARE(MainWindowProbe::ui(window)->ad_label->text(), bannerSnippets().at(1));
}

void TstBanner::clickOpensTargetInBrowser()
{
    BrowserStandIn browser;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &browser, "openUrl");
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &browser, "openUrl");
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QLabel *banner = MainWindowProbe::ui(window)->ad_label;

    QStringList targets;
    for (const QString &snippet : bannerSnippets()) {
        targets << snippet.section(QLatin1Char('"'), 1, 1);
        window.adRefresh();
        QTest::mouseClick(banner, Qt::LeftButton, Qt::NoModifier, banner->rect().center());
    }
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));

    QCOMPARE(browser.opened.size(), 6);
    for (int index = 0; index < targets.size(); ++index)
        QCOMPARE(browser.opened.at(index), QUrl(targets.at(index)));
    QVERIFY(window.isVisible());
    QCOMPARE(MainWindowProbe::bannerIndex(window), 6);
}

void TstBanner::helpPages()
{
    MainWindow window;
    const QUrl productPage = MainWindowProbe::ui(window)->webview_tessaro->url();
    QCOMPARE(productPage, QUrl(QString::fromLatin1(Addresses::ProductPage)));
    QCOMPARE(productPage.scheme(), QStringLiteral("http"));
    QCOMPARE(productPage.path(), QStringLiteral("/tessaro"));
    const QUrl howTo = MainWindowProbe::ui(window)->webview_wayfarer->url();
    QCOMPARE(howTo, QUrl(QString::fromLatin1(Addresses::SponsorHowTo)));
    QCOMPARE(howTo.scheme(), QStringLiteral("https"));
}

void TstBanner::helpPageFallsBackToTheCompiledInPage_data()
{
    QTest::addColumn<bool>("serverAnswers");
    QTest::addColumn<QString>("title");
    QTest::newRow("refused connection") << false << "Tessaro Help";
    QTest::newRow("page served") << true << "Served help";
}

void TstBanner::helpPageFallsBackToTheCompiledInPage()
{
    QFETCH(bool, serverAnswers);
    QFETCH(QString, title);
    HttpServer server;
    server.answerWith(200, "<html><head><title>Served help</title></head><body>Hi</body></html>",
                      "text/html");
    QUrl address(QStringLiteral("http://127.0.0.1/help"));
    address.setPort(server.port());
    if (!serverAnswers) {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        address.setPort(closed.serverPort());
    }

    QWebView view;
    showHelpPage(&view, address, QStringLiteral(":/Help/tessaro.html"));
    QTRY_COMPARE_WITH_TIMEOUT(view.title(), title, 20000);
    QCOMPARE(server.requests().size(), serverAnswers ? 1 : 0);
}

// The product's addresses never load, so both tabs show their compiled-in pages, styled by the
// compiled-in style sheet.
void TstBanner::windowShowsTheCompiledInHelp()
{
    MainWindow window;
    Ui::MainWindow *ui = MainWindowProbe::ui(window);
    QTRY_COMPARE_WITH_TIMEOUT(ui->webview_tessaro->title(), QStringLiteral("Tessaro Help"), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(ui->webview_wayfarer->title(),
                              QStringLiteral("Stamping Travel Photos"), 20000);
    const QVariant headingColour = ui->webview_tessaro->page()->mainFrame()->evaluateJavaScript(
        QStringLiteral("getComputedStyle(document.querySelector('h1')).color"));
    QCOMPARE(headingColour.toString(), QStringLiteral("rgb(21, 101, 192)"));
    const QString text = ui->webview_tessaro->page()->mainFrame()->toPlainText();
    QVERIFY(text.contains(QStringLiteral("tessaro-stamp [OPTIONS] PATH...")));
}

QTEST_MAIN(TstBanner)
#include "tst_banner.moc"
