#pragma once

// Every text of the recording options dialog, in one place. UTF-8.
namespace rectexts {

inline constexpr const char* kDialogTitle = "Paramètres d'enregistrement";
inline constexpr const char* kFileGroup = "Paramètres du fichier";
inline constexpr const char* kCompressionGroup = "Compression du son";
inline constexpr const char* kNameLabel = "Nom du fichier :";
inline constexpr const char* kDirectoryLabel = "Répertoire des fichiers enregistrés :";
inline constexpr const char* kBrowseButton = "...";
inline constexpr const char* kSampleRateLabel = "Taux d'échantillonnage :";
inline constexpr const char* kMono = "Mono";
inline constexpr const char* kStereo = "Stéréo";
inline constexpr const char* kBySong = "Enregistrer titre par titre";
inline constexpr const char* kSourceLabel = "Vérifier la source d'enregistrement :";
inline constexpr const char* kMixerButton = "Paramètres du mixer Windows";
inline constexpr const char* kFormatLabel = "Type de compression :";
inline constexpr const char* kRateLabel = "Taux de compression :";
inline constexpr const char* kOk = "OK";
inline constexpr const char* kCancel = "Annuler";
inline constexpr const char* kHelp = "Aide";
inline constexpr const char* kFolderPickerTitle = "Selectionnez le repertoire d'enregistrement";

inline constexpr const char* kSampleRates[] = { "22050 Hz", "32000 Hz", "48000 Hz" };
inline constexpr const char* kFormatWav = "Wav (non compressé)";
inline constexpr const char* kFormatOgg = "Ogg (recommandé)";
inline constexpr const char* kFormatMp3 = "MP3 (codec LAME)";
inline constexpr const char* kOggRates[] = { "48 Kbps", "64 Kbps", "80 Kbps" };
inline constexpr const char* kMp3Rates[] = { "64 Kbps", "96 Kbps", "128 Kbps" };

inline constexpr const char* kRecorderMissingTitle = "Impossible";
inline constexpr const char* kRecorderMissingText
    = "Impossible de trouver l'enregistreur HarddiskOgg.\nRéinstallez le dans le répertoire "
      "/Sonalto/HarddiskOgg";

} // namespace rectexts
