#ifndef TESSARO_ADDRESSES_H
#define TESSARO_ADDRESSES_H

#include "engine/version.h"

// Every web address the program uses. The maker's and the sponsor's sites live under the
// reserved .example domain, so nothing the program opens or asks can reach a stranger's server.
namespace Addresses {

// The update service, asked once at start-up with the running version.
inline constexpr char UpdateService[]
    = "http://update.tessaro.example/app/tessaro/handler.ashx?version=" TESSARO_VERSION;
// The product page: where updates are downloaded, and the "How to" help page.
inline constexpr char ProductPage[] = "http://www.tessaro.example/tessaro";
// The sponsor's how-to article in Turkish on adding a logo and text to travel photos.
inline constexpr char SponsorHowTo[]
    = "https://blog.wayfarer.example/fotograflara-logo-ve-yazi-ekleme";

// Banner targets, in the order the banner shows them.
inline constexpr char MakerSocialPage[] = "https://social.example/tessaro";
inline constexpr char SponsorTravelPage[] = "https://www.wayfarer.example/category/travel";
inline constexpr char SponsorSocialPage[] = "https://social.example/wayfarer";
inline constexpr char SecondProductPage[] = "http://www.tessaro.example/lumora";
inline constexpr char MakerSecondSocialPage[] = "https://pictures-social.example/tessaro";
inline constexpr char ThirdProductPage[] = "http://www.tessaro.example/quillo";

// Credits: the icons' authors and their licence, and the sponsor.
inline constexpr char MakerSite[] = "http://www.tessaro.example";
inline constexpr char ArtworkLicence[] = "http://www.tessaro.example/licences/cc-by-4.0";
inline constexpr char SponsorName[] = "Wayfarer";
inline constexpr char SponsorSite[] = "https://www.wayfarer.example";

} // namespace Addresses

#endif // TESSARO_ADDRESSES_H
