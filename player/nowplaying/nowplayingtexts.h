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
// Marks the song on air in the journal (also in the pop-up).
inline constexpr const char* kSongLike = "J'aime ce titre";

// "Journal des titres": every song heard, newest first.
inline constexpr const char* kJournalTitle = "Journal des titres";
inline constexpr const char* kJournalSearch = "Rechercher un titre, un artiste, une station";
inline constexpr const char* kJournalAllStations = "Toutes les stations";
inline constexpr const char* kJournalAllDays = "Tous les jours";
inline constexpr const char* kJournalLikedOnly = "Titres aimés seulement";
// The columns after the liked mark.
inline constexpr const char* kJournalColumns[] = { "Date", "Heure", "Station", "Artiste", "Titre" };
inline constexpr const char* kJournalLikedMark = "♥";
inline constexpr const char* kJournalCopy = "Copier";
inline constexpr const char* kJournalPage = "Page du titre";
inline constexpr const char* kJournalExport = "Exporter…";
inline constexpr const char* kJournalClose = "Fermer";
inline constexpr const char* kJournalExportTitle = "Exporter les titres aimés";
inline constexpr const char* kJournalExportName = "titres-aimes.csv";
inline constexpr const char* kJournalExportFilter = "Fichiers CSV (*.csv)";
inline constexpr const char* kJournalExportFailedTitle = "Erreur";
// "%1" is the file's path.
inline constexpr const char* kJournalExportFailed = "Impossible d'écrire le fichier « %1 ».";

} // namespace texts
