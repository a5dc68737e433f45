#pragma once

#include <string>
#include <string_view>

// What a station page yields. Absent properties hold "Introuvable".
struct StationPageInfo {
    std::string pagePath;
    std::string title;
    std::string streamLink;
    std::string logoFile;
    std::string liveId;
    std::string siteLink;
    std::string description;
    bool windowsMedia = true;
};

// The player type chosen in the personal-list editor; it selects the template.
enum class PlayerType { Auto = 0, WindowsMedia = 1, RealPlayer = 2 };

// The editor's form for one station. Texts are Windows-1252.
struct StationForm {
    std::string name;
    PlayerType playerType = PlayerType::Auto;
    bool logoChecked = false;
    bool siteChecked = false;
    std::string siteLink;
    bool descriptionChecked = false;
    std::string description;
};

// The test flow of a generated page, answered by the editor window in the
// player and by a script in tests.
class StationPageTester {
public:
    virtual ~StationPageTester() = default;
    // Lets the listener hear the written test page: the player plays its
    // stream while the question is asked.
    virtual void beginTest(const std::string& pagePath) = 0;
    // Asks the Yes/No question (title and text in UTF-8); true for Yes.
    virtual bool ask(const std::string& title, const std::string& text) = 0;
    // Enables or disables the editor's add button.
    virtual void setAddEnabled(bool enabled) = 0;
    // The player goes back to what it played before the test; the test page
    // is deleted afterwards.
    virtual void endTest() = 0;
};

inline constexpr const char* kTestResultTitle = "Résultat du test";
inline constexpr const char* kTestResultQuestion
    = "Patientez quelques secondes...\n\nLa page internet avec la radio fonctionne-t-elle ?";

// Makes a station page from the template of the HTML directory. With an
// empty existingPageFile the name's first letter is capitalised (written
// back into the form) and the page is named from it; otherwise the existing
// page is rewritten. With a tester the page is written as the "_temp.htm"
// test page and the test flow runs instead. A chosen logo is copied into
// "logo/" under a plain ASCII name (numbered when another picture holds that
// name) which the page names. False when the page cannot be written, and
// when the page file name would lead out of htmlDir or the logo path names
// a folder.
bool GenerateStationPage(const std::string& htmlDir, StationForm& form,
    const std::string& streamLink, const std::string& logoPath, const std::string& existingPageFile,
    StationPageTester* tester = nullptr);

// Fills info from the page at pagePath.
void ReadStationPage(const std::string& pagePath, StationPageInfo& info);

// Fills every field of info but pagePath from the text of a page. An empty
// text sets the six strings to "Introuvable" and leaves windowsMedia alone.
void ReadStationPageText(std::string_view text, StationPageInfo& info);
