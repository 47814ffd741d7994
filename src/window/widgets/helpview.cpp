#include "window/widgets/helpview.h"

#include <QFile>
#include <QWebView>

void showHelpPage(QWebView *view, const QUrl &address, const QString &fallbackPage)
{
    // Queued, so that the failed load has ended before the view starts the next one.
    QObject::connect(
        view, &QWebView::loadFinished, view,
        [view, fallbackPage](bool loaded) {
            if (loaded)
                return;
            QFile page(fallbackPage);
            if (!page.open(QIODevice::ReadOnly))
                return;
            // The page's own address lets it find its style sheet beside it in the resources.
            view->setHtml(QString::fromUtf8(page.readAll()),
                          QUrl(QStringLiteral("qrc") + fallbackPage));
        },
        Qt::QueuedConnection);
    view->setUrl(address);
}
