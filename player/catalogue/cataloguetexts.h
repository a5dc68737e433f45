#pragma once

// The texts of the catalogue dialogs, as the listener reads them. UTF-8;
// station names and file contents stay Windows-1252 elsewhere.
namespace catalogue_texts {

// Shared titles and messages.
inline constexpr const char* kErrorTitle = "Erreur";
inline constexpr const char* kListFull
    = "La liste de raccourcis est pleine (20 maximum).\r\nSupprimez-en avant d'en rajouter.";
inline constexpr const char* kAlreadyAdded = "Radio déja ajoutée.";
inline constexpr const char* kCannotAdd = "Impossible d'ajouter cette radio.";
inline constexpr const char* kAvailableList = "Liste disponible :";
inline constexpr const char* kAddButton = ">   Ajouter   >";
inline constexpr const char* kRemoveButton = "< Supprimer <";
inline constexpr const char* kOk = "OK";
inline constexpr const char* kCancel = "Annuler";

// Personal list editor ("Personnaliser").
inline constexpr const char* kPersonalTitle = "Personnaliser";
inline constexpr const char* kPersonalList = "Liste personnelle :";
inline constexpr const char* kAddAllButton = ">>";
inline constexpr const char* kClearButton = "<<";
inline constexpr const char* kManageGroup = "Gestion des radios";
inline constexpr const char* kAddGroup = "Ajouter une radio";
inline constexpr const char* kDeleteGroup = "Supprimer une radio";
inline constexpr const char* kStationName = "Nom de la radio :";
inline constexpr const char* kStreamLink = "Lien Internet :";
inline constexpr const char* kLinkType = "Type de lien :";
inline constexpr const char* kTypeAuto = "(Auto)";
inline constexpr const char* kTypeWindowsMedia = "WMPlayer";
inline constexpr const char* kTypeRealPlayer = "RealPlayer";
inline constexpr const char* kLogoBox = "Fichier logo";
inline constexpr const char* kChooseLogo = "Sélectionner";
inline constexpr const char* kSiteBox = "Lien du site radio :";
inline constexpr const char* kSiteDefault = "http://";
inline constexpr const char* kDescriptionBox = "Descriptif";
inline constexpr const char* kTestButton = "TESTER cette radio";
inline constexpr const char* kAddStationButton = "AJOUTER cette radio";
inline constexpr const char* kModifyButton = "MODIFIER cette radio";
inline constexpr const char* kSelectedName = "Nom de la radio sélectionnée :";
inline constexpr const char* kDeleteButton = "Supprimer";
inline constexpr const char* kLogoFilter
    = "Fichier image *.gif;*.jpg;*.jpeg;*.png (*.gif *.jpg *.jpeg *.png)";
inline constexpr const char* kNameForgotten = "Le titre de la radio a été oublié.";
inline constexpr const char* kStationExists = "Cette radio existe déja.";
inline constexpr const char* kStationNotFound = "Radio introuvable";
inline constexpr const char* kConfirmTitle = "Validation";
inline constexpr const char* kConfirmDelete = "Etes-vous sûr de vouloir supprimer cette radio ?";
// A page that cannot be written (a file name the HTML directory refuses, a
// full disk, a read-only folder).
inline constexpr const char* kPageNotWritten
    = "La page de cette radio n'a pas pu être écrite dans le répertoire HTML.\n"
      "Vérifiez le nom de la radio, le fichier logo et les droits du répertoire.";
// The index could not be written (a read-only file or folder, a full disk):
// the station is not added or deleted, the personal list not applied.
inline constexpr const char* kIndexNotWritten
    = "La liste des radios (haut.htm) n'a pas pu être mise à jour dans le répertoire HTML.\n"
      "Vérifiez les droits du répertoire et la place libre sur le disque.";
// The index finds stations by the text between '>' and '<'.
inline constexpr const char* kNameHasMarkup
    = "Le nom de la radio ne peut pas contenir les caractères < et >.";

// Favourites organiser ("Organiser les favoris").
inline constexpr const char* kOrganiserTitle = "Organiser les favoris";
inline constexpr const char* kFavouritesList = "Favoris (20 max) :";
inline constexpr const char* kFindLabel = "Rechercher:";
inline constexpr const char* kFindNextButton = "v";
inline constexpr const char* kNothingFound = "Introuvable.";
inline constexpr const char* kEmptyMenu = "vide";

// Station search ("Rechercher une radio").
inline constexpr const char* kSearchTitle = "Rechercher une radio";
inline constexpr const char* kSearchLabel = "Rechercher :";
inline constexpr const char* kSearchButton = "Rechercher";
inline constexpr const char* kCloseButton = "Fermer";
inline constexpr const char* kNoResult = "0 résultat.";
inline constexpr const char* kAddToFavourites = "Ajouter aux favoris";
inline constexpr const char* kListen = "Ecouter";

// Appearances ("Gestionnaire d'apparences").
inline constexpr const char* kSkinTitle = "Gestionnaire d'apparences";
inline constexpr const char* kSkinList = "Apparences disponibles :";
inline constexpr const char* kPreview = "Prévisualisation";
inline constexpr const char* kInstall = "Installer";
inline constexpr const char* kSkinIncomplete
    = "Les fichiers de la nouvelle apparence ne sont pas complets !\n"
      "Il vous faut les fichiers 'index.htm', 'bas.css' et 'haut.css'";

// About ("A Propos...").
inline constexpr const char* kAboutTitle = "A Propos...";
inline constexpr const char* kAboutSoftware = "Sonalto :";
inline constexpr const char* kAboutList = "Liste des radios :";
inline constexpr const char* kAboutSkin = "Skin utilisé :";

} // namespace catalogue_texts
