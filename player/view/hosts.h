#pragma once

// Hosts of the media-player vendor's addresses written into the mini player
// page: where a browser fetches the Windows Media control's cabinet file and
// the page offering its plug-in. Every address built for that vendor takes
// its host from here.
inline constexpr const char* kMediaPlayerCabinetHost = "activex.microsoft.com";
inline constexpr const char* kMediaPlayerPluginPageHost = "www.microsoft.com";
