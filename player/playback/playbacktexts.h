#pragma once

// What the listener reads about playback, in one place.
namespace playbacktexts {

inline constexpr const char* kConnecting = "Connexion…";
inline constexpr const char* kPlaying = "En lecture";
// "En lecture — <titre>" when the station sends its stream title.
inline constexpr const char* kPlayingTitleSeparator = " — ";
inline constexpr const char* kReconnecting = "Flux interrompu, nouvelle tentative…";
inline constexpr const char* kNotFound = "Flux introuvable";
inline constexpr const char* kStopped = "Arrêté";

inline constexpr const char* kPlayTip = "Écouter";
inline constexpr const char* kStopTip = "Arrêter";
inline constexpr const char* kVolumeTip = "Volume";

} // namespace playbacktexts
