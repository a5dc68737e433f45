#pragma once

// The player's command ids. A menu item, a system-menu item, a record
// forwarded by a second start and an in-page command all carry one of these
// numbers to CMainFrame::onCommand or CMainFrame::onSysCommand.
namespace cmd {

enum Id : int {
    // Commands (WM_COMMAND)
    Personalise = 103, // personal list editor
    SelfUpdateDone = 109, // forwarded "-self_update"
    RandomStation = 31845, // "&Au hasard ?"
    OrganiseFavourites = 31846, // "&Organiser..."
    About = 32825, // "A &propos..."
    ToggleMute = 32827, // "&Mute"
    Help = 32828, // "&Aide"
    Options = 32830, // "&Options"
    Quit = 32811, // "&Quitter"
    Restore = 32812, // "Agrandir"
    Stop = 32834, // forwarded "-stop": quit
    ToggleRecording = 32838, // "&REC" / "&STOP"
    SongInformation = 32839, // "Informations"
    SearchStations = 32849, // "&Rechercher"
    FirstFavourite = 32850, // favourites 1 to 20
    LastFavourite = 32869,
    StartScheduler = 32890, // "Snt Planificateur"
    AddCurrentStation = 32891, // "Ajouter cette &radio"
    StationDirectory = 32892, // "Annuaire des radios…"
    SleepOff = 32900, // "Arrêt programmé": "Désactivé"
    SleepFirst = 32901, // "15 minutes", then 30, 45, 60 and 90
    SleepLast = 32905,
    SongJournal = 32906, // "Journal des titres…"
    LikeSong = 32907, // "J'aime ce titre"

    // System commands (WM_SYSCOMMAND) of the player's own
    RecordStop = 107, // forwarded "-record stop"
    RecordStart = 108, // "-record start"
    Rebuild = 111, // "-rebuild": rebuild the station index
    IgnoredSystem = 532, // sent by the system, ignored
};

} // namespace cmd
