#include "catalogue/cataloguecommands.h"

#include <memory>

#include <QAction>
#include <QMenu>
#include <QWidget>

#include "catalogue/aboutdialog.h"
#include "catalogue/cataloguetexts.h"
#include "catalogue/favourites.h"
#include "catalogue/favouritesdialog.h"
#include "catalogue/personallistdialog.h"
#include "catalogue/skinmanagerdialog.h"
#include "catalogue/stationsearchdialog.h"
#include "commandids.h"
#include "common/pagename.h"
#include "common/stationindex.h"
#include "common/textfile.h"
#include "common/ui/messageprompt.h"
#include "common/ui/skinloader.h"
#include "common/ui/uitext.h"
#include "texts.h"

namespace {

constexpr int kFixedItems = 6;

// The context's prompt, or message boxes owned by parent.
class ContextPrompt {
public:
    ContextPrompt(QWidget* parent, const CatalogueContext& context)
        : m_prompt(context.prompt)
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

void saveSettingsAndMenu(CatalogueContext& context)
{
    SaveSettings(context.settings, context.installDir, kSettingsFileName,
        context.currentStationPage ? context.currentStationPage() : std::string());
    if (context.favouritesChanged)
        context.favouritesChanged();
}

void playInLive(CatalogueContext& context, const std::string& pagePath)
{
    if (context.navigateLive)
        context.navigateLive(pagePath);
    if (context.stationChanged)
        context.stationChanged();
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

void RunPersonalListEditor(QWidget* parent, CatalogueContext& context)
{
    PersonalListDialog dialog(context.settings.pathHtml, parent, context.prompt,
        { context.beginStreamTest, context.endStreamTest });
    if (context.settings.skin)
        ApplySkin(&dialog);
    if (dialog.exec() == QDialog::Accepted && context.navigateFrame)
        context.navigateFrame(FramePagePath(context.settings), {});
}

void AddCurrentStation(QWidget* parent, CatalogueContext& context)
{
    static const StationPageInfo none;
    const StationPageInfo& current = context.currentStation ? context.currentStation() : none;
    const ContextPrompt prompt(parent, context);
    if (AddCurrentStation(
            context.settings.favourites, current, context.settings.pathHtml, *prompt))
        saveSettingsAndMenu(context);
}

void RandomStation(CatalogueContext& context)
{
    const std::string page
        = PickRandomStation(ReadTextFile(IndexPath(context.settings.pathHtml)), TimeSeededRandom());
    if (!page.empty())
        playInLive(context, context.settings.pathHtml + FileNameOnDisk(page));
}

void OpenFavourite(CatalogueContext& context, int index)
{
    const Favourites& favourites = context.settings.favourites;
    if (index < 0 || index >= favourites.count)
        return;
    playInLive(context, context.settings.pathHtml + FileNameOnDisk(favourites.pages[index]));
}

void RunFavouritesOrganiser(QWidget* parent, CatalogueContext& context)
{
    FavouritesDialog dialog(
        context.settings.pathHtml, context.settings.favourites, parent, context.prompt);
    dialog.exec();
    saveSettingsAndMenu(context);
}

void RunStationSearch(QWidget* parent, CatalogueContext& context)
{
    StationSearchDialog dialog(
        context.settings.pathHtml, context.settings.favourites,
        [&context](const std::string& page) { playInLive(context, page); }, parent, context.prompt);
    const bool hidden = context.isHiddenAway ? context.isHiddenAway()
                                             : (parent == nullptr || !parent->isVisible());
    dialog.placeBeside(parent ? parent->frameGeometry() : QRect(), hidden, context.settings.onTop);
    dialog.exec();
    saveSettingsAndMenu(context);
}

bool RunSkinManager(QWidget* parent, CatalogueContext& context)
{
    SkinManagerDialog dialog(context.settings.pathHtml, context.settings, parent, context.prompt);
    if (context.settings.skin)
        ApplySkin(&dialog);
    dialog.exec();
    if (!dialog.installed())
        return false;
    Settings& settings = context.settings;
    if (context.resizeMainWindow)
        context.resizeMainWindow(settings.width, settings.height);
    if (settings.skin && context.applySkinHue)
        context.applySkinHue(settings.skinHue);
    if (context.navigateFrame) {
        static const StationPageInfo none;
        const StationPageInfo& current = context.currentStation ? context.currentStation() : none;
        context.navigateFrame(FramePagePath(settings), current.pagePath);
    }
    SaveSettings(settings, context.installDir, kSettingsFileName,
        context.currentStationPage ? context.currentStationPage() : std::string());
    return true;
}

void RunAboutDialog(QWidget* parent, CatalogueContext& context)
{
    AboutDialog dialog(ReadAboutTexts(context.installDir, context.settings), parent);
    if (context.settings.skin)
        ApplySkin(&dialog);
    dialog.exec();
}
