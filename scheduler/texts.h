#pragma once

// Every text the scheduler shows, in one place (UTF-8).
namespace texts {

inline constexpr const char* kWindowTitle = "SntScheduler";
inline constexpr const char* kGroup = "Paramètres";
inline constexpr const char* kActionLabel = "Action :";
inline constexpr const char* kPlay = "Lecture";
inline constexpr const char* kRecord = "Enregistrement";
inline constexpr const char* kStartLabel = "Heure de début :";
inline constexpr const char* kEndLabel = "Heure de fin :";
inline constexpr const char* kPeriodicityLabel = "Périodicité :";
inline constexpr const char* kDaily = "Quotidiennement";
inline constexpr const char* kThisDay = "Ce jour-ci";
inline constexpr const char* kStationLabel = "Nom de la radio :";
inline constexpr const char* kAdd = "Ajouter";
inline constexpr const char* kDelete = "Effacer";
inline constexpr const char* kStartUp = "Lancer SntScheduler au lancement de windows";
inline constexpr const char* kOk = "OK";
inline constexpr const char* kColumnHeaders[6] = { "", "Action", "Début", "Fin", "Date", "Radio" };
inline constexpr int kColumnWidths[6] = { 18, 48, 54, 54, 58, 81 };

inline constexpr const char* kErrorCaption = "Erreur";
inline constexpr const char* kDateBefore = "Date antérieure à celle actuelle";
inline constexpr const char* kTimeBefore = "Heure antérieure à celle actuelle";
inline constexpr const char* kOverlapHead = "Le créneau programmé se superpose avec :  \n     ";
inline constexpr const char* kNoStation
    = "Choisissez une radio dans la liste avant d'ajouter le créneau";

inline constexpr const char* kMissedCaption = "Suppression";
inline constexpr const char* kMissedHead = "Enregistrement raté :\n     ";
inline constexpr const char* kMissedTail = "\n\nSupprimé de la liste";

inline constexpr const char* kImpossibleCaption = "Impossible";
inline constexpr const char* kPlayerMissing
    = "Sonalto est introuvable\n\nInstallez SntScheduler dans le repertoire de Sonalto";

inline constexpr const char* kStationMissingTitle = "Sonalto Scheduler";
inline constexpr const char* kStationMissing
    = "La radio « %1 » ne figure plus dans la liste : rien n'a été lancé.";

inline constexpr const char* kTrayTip = "Sonalto Scheduler";
inline constexpr const char* kSystemAbout = "&A propos de SntScheduler...";
inline constexpr const char* kMenuAbout = "&A propos...";
inline constexpr const char* kMenuOptions = "&Options";
inline constexpr const char* kMenuQuit = "&Quitter";
inline constexpr const char* kAboutTitle = "A propos de SntScheduler";
inline constexpr const char* kAboutText = "SntScheduler version 1.1";

} // namespace texts
