#pragma once

// The player's own texts, as the listener reads them: menus, titles and
// messages. UTF-8 here; files keep their Windows-1252 texts elsewhere.
namespace texts {

// Program title (string resource 129).
inline constexpr const char* kProgramTitle = "Sonalto";

// Menu bar (menu resource 128).
inline constexpr const char* kMenuOptions = "&Options";
inline constexpr const char* kMenuPerso = "&Perso";
inline constexpr const char* kMenuDirectory = "&Annuaire des radios…";
inline constexpr const char* kMenuFavourites = "&Favoris";
inline constexpr const char* kMenuRandom = "&Au hasard ?";
inline constexpr const char* kMenuOrganise = "&Organiser...";
inline constexpr const char* kMenuSearch = "&Rechercher";
inline constexpr const char* kMenuAddStation = "Ajouter cette &radio";
inline constexpr const char* kMenuRec = "&REC";
inline constexpr const char* kMenuStop = "&STOP";
inline constexpr const char* kMenuHelp = "&Aide";
inline constexpr const char* kMenuAbout = "A &propos...";
inline constexpr const char* kMenuQuit = "&Quitter";

// Entries added to the window's system menu.
inline constexpr const char* kSysOptions = "O&ptions";
inline constexpr const char* kSysPersonalise = "Personnaliser";
inline constexpr const char* kSysScheduler = "Snt Planificateur";
inline constexpr const char* kSysHelp = "Aide";
inline constexpr const char* kSysAbout = "A& Propos...";
inline constexpr const char* kSysQuit = "Quitter \tAlt+F4";
// The layout toggle of the maximise box, for desktops that offer no
// maximise box for a window of fixed size.
inline constexpr const char* kSysMiniMode = "Mode mini";

// Printed by a second start when the running player never answers.
inline constexpr const char* kPlayerUnreachable = "Sonalto : le lecteur en cours ne répond pas.";
// Printed when the start-up program cannot load the player's windowed part
// (a printf format: the loader's reason).
inline constexpr const char* kPlayerLibraryUnusable
    = "Sonalto : impossible de charger le lecteur (%s).";
// Printed when the player cannot load its web view (a printf format: the
// loader's reason); it plays on without pages.
inline constexpr const char* kWebLibraryUnusable
    = "Sonalto : impossible de charger la vue HTML (%s).";

// The notification area's pop-up (menu resource 134).
inline constexpr const char* kPopupOptions = "&Options";
inline constexpr const char* kPopupPersonalise = "&Personnaliser";
inline constexpr const char* kPopupFavourites = "Favoris";
inline constexpr const char* kPopupOrganise = "Organiser...";
inline constexpr const char* kPopupInformation = "Informations";
inline constexpr const char* kPopupRec = "&REC";
inline constexpr const char* kPopupStop = "&STOP";
// Every song heard (also in "Perso"), and the mark of the song on air.
inline constexpr const char* kMenuJournal = "Journal des titres…";
inline constexpr const char* kPopupLike = "J'aime ce titre";
inline constexpr const char* kPopupScheduledRec = "REC Planifié";
inline constexpr const char* kPopupMute = "&Mute";
inline constexpr const char* kPopupRestore = "Agrandir";
inline constexpr const char* kPopupHelp = "&Aide";
inline constexpr const char* kPopupAbout = "A &propos...";
inline constexpr const char* kPopupQuit = "&Quitter";

// "Arrêt programmé", in the menu bar and the pop-up; "%1" is the time left
// ("12:34") in the tooltip and the control strip.
inline constexpr const char* kMenuSleep = "Arrêt programmé";
inline constexpr const char* kSleepMinutes[]
    = { "15 minutes", "30 minutes", "45 minutes", "60 minutes", "90 minutes" };
inline constexpr const char* kSleepOff = "Désactivé";
inline constexpr const char* kSleepLeft = "Arrêt programmé dans %1";

// HTML directory check at creation.
inline constexpr const char* kChooseHtmlDirectory
    = "Selectionnez le repertoire contenant vos fichiers radio .html";
inline constexpr const char* kHtmlMissingTitle = "Erreur";
inline constexpr const char* kHtmlMissingText = "Fichiers HTML des radios introuvables.\n"
                                                "Installez les dans /html/\n"
                                                "ou changez de répertoire dans les options.";

} // namespace texts
