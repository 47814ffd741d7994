// The start-up update check: the answer's parsing, the request on the wire, the "Update" box, and
// a window that goes away while the check is still under way.
#include "support/dialoganswerer.h"
#include "support/httpserver.h"
#include "support/testenv.h"
#include "window/online/addresses.h"
#include "window/online/updateanswer.h"

#include <QtTest>
#include <QtWidgets>

namespace {

const QString UpdateNotice = QStringLiteral(
    "There is an update available for Tessaro.<br><br>Go to "
    "<a href=\"http://www.tessaro.example/tessaro\">http://www.tessaro.example/tessaro</a>"
    " to download the latest version!<br><br>Remember, you have to first uninstall currently "
    "installed Tessaro!<br><br>Your settings <b>will be preserved</b> so you won't have to "
    "configure Tessaro again.");

// The update service's own address, moved to a server on this machine.
QString localServiceAddress(quint16 port)
{
    QUrl address(QString::fromLatin1(Addresses::UpdateService));
    address.setHost(QStringLiteral("127.0.0.1"));
    address.setPort(port);
    return address.toString();
}

// Abandons the check the window started and asks `address` instead, through the same worker.
void restartCheck(MainWindow &window, const QString &address)
{
    QVeloraAnalytics &checker = MainWindowProbe::updateChecker(window);
    checker.stop();
    checker.setRequestUrl(address);
    checker.start();
}

// An update answer padded to exactly `size` bytes.
QByteArray paddedAnswer(int size)
{
    const QByteArray head = R"({"result":1,"pad":")";
    const QByteArray tail = R"("})";
    return head + QByteArray(size - head.size() - tail.size(), 'x') + tail;
}

} // namespace

class TstUpdate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void updateAvailable_data();
    void updateAvailable();
    void answerFromService_data();
    void answerFromService();
    void noService();
    void answerAfterWindowClosed();
    void answerAsWindowIsDestroyed();
    void hangingRequestEndsWithWindow();

private:
    std::unique_ptr<IsolatedSettings> store;
};

void TstUpdate::initTestCase()
{
    initTestApplication();
}

void TstUpdate::init()
{
    store = std::make_unique<IsolatedSettings>();
}

void TstUpdate::cleanup()
{
    store.reset();
}

// Answers the service itself is unlikely to give; the usual ones go over the wire below.
void TstUpdate::updateAvailable_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("available");
    QTest::newRow("spaces and line breaks") << QByteArray(" {\n \"result\" : 3 }\n") << true;
    QTest::newRow("other members") << QByteArray(R"({"latest":"2.7.0","result":1})") << true;
    QTest::newRow("fraction") << QByteArray(R"({"result":0.5})") << false;
    QTest::newRow("true") << QByteArray(R"({"result":true})") << false;
    QTest::newRow("null") << QByteArray(R"({"result":null})") << false;
    QTest::newRow("nested") << QByteArray(R"({"data":{"result":1}})") << false;
    QTest::newRow("other key") << QByteArray(R"({"Result":1})") << false;
    QTest::newRow("cut off") << QByteArray(R"({"result":1)") << false;
    QTest::newRow("trailing text") << QByteArray(R"({"result":1} and more)") << false;
}

void TstUpdate::updateAvailable()
{
    QFETCH(QByteArray, answer);
    QFETCH(bool, available);
    QCOMPARE(::updateAvailable(answer), available);
}

void TstUpdate::answerFromService_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("announced");
    QTest::newRow("result 1") << 200 << QByteArray(R"({"result":1})") << true;
    QTest::newRow("result 2") << 200 << QByteArray(R"({"result":2})") << true;
    QTest::newRow("result -1") << 200 << QByteArray(R"({"result":-1})") << true;
    QTest::newRow("result 0") << 200 << QByteArray(R"({"result":0})") << false;
    QTest::newRow("result as text") << 200 << QByteArray(R"({"result":"1"})") << false;
    QTest::newRow("empty object") << 200 << QByteArray("{}") << false;
    QTest::newRow("empty body") << 200 << QByteArray() << false;
    QTest::newRow("array") << 200 << QByteArray(R"([{"result":1}])") << false;
    QTest::newRow("HTML page") << 200
                               << QByteArray("<html><body><p>{\"result\":1}</p></body></html>")
                               << false;
    QTest::newRow("status 500") << 500 << QByteArray(R"({"result":1})") << false;
    QTest::newRow("64 KiB") << 200 << paddedAnswer(64 * 1024) << true;
    QTest::newRow("one byte over 64 KiB") << 200 << paddedAnswer(64 * 1024 + 1) << false;
}

void TstUpdate::answerFromService()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, announced);
    HttpServer server;
    server.answerWith(status, body);
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVeloraAnalytics &checker = MainWindowProbe::updateChecker(window);
    QCOMPARE(checker.requestUrl(), QString::fromLatin1(Addresses::UpdateService));

    // Two answers queued: a second box would take the second one.
    DialogAnswerer answerer;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    for (int box = 0; box < 2; ++box) {
        answerer.answer([&](QWidget *dialog) {
            if (auto messageBox = qobject_cast<QMessageBox *>(dialog)) {
                icon = messageBox->icon();
                buttons = messageBox->standardButtons();
            }
            dialog->close();
        });
    }
    restartCheck(window, localServiceAddress(server.port()));
    QTRY_VERIFY(checker.isFinished());
    QTest::qWait(50);

    QCOMPARE(server.requests().size(), 1);
    const HttpRequest request = server.requests().first();
    QCOMPARE(request.method, QByteArray("GET"));
    QCOMPARE(request.path, QByteArray("/app/tessaro/handler.ashx"));
    QCOMPARE(request.query, QByteArray("version=2.6.6"));
    QCOMPARE(request.headers.value("content-type"), QByteArray("text/json"));
    QCOMPARE(QUrl(QString::fromLatin1(Addresses::UpdateService)).scheme(), QStringLiteral("http"));

    QCOMPARE(answerer.seenDialogs().size(), announced ? 1 : 0);
    if (announced) {
        const SeenDialog box = answerer.seenDialogs().first();
        QCOMPARE(box.title, QStringLiteral("Update"));
        QCOMPARE(box.text, UpdateNotice);
        QVERIFY(Qt::mightBeRichText(box.text));
        QCOMPARE(icon, QMessageBox::Information);
        QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
}

void TstUpdate::noService()
{
    quint16 closedPort = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        closedPort = probe.serverPort();
    }
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVeloraAnalytics &checker = MainWindowProbe::updateChecker(window);
    DialogAnswerer answerer;
    answerer.pressButton(QMessageBox::Ok);

    checker.stop();
    QSignalSpy answers(&checker, &QVeloraAnalytics::updateMessage);
    checker.setRequestUrl(localServiceAddress(closedPort));
    checker.start();
    QVERIFY(checker.wait(10000));
    QTest::qWait(50);

    QCOMPARE(answers.size(), 1);
    QCOMPARE(answers.first().first().toString(), QString());
    QVERIFY(answerer.seenDialogs().isEmpty());
}

// As after the event loop has ended and before the window is destroyed.
void TstUpdate::answerAfterWindowClosed()
{
    HttpServer server;
    server.answerWith(200, R"({"result":1})");
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    DialogAnswerer answerer;
    answerer.pressButton(QMessageBox::Yes);
    QVERIFY(window.close());
    QVERIFY(answerer.waitUntilAnswered());
    answerer.pressButton(QMessageBox::Ok);

    restartCheck(window, localServiceAddress(server.port()));
    QTRY_VERIFY(MainWindowProbe::updateChecker(window).isFinished());
    QTest::qWait(50);

    QCOMPARE(server.requests().size(), 1);
    QCOMPARE(answerer.seenTitles(), QStringList {QStringLiteral("Confirm")});
}

void TstUpdate::answerAsWindowIsDestroyed()
{
    HttpServer server;
    server.answerWith(200, R"({"result":1})");
    auto window = new MainWindow;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    DialogAnswerer answerer;
    answerer.pressButton(QMessageBox::Ok);
    // Without serving events, let the answer reach the window's queue, then destroy the window.
    bool answerQueued = false;
    connect(&server, &HttpServer::requestServed, this, [&] {
        answerQueued = MainWindowProbe::updateChecker(*window).wait(10000);
        delete window;
    });

    restartCheck(*window, localServiceAddress(server.port()));
    QTRY_COMPARE(server.requests().size(), 1);
    QTest::qWait(50);

    QVERIFY(answerQueued);
    QVERIFY(answerer.seenDialogs().isEmpty());
}

void TstUpdate::hangingRequestEndsWithWindow()
{
    HttpServer server;
    server.hang();
    auto window = new MainWindow;
    restartCheck(*window, localServiceAddress(server.port()));
    QTRY_COMPARE(server.requests().size(), 1);
    QSignalSpy answers(&MainWindowProbe::updateChecker(*window), &QVeloraAnalytics::updateMessage);

    // The program must end within two seconds of closing its window.
    QElapsedTimer clock;
    clock.start();
    delete window;
    QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));

    QTRY_COMPARE(server.openConnections(), 0);
    QVERIFY(answers.isEmpty());
}

QTEST_MAIN(TstUpdate)
#include "tst_update.moc"
