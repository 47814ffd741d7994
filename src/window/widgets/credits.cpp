#include "window/widgets/credits.h"

#include "window/online/addresses.h"

namespace {

QString link(const char *address, const QString &label)
{
    return QStringLiteral("<a href=\"%1\">%2</a>").arg(QLatin1String(address), label);
}

} // namespace

QString iconCreditsText()
{
    return QStringLiteral("<div>Icons made by %1 from %2 is licensed by %3</div>")
        .arg(link(Addresses::MakerSite, QStringLiteral("the Tessaro developers")),
             link(Addresses::MakerSite, QStringLiteral("www.tessaro.example")),
             link(Addresses::ArtworkLicence, QStringLiteral("CC BY 4.0")));
}

QString sponsorCreditsTitle()
{
    return QString::fromLatin1(Addresses::SponsorName);
}

QString sponsorCreditsText()
{
    return QStringLiteral("This free application is sponsored by ")
        + link(Addresses::SponsorSite, sponsorCreditsTitle());
}
