#ifndef TESSARO_HELPVIEW_H
#define TESSARO_HELPVIEW_H

#include <QString>
#include <QUrl>

class QWebView;

// Loads the help page at `address` into `view`. Whenever a page of the view does not load (no
// network, an unknown host, a refused connection), the view shows the compiled-in page at the
// resource path `fallbackPage` (":/Help/...") instead, so help can be read offline.
void showHelpPage(QWebView *view, const QUrl &address, const QString &fallbackPage);

#endif // TESSARO_HELPVIEW_H
