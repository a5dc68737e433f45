#include "catalogue/personallistmodel.h"

#include <algorithm>
#include <array>
#include <utility>

#include "catalogue/cataloguetexts.h"
#include "catalogue/namelist.h"
#include "common/cp1252.h"
#include "common/pagename.h"
#include "common/stationindex.h"
#include "common/textfile.h"
#include "common/updatelisting.h"

namespace texts = catalogue_texts;

namespace {

void capitaliseFirst(std::string& name)
{
    if (!name.empty())
        name[0] = static_cast<char>(cp1252::toUpper(static_cast<unsigned char>(name[0])));
}

// The test flow of GenerateStationPage, answered through the model.
class EditorTester : public StationPageTester {
public:
    EditorTester(Prompt& prompt, const PersonalListModel::StreamTest& streamTest, bool& addEnabled)
        : m_prompt(prompt)
        , m_streamTest(streamTest)
        , m_addEnabled(addEnabled)
    {
    }

    void beginTest(const std::string& pagePath) override
    {
        if (m_streamTest.begin)
            m_streamTest.begin(pagePath);
    }
    bool ask(const std::string& title, const std::string& text) override
    {
        return m_prompt.question(title, text) == PromptAnswer::Yes;
    }
    void setAddEnabled(bool enabled) override { m_addEnabled = enabled; }
    void endTest() override
    {
        if (m_streamTest.end)
            m_streamTest.end();
    }

private:
    Prompt& m_prompt;
    const PersonalListModel::StreamTest& m_streamTest;
    bool& m_addEnabled;
};

} // namespace

PersonalListModel::PersonalListModel(std::string htmlDir, Prompt& prompt, StreamTest streamTest)
    : m_htmlDir(std::move(htmlDir))
    , m_prompt(prompt)
    , m_streamTest(std::move(streamTest))
{
}

void PersonalListModel::open()
{
    readIndexIntoComplete();
    m_personal.clear();
    for (const StationEntry& entry : ListStations(ReadTextFile(IndexPath(m_htmlDir)))) {
        if (entry.active)
            InsertSortedName(m_personal, entry.name);
    }
    m_personalSelection = -1;
    m_form = Form {};
    m_form.station.siteLink = texts::kSiteDefault;
    m_selectedName.clear();
    m_addEnabled = m_modifyEnabled = m_deleteEnabled = false;
}

void PersonalListModel::readIndexIntoComplete()
{
    m_complete.clear();
    for (StationEntry& entry : ListStations(ReadTextFile(IndexPath(m_htmlDir))))
        m_complete.push_back(std::move(entry.name));
    std::stable_sort(m_complete.begin(), m_complete.end(),
        [](const std::string& a, const std::string& b) { return CompareStationNames(a, b) < 0; });
    m_completeSelection = -1;
}

void PersonalListModel::chooseComplete(int index)
{
    if (index < 0 || index >= static_cast<int>(m_complete.size()))
        return;
    m_completeSelection = index;
    // The line of exactly this name: an earlier line whose name only begins
    // with it is another station.
    const StationLine line = FindStationLine(ReadTextFile(IndexPath(m_htmlDir)), m_complete[index]);
    StationPageInfo info;
    if (line.found && line.pageFile != kNotFound && IsSafeRelativePath(line.pageFile))
        ReadStationPage(m_htmlDir + FileNameOnDisk(line.pageFile), info);
    else
        ReadStationPageText({}, info);

    StationForm& station = m_form.station;
    // The list entry's own name is what a deletion looks for: a page that is
    // missing, or titled otherwise, still lets its station go.
    m_selectedName = m_complete[index];
    station.name = info.title;
    m_form.streamLink = info.streamLink;
    m_form.logoPath = m_htmlDir + "logo/" + FileNameOnDisk(info.logoFile);
    station.siteLink = info.siteLink;
    station.description = info.description;
    station.playerType = PlayerType::Auto;

    const auto present
        = [](const std::string& value) { return !value.empty() && value != kNotFound; };
    // The default logo of a page made without a picture is no chosen logo.
    station.logoChecked = present(info.logoFile) && info.logoFile != kDefaultLogoFile;
    if (!station.logoChecked)
        m_form.logoPath.clear();
    station.siteChecked = present(info.siteLink);
    if (!station.siteChecked)
        station.siteLink.clear();
    station.descriptionChecked = present(info.description);
    if (!station.descriptionChecked)
        station.description.clear();

    // Another station is in the form: it is tested again before an add.
    m_addEnabled = false;
    m_modifyEnabled = true;
    m_deleteEnabled = true;
}

void PersonalListModel::choosePersonal(int index)
{
    if (index < 0 || index >= static_cast<int>(m_personal.size()))
        return;
    m_personalSelection = index;
    m_selectedName = m_personal[index];
    m_deleteEnabled = true;
}

void PersonalListModel::takeForm(const Form& form)
{
    m_form = form;
}

void PersonalListModel::editName(const Form& form)
{
    takeForm(form);
    m_modifyEnabled = FindNameNoCase(m_complete, m_form.station.name) >= 0;
    m_addEnabled = false;
}

void PersonalListModel::chooseLogo(const std::string& path)
{
    m_form.logoPath = path;
    m_form.station.logoChecked = true;
}

void PersonalListModel::error(const char* text, PromptIcon icon)
{
    m_prompt.message(texts::kErrorTitle, text, icon);
}

bool PersonalListModel::nameAcceptable(const std::string& name)
{
    if (name.find_first_of("<>") == std::string::npos)
        return true;
    error(texts::kNameHasMarkup);
    return false;
}

std::string PersonalListModel::newPageFile(const std::string& name) const
{
    const std::string base = AsciiPageBase(name);
    std::string file = base + ".htm";
    for (int n = 2; FileExists(m_htmlDir + file); ++n)
        file = base + "_" + std::to_string(n) + ".htm";
    return file;
}

bool PersonalListModel::test(const Form& form)
{
    takeForm(form);
    if (m_form.station.name.empty()) {
        error(texts::kNameForgotten);
        return false;
    }
    if (!nameAcceptable(m_form.station.name))
        return false;
    capitaliseFirst(m_form.station.name);
    EditorTester tester(m_prompt, m_streamTest, m_addEnabled);
    if (!GenerateStationPage(m_htmlDir, m_form.station, m_form.streamLink, m_form.logoPath,
            newPageFile(m_form.station.name), &tester)) {
        m_addEnabled = false;
        error(texts::kPageNotWritten);
        return false;
    }
    return true;
}

bool PersonalListModel::add()
{
    std::string& name = m_form.station.name;
    if (FindNamePrefix(m_complete, name) >= 0) {
        error(texts::kStationExists, PromptIcon::Information);
        return false;
    }
    if (!nameAcceptable(name))
        return false;
    capitaliseFirst(name);
    const std::string pageFile = newPageFile(name);
    if (!GenerateStationPage(
            m_htmlDir, m_form.station, m_form.streamLink, m_form.logoPath, pageFile)) {
        error(texts::kPageNotWritten);
        return false;
    }
    if (!InsertStation(IndexPath(m_htmlDir), name, pageFile)) {
        // The page is new: without its line it would lie there unlisted.
        DeleteFile(m_htmlDir + FileNameOnDisk(pageFile));
        readIndexIntoComplete();
        m_addEnabled = false;
        error(texts::kIndexNotWritten);
        return false;
    }
    // An update leaves the listener's own pages alone.
    RecordListenerPage(m_htmlDir, pageFile);

    readIndexIntoComplete();
    m_completeSelection = FindNamePrefix(m_complete, name);
    addToPersonal();
    return true;
}

bool PersonalListModel::modify(const Form& form)
{
    takeForm(form);
    const std::string text = ReadTextFile(IndexPath(m_htmlDir));
    if (text.empty())
        return false;
    // The index is searched with the name as the list spells it, so that a
    // name typed in another case still finds its own page.
    // Only the line of that very name is rewritten: a line whose name merely
    // begins with it is another station.
    const int entry = FindNameNoCase(m_complete, m_form.station.name);
    const StationLine line
        = FindStationLine(text, entry >= 0 ? m_complete[entry] : m_form.station.name);
    const std::string pageFile = line.found ? line.pageFile : std::string(kNotFound);
    if (pageFile == kNotFound) {
        error(texts::kStationNotFound);
        return false;
    }
    if (!GenerateStationPage(
            m_htmlDir, m_form.station, m_form.streamLink, m_form.logoPath, pageFile)) {
        error(texts::kPageNotWritten);
        return false;
    }
    RecordListenerPage(m_htmlDir, pageFile);
    m_completeSelection = FindNamePrefix(m_complete, m_form.station.name);
    return true;
}

bool PersonalListModel::remove()
{
    if (m_selectedName.empty())
        return false;
    if (FindNamePrefix(m_complete, m_selectedName) < 0) {
        error(texts::kStationNotFound);
        return false;
    }
    if (m_prompt.question(texts::kConfirmTitle, texts::kConfirmDelete) != PromptAnswer::Yes)
        return false;
    const RemovalResult removal = RemoveStation(IndexPath(m_htmlDir), m_selectedName);
    if (!removal.lineRemoved) {
        // The index is as it was, and so are the lists.
        error(texts::kIndexNotWritten);
        return false;
    }

    m_complete.erase(m_complete.begin() + FindNamePrefix(m_complete, m_selectedName));
    const int personal = FindNamePrefix(m_personal, m_selectedName);
    if (personal >= 0)
        m_personal.erase(m_personal.begin() + personal);
    m_completeSelection = m_personalSelection = -1;
    m_selectedName.clear();
    // Nothing is chosen any more: the buttons that act on the chosen
    // station wait for the next choice.
    m_deleteEnabled = m_modifyEnabled = m_addEnabled = false;
    return true;
}

void PersonalListModel::addToPersonal()
{
    if (m_completeSelection < 0 || m_completeSelection >= static_cast<int>(m_complete.size()))
        return;
    const std::string& name = m_complete[m_completeSelection];
    if (FindNamePrefix(m_personal, name) < 0)
        InsertSortedName(m_personal, name);
}

void PersonalListModel::addAllToPersonal()
{
    m_personal.clear();
    for (const std::string& name : m_complete)
        InsertSortedName(m_personal, name);
    m_personalSelection = -1;
}

void PersonalListModel::removeFromPersonal()
{
    if (m_personalSelection < 0 || m_personalSelection >= static_cast<int>(m_personal.size()))
        return;
    m_personal.erase(m_personal.begin() + m_personalSelection);
    m_personalSelection = -1;
}

void PersonalListModel::clearPersonal()
{
    m_personal.clear();
    m_personalSelection = -1;
}

bool PersonalListModel::apply()
{
    if (ApplyPersonalList(IndexPath(m_htmlDir), m_complete,
            [this](const std::string& name) { return FindNamePrefix(m_personal, name) >= 0; }))
        return true;
    error(texts::kIndexNotWritten);
    return false;
}
