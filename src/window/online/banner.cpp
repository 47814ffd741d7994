#include "window/online/banner.h"

#include "window/online/addresses.h"

namespace {

QString bannerSnippet(const char *target, const char *picture)
{
    return QStringLiteral("<a href=\"%1\"><img src=\":/Advertisement/Ads/%2\"/></a>")
        .arg(QLatin1String(target), QLatin1String(picture));
}

} // namespace

QStringList bannerSnippets()
{
    return {
        bannerSnippet(Addresses::MakerSocialPage, "likeus.png"),
        bannerSnippet(Addresses::SponsorTravelPage, "travel.png"),
        bannerSnippet(Addresses::SponsorSocialPage, "sponsorlike.png"),
        bannerSnippet(Addresses::SecondProductPage, "product2.png"),
        bannerSnippet(Addresses::MakerSecondSocialPage, "follow.png"),
        bannerSnippet(Addresses::ThirdProductPage, "product3.png"),
    };
}
