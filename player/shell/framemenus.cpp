#include "shell/framemenus.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>

#include "catalogue/cataloguecommands.h"
#include "commandids.h"
#include "common/messages.h"
#include "common/settings.h"
#include "common/ui/trayicon.h"
#include "common/ui/uitext.h"
#include "texts.h"

namespace {

// Switches between the normal and the mini layouts.
constexpr auto kMiniModeKey = Qt::CTRL | Qt::Key_M;

} // namespace

QMenu* BuildMenuBar(QMainWindow* window, const Settings& settings, bool recording,
    const std::function<void(int id)>& onCommand)
{
    QMenuBar* bar = window->menuBar();
    bar->clear();
    const auto addItem = [&](const char* text, int id) {
        QAction* action = bar->addAction(Utf8Text(text));
        action->setData(id);
        QObject::connect(action, &QAction::triggered, window, [onCommand, id] { onCommand(id); });
    };
    addItem(texts::kMenuOptions, cmd::Options);
    // "Perso": the personal list editor and the station directory.
    QMenu* perso = bar->addMenu(Utf8Text(texts::kMenuPerso));
    perso->addAction(Utf8Text(texts::kPopupPersonalise))->setData(cmd::Personalise);
    perso->addAction(Utf8Text(texts::kMenuDirectory))->setData(cmd::StationDirectory);
    perso->addAction(Utf8Text(texts::kMenuJournal))->setData(cmd::SongJournal);
    QObject::connect(perso, &QMenu::triggered, window,
        [onCommand](QAction* action) { onCommand(action->data().toInt()); });
    // The favourites pop-up carries its fixed items and one item per
    // favourite, each with its command id as data.
    QMenu* favourites = bar->addMenu(Utf8Text(texts::kMenuFavourites));
    RebuildFavouritesMenu(favourites, settings.favourites);
    QObject::connect(favourites, &QMenu::triggered, window, [onCommand](QAction* action) {
        if (action->data().isValid())
            onCommand(action->data().toInt());
    });
    addItem(recording ? texts::kMenuStop : texts::kMenuRec, cmd::ToggleRecording);
    addItem(texts::kMenuHelp, cmd::Help);
    addItem(texts::kMenuAbout, cmd::About);
    addItem(texts::kMenuQuit, cmd::Quit);
    return favourites;
}

QMenu* BuildSystemMenu(QMainWindow* window, const std::function<void(int id)>& onSysCommand)
{
    auto* menu = new QMenu(window);
    const auto addItem = [&](const char* text, int id) {
        QAction* action = menu->addAction(Utf8Text(text));
        action->setData(id);
        QObject::connect(
            action, &QAction::triggered, window, [onSysCommand, id] { onSysCommand(id); });
    };
    addItem(texts::kSysOptions, cmd::Options);
    addItem(texts::kSysPersonalise, cmd::Personalise);
    menu->addSeparator();
    addItem(texts::kSysScheduler, cmd::StartScheduler);
    menu->addSeparator();
    addItem(texts::kSysHelp, cmd::Help);
    addItem(texts::kSysAbout, cmd::About);
    menu->addSeparator();
    addItem(texts::kSysQuit, static_cast<int>(SC_CLOSE));

    QMenuBar* bar = window->menuBar();
    bar->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(bar, &QWidget::customContextMenuRequested, window,
        [menu, bar](const QPoint& at) { menu->popup(bar->mapToGlobal(at)); });
    auto* shortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), window);
    QObject::connect(shortcut, &QShortcut::activated, window,
        [menu, window] { menu->popup(window->frameGeometry().topLeft()); });
    return menu;
}

void AddMiniModeItem(
    QMainWindow* window, QMenu* systemMenu, const std::function<void(int id)>& onSysCommand)
{
    // The normal window has a fixed size, and window managers offer no
    // maximise box for such a window: its toggle of the layouts is in the
    // system menu, and on a key that works in both layouts.
    QAction* miniMode = new QAction(Utf8Text(texts::kSysMiniMode), systemMenu);
    miniMode->setData(static_cast<int>(SC_MAXIMIZE));
    miniMode->setShortcut(QKeySequence(kMiniModeKey));
    miniMode->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(
        miniMode, &QAction::triggered, window, [onSysCommand] { onSysCommand(SC_MAXIMIZE); });
    QAction* first = systemMenu->actions().value(0);
    systemMenu->insertAction(first, miniMode);
    systemMenu->insertSeparator(first);
    window->addAction(miniMode);
}

void AddPopupToMenuBar(
    QMainWindow* window, QMenuBar* secondRow, const std::function<QMenu*()>& buildPopup)
{
    secondRow->clear();
    // Without a notification area the pop-up's commands ("&Mute", "REC
    // Planifié", "Informations"...) would be out of reach: the bar then ends
    // with the program's icon, which opens the same pop-up.
    if (TrayIcon::isAvailable())
        return;
    QAction* popup = window->menuBar()->addAction(ProgramIcon(), QString());
    popup->setToolTip(Utf8Text(texts::kProgramTitle));
    QObject::connect(popup, &QAction::triggered, window, [window, secondRow, popup, buildPopup] {
        QMenuBar* row
            = window->menuBar()->actions().contains(popup) ? window->menuBar() : secondRow;
        QMenu* menu = buildPopup();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(row->mapToGlobal(row->actionGeometry(popup).bottomLeft()));
    });
}

namespace {

QAction* findIn(const QList<QAction*>& actions, int id)
{
    for (QAction* action : actions) {
        if (QMenu* menu = action->menu()) {
            if (QAction* item = findIn(menu->actions(), id))
                return item;
        } else if (!action->isSeparator() && action->data().toInt() == id) {
            return action;
        }
    }
    return nullptr;
}

} // namespace

QAction* FindMenuAction(const QMenuBar* bar, int id)
{
    return findIn(bar->actions(), id);
}

QMenu* FindBarMenu(const QMenuBar* bar, const char* title)
{
    for (QAction* action : bar->actions())
        if (action->menu() != nullptr && action->text() == Utf8Text(title))
            return action->menu();
    return nullptr;
}
