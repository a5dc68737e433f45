#include "catalogue/cataloguecommands.h"

#include <memory>

#include <QAction>
#include <QMenu>
#include <QWidget>

#include "catalogue/aboutdialog.h"
#include "catalogue/cataloguetexts.h"
#include "catalogue/directorydialog.h"
#include "catalogue/favourites.h"
#include "catalogue/favouritesdialog.h"
#include "catalogue/personallistdialog.h"
#include "catalogue/skinmanagerdialog.h"
#include "catalogue/stationsearchdialog.h"
#include "commandids.h"
#include "common/directoryfetch.h"
#include "common/pagename.h"
#include "common/profile.h"
#include "common/stationindex.h"
#include "common/textfile.h"
#include "common/ui/messageprompt.h"
#include "common/ui/skinloader.h"
#include "common/ui/uitext.h"
#include "playerhost.h"
#include "texts.h"

namespace {

constexpr int kFixedItems = 6;

// The host's prompt, or message boxes owned by parent.
class HostPrompt {
public:
    HostPrompt(QWidget* parent, const PlayerHost& host)
        : m_prompt(host.prompt())
    {
        if (m_prompt == nullptr) {
            m_own = std::make_unique<MessagePrompt>(parent);
            m_prompt = m_own.get();
        }
    }
    Prompt& operator*() const { return *m_prompt; }
    Prompt* get() const { return m_prompt; }

private:
    std::unique_ptr<MessagePrompt> m_own;
    Prompt* m_prompt;
};

void saveSettingsAndMenu(PlayerHost& host)
{
    host.saveSettings();
    host.favouritesChanged();
}

QAction* addCommand(QMenu* popup, const char* text, int id)
{
    QAction* action = popup->addAction(Utf8Text(text));
    action->setData(id);
    return action;
}

} // namespace

std::string FramePagePath(const Settings& settings)
{
    return settings.pathHtml + (settings.miniPlayer ? "indexmini.htm" : "index.htm");
}

void RebuildFavouritesMenu(QMenu* popup, const Favourites& favourites)
{
    if (popup->actions().size() < kFixedItems) {
        popup->clear();
        addCommand(popup, texts::kMenuRandom, cmd::RandomStation);
        popup->addSeparator();
        addCommand(popup, texts::kMenuOrganise, cmd::OrganiseFavourites);
        addCommand(popup, texts::kMenuSearch, cmd::SearchStations);
        addCommand(popup, texts::kMenuAddStation, cmd::AddCurrentStation);
        popup->addSeparator();
    }
    const QList<QAction*> items = popup->actions();
    for (qsizetype i = kFixedItems; i < items.size(); ++i) {
        popup->removeAction(items[i]);
        delete items[i];
    }
    if (favourites.count == 0) {
        popup->addAction(Utf8Text(catalogue_texts::kEmptyMenu))->setEnabled(false);
        return;
    }
    for (int i = 0; i < favourites.count && i < Favourites::kMax; ++i) {
        // A "&" in a station name is shown, not taken as a shortcut mark.
        QAction* action = popup->addAction(UiText(favourites.names[i]).replace('&', "&&"));
        action->setData(cmd::FirstFavourite + i);
    }
}

void RunPersonalListEditor(QWidget* parent, PlayerHost& host)
{
    const Settings& settings = host.settings();
    PersonalListDialog dialog(settings.pathHtml, parent, host.prompt(),
        { [&host](const std::string& page) { host.beginStreamTest(page); },
            [&host] { host.endStreamTest(); } });
    if (settings.skin)
        ApplySkin(&dialog);
    if (dialog.exec() == QDialog::Accepted)
        host.loadFramePage(FramePagePath(settings), {});
}

void AddCurrentStation(QWidget* parent, PlayerHost& host)
{
    const HostPrompt prompt(parent, host);
    const Settings& settings = host.settings();
    if (AddCurrentStation(
            host.settings().favourites, host.currentStation(), settings.pathHtml, *prompt))
        saveSettingsAndMenu(host);
}

void RandomStation(PlayerHost& host)
{
    const std::string& html = host.settings().pathHtml;
    const std::string page = PickRandomStation(ReadTextFile(IndexPath(html)), TimeSeededRandom());
    if (!page.empty())
        host.playInLive(html + FileNameOnDisk(page));
}

void OpenFavourite(PlayerHost& host, int index)
{
    const Settings& settings = host.settings();
    const Favourites& favourites = settings.favourites;
    if (index < 0 || index >= favourites.count)
        return;
    host.playInLive(settings.pathHtml + FileNameOnDisk(favourites.pages[index]));
}

void RunFavouritesOrganiser(QWidget* parent, PlayerHost& host)
{
    Settings& settings = host.settings();
    FavouritesDialog dialog(settings.pathHtml, settings.favourites, parent, host.prompt());
    dialog.exec();
    saveSettingsAndMenu(host);
}

void RunStationSearch(QWidget* parent, PlayerHost& host)
{
    Settings& settings = host.settings();
    StationSearchDialog dialog(
        settings.pathHtml, settings.favourites,
        [&host](const std::string& page) { host.playInLive(page); }, parent, host.prompt());
    dialog.placeBeside(
        parent ? parent->frameGeometry() : QRect(), host.isHiddenAway(), settings.onTop);
    dialog.exec();
    saveSettingsAndMenu(host);
}

void RunStationDirectory(QWidget* parent, PlayerHost& host)
{
    const Settings& settings = host.settings();
    Profile ini;
    ini.load(host.installDir() + kSettingsFileName);
    const std::string servers
        = ini.get("Sonalto", kDirectoryServersKey, kDefaultDirectoryServers, 4096);
    DirectoryDialog dialog(settings.pathHtml, servers,
        { [&host](const std::string& page) { host.beginStreamTest(page); },
            [&host] { host.endStreamTest(); },
            [&host, &settings] {
                // The drop-down is rebuilt from the index, as after the editor.
                host.loadFramePage(FramePagePath(settings), {});
            } },
        parent, host.prompt());
    if (settings.skin)
        ApplySkin(&dialog);
    dialog.exec();
}

bool RunSkinManager(QWidget* parent, PlayerHost& host)
{
    Settings& settings = host.settings();
    SkinManagerDialog dialog(settings.pathHtml, settings, parent, host.prompt());
    if (settings.skin)
        ApplySkin(&dialog);
    dialog.exec();
    if (!dialog.installed())
        return false;
    host.placeMainWindow();
    if (settings.skin)
        host.setSkinHue(settings.skinHue);
    host.loadFramePage(FramePagePath(settings), host.currentStation().pagePath);
    host.saveSettings();
    return true;
}

void RunAboutDialog(QWidget* parent, PlayerHost& host)
{
    const Settings& settings = host.settings();
    AboutDialog dialog(ReadAboutTexts(host.installDir(), settings), parent);
    if (settings.skin)
        ApplySkin(&dialog);
    dialog.exec();
}

bool RunCatalogueCommand(int id, QWidget* parent, PlayerHost& host)
{
    switch (id) {
    case cmd::Personalise:
        RunPersonalListEditor(parent, host);
        return true;
    case cmd::RandomStation:
        RandomStation(host);
        return true;
    case cmd::OrganiseFavourites:
        RunFavouritesOrganiser(parent, host);
        return true;
    case cmd::SearchStations:
        RunStationSearch(parent, host);
        return true;
    case cmd::AddCurrentStation:
        AddCurrentStation(parent, host);
        return true;
    case cmd::StationDirectory:
        RunStationDirectory(parent, host);
        return true;
    case cmd::About:
        RunAboutDialog(parent, host);
        return true;
    default:
        if (id < cmd::FirstFavourite || id > cmd::LastFavourite)
            return false;
        OpenFavourite(host, id - cmd::FirstFavourite);
        return true;
    }
}
