#pragma once

// Every text of the Options dialog, in one place. UTF-8.
namespace optionstexts {

inline constexpr const char* kTitle = "Options";
inline constexpr const char* kOptionsGroup = "Options";
inline constexpr const char* kStartupGroup = "Au démarrage";
inline constexpr const char* kMiscGroup = "Divers";
inline constexpr const char* kSizeHeading = "Dimensions de la fenêtre :";
inline constexpr const char* kHeightLabel = "Hauteur :";
inline constexpr const char* kWidthLabel = "Largeur :";
inline constexpr const char* kPixels = "pixels";
inline constexpr const char* kDefault = "Défaut";
inline constexpr const char* kChangeAppearance = "Changer l'apparence";
inline constexpr const char* kSkin = "Interface par skin";
inline constexpr const char* kColour = "Couleur :";
inline constexpr const char* kHtmlDirectory = "Répertoire des fichiers HTML :";
inline constexpr const char* kSelect = "Selectionner";
inline constexpr const char* kWeeklyUpdates = "Verification hebdomadaire des mises à jour";
inline constexpr const char* kCheckNow = "Vérifier";
inline constexpr const char* kSplash = "Afficher le splashscreen";
inline constexpr const char* kOnTop = "Affichage toujours en avant";
inline constexpr const char* kListenButton = "Ajouter un bouton 'Ecouter !' à la liste";
inline constexpr const char* kSaveLastUrl = "Mémoriser la dernière radio écoutée";
inline constexpr const char* kAssignLogo = "Assigner le logo de la radio à l'icone Snt";
inline constexpr const char* kHideTaskbar = "Masquer Snt dans la barre de tache";
inline constexpr const char* kSongNotifications = "Annoncer chaque nouveau titre";
inline constexpr const char* kRecordingOptions = "Options d'enregistrement";
inline constexpr const char* kOk = "OK";
inline constexpr const char* kCancel = "Annuler";
inline constexpr const char* kHelp = "Aide";

inline constexpr const char* kChooseFolderTitle
    = "Selectionnez le repertoire contenant vos fichiers radio .html";

// Messages.
inline constexpr const char* kDirectoryMissingTitle = "Erreur";
inline constexpr const char* kDirectoryMissingText
    = "Fichiers HTML des radios introuvables.\nChangez de repertoire.";
inline constexpr const char* kTaskbarTitle = "Information";
inline constexpr const char* kTaskbarText
    = "L'option \"Masquer Snt dans la barre de tache\"\n sera prise en compte au prochain "
      "lancement.";
// The size fields' validation, as the platform words it.
inline constexpr const char* kSizeRangeTitle = "Sonalto";
inline constexpr const char* kSizeRangeText = "Entrez un entier compris entre 0 et 10000.";

} // namespace optionstexts
