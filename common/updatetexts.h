#pragma once

#include "common/messages.h"

// Every text the updater shows, in one place (UTF-8). The plain logic of the
// update and its dialog both take their texts from here.
namespace updatetexts {

// The update dialog; its title is also its address.
inline constexpr const char* kDialogTitle = kUpdaterDialogTitle;
inline constexpr const char* kHeading
    = "Les mises à jours suivantes sont disponibles.\nCochez celles que vous souhaitez effectuer :";
inline constexpr const char* kDescriptionGroup = "Description";
inline constexpr const char* kDescriptionPlaceholder = "Texte Descriptif";
inline constexpr const char* kCountSingular = "mise à jour selectionnée.";
inline constexpr const char* kCountPlural = "mises à jour selectionnées.";
inline constexpr const char* kDownloadButton = "Télécharger >";
inline constexpr const char* kWaitButton = "Patientez...";
inline constexpr const char* kFinishButton = "Terminer";
inline constexpr const char* kCancelButton = "Annuler";
inline constexpr const char* kStatusInitial = "Le téléchargement peut prendre quelques minutes.";
inline constexpr const char* kServerPrefix = "Serveur : ";
inline constexpr const char* kSoftwareItemPrefix = "Sonalto ";
inline constexpr const char* kStationListItemPrefix = "Liste des radios ";
inline constexpr const char* kSoftwareItemMarker = "Sonalto";
inline constexpr const char* kStationListItemMarker = "Liste des radios";
inline constexpr const char* kVersionPrefix = "Version ";
inline constexpr const char* kVersionDateSeparator = " - ";
inline constexpr const char* kSystemAbout = "&A propos de SntUpdate...";

// The about box.
inline constexpr const char* kAboutTitle = "A propos de Snt Update";
inline constexpr const char* kAboutText = "Snt Update version 1.0";

// The dialogs of the start-up.
inline constexpr const char* kProblemTitle = "Problème";
inline constexpr const char* kInformationTitle = "Information";
inline constexpr const char* kErrorTitle = "Erreur";
inline constexpr const char* kNoServerList
    = "Impossible de trouver la liste des URL de mise à jour dans URLs_update.txt.";
inline constexpr const char* kNothingNew = "Aucune mise à jour disponible pour l'instant.";
inline constexpr const char* kNoServerAnswered
    = "Impossible de se connecter au site internet pour\nvérifier les mises a jours.\n\n"
      "Vérifiez que vous êtes bien connecté à Internet.\n"
      "Vérifiez qu'aucun firewall empêche votre connexion.\n\n"
      "Vous pouvez désactiver cette fonction dans les options.";
inline constexpr const char* kNothingSelected = "Aucune mise à jour sélectionnée.";
// The window of a check the listener asked for, one server after the other:
// the server's name, its rank and the number of servers.
inline constexpr const char* kSearchingServer = "Recherche des mises à jour sur %1 (%2 sur %3)...";

// Download and installation.
inline constexpr const char* kListingFailed = "Impossible de lister le répertoire HTTP";
inline constexpr const char* kDownloadProgress = "Téléchargement : ";
inline constexpr const char* kGeneratingIndex = "Génération du fichier haut.htm...";
inline constexpr const char* kFileFailedHead = "Impossible de télécharger le fichier ";
inline constexpr const char* kFileFailedTail = "\nRecommencez ultèrieurement.";
inline constexpr const char* kInstallFailed
    = "Impossible de télécharger la mise à jour.\nRecommencez ultèrieurement.";
// A checked download that cannot be written into its folder.
inline constexpr const char* kInstallFileFailedHead = "Impossible d'installer le fichier ";
inline constexpr const char* kInstallFileFailedTail
    = "\nVérifiez que son dossier est accessible en écriture.";
inline constexpr const char* kDone = "Terminé.";
inline constexpr const char* kLeaveTitle = "Attention !";
inline constexpr const char* kLeaveQuestion
    = "Attention ! Vous êtes actuellement en train de télécharger une mise à jour.\n"
      "En quittant maintenant vous risquez de rendre Snt inutilisable.\n\n"
      "Etes vous sûr de vouloir quitter la mise à jour ?";
// A name from the server that would not land inside its folder.
inline constexpr const char* kBadNameHead = "Le serveur propose un fichier au nom invalide : « ";
inline constexpr const char* kBadNameTail = " ».\nCe fichier est ignoré.";

// The signed manifest of the server (manifest.txt and its signature): an
// update that cannot be verified stops with the reason.
inline constexpr const char* kVerifyFailedHead = "La mise à jour n'a pas pu être vérifiée : ";
inline constexpr const char* kManifestMissing
    = "le serveur ne donne pas le fichier manifest.txt qui la décrit.";
inline constexpr const char* kSignatureMissing
    = "le serveur ne donne pas la signature manifest.txt.minisig.";
inline constexpr const char* kManifestMalformed = "le fichier manifest.txt est illisible.";
inline constexpr const char* kSignatureUnknownKey
    = "le fichier manifest.txt est signé par une clé inconnue de cette installation.";
inline constexpr const char* kSignatureInvalid
    = "la signature manifest.txt.minisig ne correspond pas au fichier manifest.txt.";
inline constexpr const char* kManifestOlder = "le fichier manifest.txt est plus ancien que celui "
                                              "de la dernière mise à jour installée.";
inline constexpr const char* kNothingInstalled = "\nRien n'a été installé.";
// A downloaded file that the signed manifest does not describe.
inline constexpr const char* kFileMismatchHead = "Le fichier ";
inline constexpr const char* kFileMismatchTail
    = " ne correspond pas au fichier manifest.txt signé (taille ou empreinte SHA-256).";
inline constexpr const char* kFileUnlistedTail = " n'est pas dans le fichier manifest.txt signé.";
// An installation without a trusted key takes no program from the network.
inline constexpr const char* kNoKeyForSoftware
    = "Cette installation n'a pas de clé de publication (fichier cles_update.pub) : "
      "le logiciel ne peut pas être mis à jour, car rien ne garantit sa provenance.\n"
      "Seule la liste des radios peut être mise à jour.";

// New stations into the personal list.
inline constexpr const char* kNewStationsQuestion
    = "Vous avez utilisé la gestion de la liste perso dans Snt.\n\n"
      "Souhaitez vous ajouter les nouvelles radios de cette mise à jour dans votre liste perso ?\n"
      "(Sinon, celles-ci seront disponibles dans la liste complete.)";

} // namespace updatetexts
