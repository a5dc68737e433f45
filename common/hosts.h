#pragma once

// The outside web hosts the player reaches on the listener's behalf. Every
// address built for them takes its host from here.

// Put in front of the relative cover paths of forwarding feeds: scheme and
// host, no trailing slash.
inline constexpr const char* kCoverImageHost = "http://pochettes.sonalto.fr";

// The online shop's search page; the song title is appended as it stands.
inline constexpr const char* kShopSearchAddress
    = "http://boutique.sonalto.fr/mx/?tp=L&type=3&fulltext=";
