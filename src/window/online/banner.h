#ifndef TESSARO_BANNER_H
#define TESSARO_BANNER_H

#include <QStringList>

// The banner's snippets in the order they take turns: each one link around one compiled-in
// picture, <a href="TARGET"><img src=":/Advertisement/Ads/PICTURE"/></a>.
QStringList bannerSnippets();

#endif // TESSARO_BANNER_H
