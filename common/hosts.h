#pragma once

// The outside web hosts the player reaches on the listener's behalf. Every
// address built for them takes its host from here.

// Put in front of the relative cover paths of forwarding feeds: scheme and
// host, no trailing slash.
inline constexpr const char* kCoverImageHost = "http://pochettes.sonalto.fr";

// How the player introduces itself to the music web services it asks about
// songs: their rules want a way to reach whoever ships the program. The
// packager puts their own address here.
inline constexpr const char* kLookupContact = "equipe@sonalto.invalid";
