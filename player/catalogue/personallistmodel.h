#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/prompt.h"
#include "common/stationpage.h"

// The rules of the personal-list editor: the complete list and the personal
// list side by side, the moves between them, and the form that tests, adds,
// rewrites and deletes a station. Additions, modifications and deletions go
// to the index and the pages at once; the moves only when applied. Every
// text it holds is Windows-1252.
class PersonalListModel {
public:
    // The form as the editor's controls show it.
    struct Form {
        StationForm station; // name, player type, the three boxes, site, description
        std::string streamLink;
        std::string logoPath;
    };

    // How a test reaches the listener: the player plays the test page's
    // stream while the question is asked (begin), then goes back to what it
    // played (end). Either may be empty.
    struct StreamTest {
        std::function<void(const std::string& pagePath)> begin;
        std::function<void()> end;
    };

    PersonalListModel(std::string htmlDir, Prompt& prompt, StreamTest streamTest = {});

    // Fills both lists from the index and resets the form's enabling.
    void open();

    const std::vector<std::string>& completeList() const { return m_complete; }
    const std::vector<std::string>& personalList() const { return m_personal; }
    int completeSelection() const { return m_completeSelection; }
    int personalSelection() const { return m_personalSelection; }
    const Form& form() const { return m_form; }
    const std::string& selectedName() const { return m_selectedName; }

    bool addEnabled() const { return m_addEnabled; }
    bool modifyEnabled() const { return m_modifyEnabled; }
    bool deleteEnabled() const { return m_deleteEnabled; }
    bool logoEditEnabled() const { return m_form.station.logoChecked; }
    bool siteEditEnabled() const { return m_form.station.siteChecked; }
    bool descriptionEditEnabled() const { return m_form.station.descriptionChecked; }

    // Loads the chosen station's page into the form.
    void chooseComplete(int index);
    void choosePersonal(int index);

    // Takes the controls' values (the editor does so on a test and on each
    // edit of the name; adding works on what was taken last).
    void takeForm(const Form& form);
    void setLogoChecked(bool checked) { m_form.station.logoChecked = checked; }
    void setSiteChecked(bool checked) { m_form.station.siteChecked = checked; }
    void setDescriptionChecked(bool checked) { m_form.station.descriptionChecked = checked; }
    // A new name must be tested again; an existing one can be rewritten.
    void editName(const Form& form);
    // Before the logo file dialog opens, and after a choice.
    void beginLogoChoice() { m_addEnabled = false; }
    void chooseLogo(const std::string& path);

    // "TESTER cette radio", "AJOUTER cette radio", "MODIFIER cette radio",
    // "Supprimer": false when refused or failed (the message is shown).
    bool test(const Form& form);
    bool add();
    bool modify(const Form& form);
    bool remove();

    // The moves between the lists.
    void addToPersonal();
    void addAllToPersonal();
    void removeFromPersonal();
    void clearPersonal();

    // Makes the index's active lines match the personal list.
    bool apply();

    // The page file a new station gets: its name with the accents folded to
    // plain letters (case kept), blanks and the characters a file name or a
    // relative address cannot carry made "_", and ".htm"; a number is added
    // when a page of that name already lies in the HTML directory.
    std::string newPageFile(const std::string& name) const;

private:
    void readIndexIntoComplete();
    void error(const char* text, PromptIcon icon = PromptIcon::Exclamation);
    bool nameAcceptable(const std::string& name);

    std::string m_htmlDir;
    Prompt& m_prompt;
    StreamTest m_streamTest;

    std::vector<std::string> m_complete;
    std::vector<std::string> m_personal;
    int m_completeSelection = -1;
    int m_personalSelection = -1;
    Form m_form;
    std::string m_selectedName;
    bool m_addEnabled = false;
    bool m_modifyEnabled = false;
    bool m_deleteEnabled = false;
};
