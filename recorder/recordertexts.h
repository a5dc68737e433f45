#pragma once

// The recorder's texts, in one place. UTF-8.
namespace recordertexts {

inline constexpr const char* kWindowTitle = "HarddiskOgg";
inline constexpr const char* kErrorTitle = "Erreur";
inline constexpr const char* kRecording = "Enregistrement en cours";
inline constexpr const char* kFinishing = "Finalisation du fichier...";
// Elapsed time and size: "%1" is h:mm:ss, "%2" the size in kilobytes.
inline constexpr const char* kProgress = "%1 - %2 Ko";
inline constexpr const char* kPresetMissing = "Le préréglage d'enregistrement est introuvable : %1";
inline constexpr const char* kPresetUnreadable
    = "Le préréglage d'enregistrement est illisible ou incomplet : %1";
inline constexpr const char* kNoOutput = "Aucun fichier de sortie n'est indiqué (-output).";
inline constexpr const char* kFolderUnwritable
    = "Impossible d'écrire dans le répertoire d'enregistrement : %1";
inline constexpr const char* kEncoderMissing = "L'encodeur nécessaire n'est pas installé (%1).";
inline constexpr const char* kCaptureFailed = "L'enregistrement a échoué : %1";
// An error in the middle: "%1" the error, "%2" the file that keeps what was
// recorded before it.
inline constexpr const char* kKeptAfterError
    = "L'enregistrement s'est interrompu : %1\nCe qui a été enregistré est conservé dans %2";
inline constexpr const char* kKeptUnfinished
    = "Le fichier n'a pas pu être terminé à temps ; ce qui a été enregistré est conservé "
      "dans %1";
inline constexpr const char* kStoppedBySystem
    = "Arrêt demandé par le système : l'enregistrement est conservé dans %1";
inline constexpr const char* kNoSoundServer
    = "Enregistrement impossible : le serveur de son ne répond pas, il n'y a aucun son à "
      "enregistrer.";
// The sound server answers, but the player could not make its private
// output there: it plays through the speakers alone.
inline constexpr const char* kNoPrivateOutput
    = "Enregistrement impossible : le lecteur n'a pas pu créer sa sortie privée sur le "
      "serveur de son. La lecture continue, mais le son du lecteur ne peut pas être "
      "enregistré.";
// Recordings split by song: the mark of a song cut by the recording's start
// or end, in its file name; the piece being written ("%1" its name); a piece
// kept ("%1" its file).
inline constexpr const char* kPartialMarker = " (partiel)";
inline constexpr const char* kCurrentPiece = "Titre en cours : %1";
inline constexpr const char* kPieceSaved = "Titre enregistré dans %1";
inline constexpr const char* kAlreadyRecording = "Un enregistrement est déjà en cours.";
inline constexpr const char* kUsage
    = "Usage : harddisk -record -preset FICHIER -filter FICHIER -output \"CHEMIN\" "
      "[-sequential] [-minimize] [-tos]\n       harddisk -quit";

} // namespace recordertexts
