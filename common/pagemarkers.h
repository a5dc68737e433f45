#pragma once

// The fixed texts around each property of a station page. Pages made by the
// player and pages installed by the updater carry them alike; they are looked
// up with ExtractBetween, so their letter case in a page does not matter.

// Station name shown in the page.
inline constexpr const char* kPageTitleStart = "<font name=\"titre\">";
inline constexpr const char* kPageTitleEnd = "</font>";

// Stream link played by the Windows Media plug-in.
inline constexpr const char* kPageWindowsMediaLinkStart = "\"filename\" value=\"";
// Stream link played by the RealPlayer plug-in.
inline constexpr const char* kPageRealPlayerLinkStart = "\"src\" value=\"";
// Both stream links end at the closing quote of the parameter tag.
inline constexpr const char* kPageStreamLinkEnd = "\">";

// Logo file name inside the "logo/" folder of the HTML directory.
inline constexpr const char* kPageLogoStart = "<img src=\"logo/";
inline constexpr const char* kPageLogoEnd = "\" border=0 width=66";

// Address of the station's on-air feed, the argument of the in-page command.
inline constexpr const char* kPageLiveStart = "app:live('";
inline constexpr const char* kPageLiveEnd = "')";

// The station's web site.
inline constexpr const char* kPageSiteLinkStart = "<td valign=\"middle\"><a href=\"";
inline constexpr const char* kPageSiteLinkEnd = "\" target=";

// Free description text, after a fixed comment line.
inline constexpr const char* kPageDescriptionStart
    = "<!-- la description entre <small> et </small> -->\r\n<small>";
inline constexpr const char* kPageDescriptionEnd = "</small>";

// Placeholders of the page templates and of the mini player page, each
// replaced by the generator.
inline constexpr const char* kNamePlaceholder = "!NomRadio!";
inline constexpr const char* kStreamPlaceholder = "!NomFichierRadio!";
inline constexpr const char* kSitePlaceholder = "!LienHTTPRadio!";
inline constexpr const char* kDescriptionPlaceholder = "!Description!";
inline constexpr const char* kLogoPlaceholder = "!NomFichierLogo!";
