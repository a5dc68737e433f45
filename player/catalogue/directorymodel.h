#pragma once

#include <string>
#include <vector>

#include "common/stationdirectory.h"

class Prompt;

inline constexpr const char* kDirectoryTitle = "Annuaire des radios";
inline constexpr const char* kDirectoryOffline = "Annuaire injoignable : vérifiez la connexion.";
inline constexpr const char* kDirectoryNothingFound = "Aucune radio trouvée.";
inline constexpr const char* kDirectorySearching = "Recherche en cours…";
// The page a played result is written to while it plays; deleted when the
// directory closes.
inline constexpr const char* kDirectoryTrialPage = "_annuaire.htm";

// The directory window's state without its controls: the query the fields
// make, the results of the last search, the ones on show (broken streams
// only when asked for), the one line of status, and the adding of a result
// to the listener's list.
class DirectoryModel {
public:
    DirectoryModel(std::string htmlDir, Prompt& prompt);

    // The fields; the country is an index into kDirectoryCountries.
    void setQuery(
        const std::string& name, int country, const std::string& language, const std::string& tag);
    // The search path for the fields. Every stream is asked for; the broken
    // ones are hidden here, so the tick box needs no new search. The name
    // goes to the directory only when no other field narrows the search.
    std::string searchPath() const;
    void beginSearch();
    // The answer of a search: answered is false when no server gave one,
    // unreadable when some answered with what is not a station list.
    void takeAnswer(bool answered, bool unreadable, const std::string& body);

    void setShowBroken(bool show);
    bool showBroken() const { return m_showBroken; }
    const std::vector<DirectoryStation>& shown() const { return m_shown; }
    const DirectoryStation* station(int row) const;
    // Empty, or the one line the window shows under the list.
    const std::string& status() const { return m_status; }

    // Adds a result with the logo file (empty: the default logo). A name
    // already in the list is asked about first. True when a station page was
    // added; every refusal has been told to the listener.
    bool add(const DirectoryStation& station, const std::string& logoPath);
    // Writes the page the player plays a result from; its full path, or
    // empty when it cannot be written.
    std::string writeTrialPage(int row) const;

private:
    void refilter();

    std::string m_htmlDir;
    Prompt& m_prompt;
    DirectoryQuery m_query;
    bool m_showBroken = false;
    std::vector<DirectoryStation> m_all;
    std::vector<DirectoryStation> m_shown;
    std::string m_status;
};
