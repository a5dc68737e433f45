#pragma once

// The song window's texts, as the listener reads them. UTF-8.
namespace texts {

inline constexpr const char* kSongWindowTitle = "Chanson en cours";
inline constexpr const char* kSongTitleLabel = "Titre :";
inline constexpr const char* kSongArtistLabel = "Auteur :";
inline constexpr const char* kSongAlbumLabel = "Album :";
inline constexpr const char* kSongDateLabel = "Date de sortie :";
inline constexpr const char* kSongLabelLabel = "Label :";
inline constexpr const char* kSongPrevious = "< Précédente";
inline constexpr const char* kSongNext = "Suivante >";
inline constexpr const char* kSongRefreshBefore = "Actualiser toutes les";
inline constexpr const char* kSongRefreshAfter = "sec";
inline constexpr const char* kSongOk = "OK";
inline constexpr const char* kSongCopy = "Copier";

} // namespace texts
