#include "schedulerwindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "autostart.h"
#include "common/settings.h"
#include "common/stationindex.h"
#include "common/textfile.h"
#include "common/ui/messageprompt.h"
#include "common/ui/skinloader.h"
#include "common/ui/trayicon.h"
#include "common/ui/uitext.h"
#include "texts.h"

void ReadPlayerSettings(SchedulerSetup& setup)
{
    SharedSettings stored;
    if (!LoadSharedSettings(stored, setup.installDir, kSettingsFileName)) {
        setup.htmlDir = setup.installDir + kInstalledHtmlDir;
        setup.hue = kDefaultSkinHue;
        return;
    }
    // Both as stored: an empty directory stays empty, a hue of 0 stays 0.
    setup.htmlDir = stored.pathHtml;
    setup.hue = stored.skinHue;
}

bool ReadStationList(
    const std::string& htmlDir, std::vector<std::string>& names, std::vector<std::string>& pages)
{
    names.clear();
    pages.clear();
    const std::string path = htmlDir + "haut.htm";
    if (!FileExists(path))
        return false;
    for (const StationEntry& station : ListStations(ReadTextFile(path))) {
        names.push_back(station.name);
        pages.push_back(station.pageFile);
    }
    return true;
}

SchedulerWindow::SchedulerWindow(
    SchedulerSetup setup, SchedulerCore* core, Prompt* prompt, QWidget* parent)
    : QDialog(parent)
    , m_setup(std::move(setup))
    , m_core(core)
    , m_ownPrompt(prompt == nullptr ? std::make_unique<MessagePrompt>(this) : nullptr)
    , m_prompt(prompt == nullptr ? m_ownPrompt.get() : prompt)
    , m_play(new QRadioButton(Utf8Text(texts::kPlay)))
    , m_record(new QRadioButton(Utf8Text(texts::kRecord)))
    , m_start(new QTimeEdit)
    , m_end(new QTimeEdit)
    , m_daily(new QRadioButton(Utf8Text(texts::kDaily)))
    , m_thisDay(new QRadioButton(Utf8Text(texts::kThisDay)))
    , m_date(new QDateEdit)
    , m_stations(new QComboBox)
    , m_list(new QTreeWidget)
    , m_startUp(new QCheckBox(Utf8Text(texts::kStartUp)))
    , m_tray(new TrayIcon(this))
    , m_trayMenu(new QMenu(this))
{
    setWindowTitle(Utf8Text(texts::kWindowTitle));
    setWindowIcon(ProgramIcon());
    setWindowFlag(Qt::WindowMinimizeButtonHint, true);
    m_core->setParent(this);

    m_start->setDisplayFormat("HH:mm:ss");
    m_end->setDisplayFormat("HH:mm:ss");
    m_date->setDisplayFormat("dd/MM/yy");
    m_date->setCalendarPopup(true);
    // The file keeps two digits of the year: dates stay within 2000-2099.
    m_date->setDateRange(QDate(2000, 1, 1), QDate(2099, 12, 31));
    m_stations->setEditable(true);
    m_stations->setInsertPolicy(QComboBox::NoInsert);

    auto* actionGroup = new QWidget;
    auto* actionLayout = new QHBoxLayout(actionGroup);
    actionLayout->setContentsMargins(0, 0, 0, 0);
    actionLayout->addWidget(m_play);
    actionLayout->addWidget(m_record);
    auto* periodGroup = new QWidget;
    auto* periodLayout = new QHBoxLayout(periodGroup);
    periodLayout->setContentsMargins(0, 0, 0, 0);
    periodLayout->addWidget(m_daily);
    periodLayout->addWidget(m_thisDay);
    periodLayout->addWidget(m_date);

    auto* add = new QPushButton(Utf8Text(texts::kAdd));
    auto* remove = new QPushButton(Utf8Text(texts::kDelete));
    auto* box = new QGroupBox(Utf8Text(texts::kGroup));
    auto* grid = new QGridLayout(box);
    grid->addWidget(new QLabel(Utf8Text(texts::kActionLabel)), 0, 0);
    grid->addWidget(actionGroup, 0, 1);
    grid->addWidget(new QLabel(Utf8Text(texts::kStartLabel)), 1, 0);
    grid->addWidget(m_start, 1, 1);
    grid->addWidget(new QLabel(Utf8Text(texts::kEndLabel)), 2, 0);
    grid->addWidget(m_end, 2, 1);
    grid->addWidget(new QLabel(Utf8Text(texts::kPeriodicityLabel)), 3, 0);
    grid->addWidget(periodGroup, 3, 1);
    grid->addWidget(new QLabel(Utf8Text(texts::kStationLabel)), 4, 0);
    grid->addWidget(m_stations, 4, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    grid->addLayout(buttons, 5, 0, 1, 2);

    m_list->setColumnCount(6);
    m_list->setRootIsDecorated(false);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    QStringList headers;
    for (const char* header : texts::kColumnHeaders)
        headers << Utf8Text(header);
    m_list->setHeaderLabels(headers);
    for (int column = 0; column < 6; ++column) {
        m_list->setColumnWidth(column, texts::kColumnWidths[column]);
        m_list->headerItem()->setTextAlignment(column, Qt::AlignCenter);
    }

    auto* ok = new QPushButton(Utf8Text(texts::kOk));
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_startUp);
    bottom->addStretch();
    bottom->addWidget(ok);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(box);
    layout->addWidget(m_list);
    layout->addLayout(bottom);

    m_tray->setIcon(ProgramIcon());
    m_tray->setToolTip(Utf8Text(texts::kTrayTip).left(127));
    QAction* about
        = m_trayMenu->addAction(MenuPictureIcon(MenuPicture::About), Utf8Text(texts::kMenuAbout));
    m_trayMenu->setDefaultAction(about);
    QAction* options = m_trayMenu->addAction(
        MenuPictureIcon(MenuPicture::Options), Utf8Text(texts::kMenuOptions));
    m_trayMenu->addSeparator();
    QAction* quitAction
        = m_trayMenu->addAction(MenuPictureIcon(MenuPicture::Quit), Utf8Text(texts::kMenuQuit));
    StylePopupMenu(m_trayMenu);
    // The window's own menu (right button on the window) carries the about
    // entry, where the title bar menu would have it.
    auto* systemAbout = new QAction(Utf8Text(texts::kSystemAbout), this);
    addAction(systemAbout);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    connect(add, &QPushButton::clicked, this, &SchedulerWindow::addSlot);
    connect(remove, &QPushButton::clicked, this, &SchedulerWindow::deleteSlot);
    connect(ok, &QPushButton::clicked, this, &SchedulerWindow::hideToTray);
    connect(m_startUp, &QCheckBox::toggled, this, &SchedulerWindow::startUpToggled);
    connect(about, &QAction::triggered, this, &SchedulerWindow::showAbout);
    connect(systemAbout, &QAction::triggered, this, &SchedulerWindow::showAbout);
    connect(options, &QAction::triggered, this, &SchedulerWindow::restoreFromTray);
    connect(quitAction, &QAction::triggered, this, &SchedulerWindow::quit);
    connect(m_tray, &TrayIcon::doubleClicked, this, &SchedulerWindow::restoreFromTray);
    connect(m_tray, &TrayIcon::menuRequested, this, &SchedulerWindow::showTrayMenu);
    // Desktops that show the icon's menu themselves get the same entries
    // (the new menu only lists them: they stay the tray menu's).
    m_tray->setMenuBuilder([this] {
        auto* menu = new QMenu;
        menu->addActions(m_trayMenu->actions());
        return menu;
    });
    connect(m_core, &SchedulerCore::rowsChanged, this, &SchedulerWindow::refreshList);
    connect(m_core, &SchedulerCore::slotMissed, this, &SchedulerWindow::reportMissed);
    // A one-time slot that ran or was missed is gone from the file at once,
    // so that a logout does not bring it back as missed.
    connect(m_core, &SchedulerCore::listShortened, this,
        [this] { m_core->save(schedulePath(), launchStartUp()); });
    connect(m_core, &SchedulerCore::stationMissing, this, [this](const QString& station) {
        m_tray->notify(
            Utf8Text(texts::kStationMissingTitle), Utf8Text(texts::kStationMissing).arg(station));
    });
}

SchedulerWindow::~SchedulerWindow()
{
    // Every way of ending saves the schedule.
    if (!m_saved)
        m_core->save(schedulePath(), launchStartUp());
}

void SchedulerWindow::initialise()
{
    std::vector<std::string> names;
    ReadStationList(m_setup.htmlDir, names, m_stationPages);
    m_core->setStations(names, m_stationPages);
    for (const std::string& name : names)
        m_stations->addItem(UiText(name));
    m_stations->setCurrentIndex(names.empty() ? -1 : 0);

    const LoadedSchedule loaded = m_core->load(schedulePath());
    for (const MissedSlot& missed : loaded.missed)
        reportMissed(missed.row);
    applyDefaults();

    const bool startUp = loaded.found ? loaded.launchStartUp : true;
    {
        const QSignalBlocker blocker(m_startUp);
        m_startUp->setChecked(startUp);
    }
    if (startUp)
        CreateStartupShortcut(m_setup.installDir, m_setup.autostartDir);
    else
        DeleteStartupShortcut(m_setup.autostartDir);
    refreshList();
}

void SchedulerWindow::reportMissed(const ScheduleRow& row)
{
    const QString text = Utf8Text(texts::kMissedHead) + UiText(row.periodicity) + " - "
        + UiText(row.start) + " -> " + UiText(row.end) + " \n     " + UiText(row.action) + " de "
        + UiText(row.station) + Utf8Text(texts::kMissedTail);
    m_prompt->message(texts::kMissedCaption, text.toStdString(), PromptIcon::Exclamation);
}

bool SchedulerWindow::launchStartUp() const
{
    return m_startUp->isChecked();
}

void SchedulerWindow::applyDefaults()
{
    const std::time_t now = m_core->now();
    const ClockTime current = TimeOf(now);
    const std::time_t start = now + 600 - current.second;
    const std::time_t end = now + 4200 - current.second;
    SlotEntry entry;
    entry.record = false;
    entry.daily = false;
    entry.date = DayOf(now);
    entry.start = TimeOf(start);
    entry.end = TimeOf(end);
    setEntry(entry);
}

SlotEntry SchedulerWindow::entry() const
{
    SlotEntry entry;
    entry.record = m_record->isChecked();
    entry.daily = m_daily->isChecked();
    const QTime start = m_start->time();
    const QTime end = m_end->time();
    const QDate date = m_date->date();
    entry.start = { start.hour(), start.minute(), start.second() };
    entry.end = { end.hour(), end.minute(), end.second() };
    entry.date = { date.year(), date.month(), date.day() };
    return entry;
}

void SchedulerWindow::setEntry(const SlotEntry& entry)
{
    m_play->setChecked(!entry.record);
    m_record->setChecked(entry.record);
    m_daily->setChecked(entry.daily);
    m_thisDay->setChecked(!entry.daily);
    m_start->setTime(QTime(entry.start.hour, entry.start.minute, entry.start.second));
    m_end->setTime(QTime(entry.end.hour, entry.end.minute, entry.end.second));
    m_date->setDate(QDate(entry.date.year, entry.date.month, entry.date.day));
}

void SchedulerWindow::refreshList()
{
    m_list->clear();
    for (const ScheduleRow& row : m_core->rows()) {
        auto* item = new QTreeWidgetItem(m_list,
            { UiText(row.mark), UiText(row.action), UiText(row.start), UiText(row.end),
                UiText(row.periodicity), UiText(row.station) });
        for (int column = 0; column < 6; ++column)
            item->setTextAlignment(column, Qt::AlignCenter);
    }
}

void SchedulerWindow::refuse(const QString& text)
{
    m_prompt->message(texts::kErrorCaption, text.toStdString(), PromptIcon::Exclamation);
}

void SchedulerWindow::addSlot()
{
    // The row takes the text of a chosen entry of the list; a name typed
    // into the box that is no entry is refused.
    int chosen = m_stations->currentIndex();
    // A name typed in full is that entry, even when the box's completion
    // did not move its selection.
    if (chosen < 0 || m_stations->currentText() != m_stations->itemText(chosen))
        chosen = m_stations->findText(m_stations->currentText(), Qt::MatchFixedString);
    if (chosen < 0) {
        refuse(Utf8Text(texts::kNoStation));
        return;
    }
    const SlotEntry slot = entry();
    const std::vector<ScheduleRow>& rows = m_core->rows();
    const EntryCheck check = CheckEntry(slot, rows, m_core->now());
    switch (check.refusal) {
    case EntryRefusal::DateBeforeToday:
        refuse(Utf8Text(texts::kDateBefore));
        return;
    case EntryRefusal::StartBeforeNow:
        refuse(Utf8Text(texts::kTimeBefore));
        return;
    case EntryRefusal::Overlap: {
        const ScheduleRow& other = rows[static_cast<std::size_t>(check.overlapRow)];
        refuse(Utf8Text(texts::kOverlapHead) + UiText(other.periodicity) + " - "
            + UiText(other.start) + " -> " + UiText(other.end) + " \n     " + UiText(other.action)
            + " de " + UiText(other.station));
        return;
    }
    case EntryRefusal::None:
        break;
    }
    m_core->addRow(RowFromEntry(slot, FileText(m_stations->itemText(chosen))));
    m_core->save(schedulePath(), launchStartUp());
}

void SchedulerWindow::deleteSlot()
{
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    if (!selected.isEmpty())
        m_core->deleteRow(m_list->indexOfTopLevelItem(selected.front()));
    m_core->save(schedulePath(), launchStartUp());
}

void SchedulerWindow::hideToTray()
{
    // Without a notification area a hidden window could not be reached:
    // it stays on the task bar, minimised.
    if (!TrayIcon::isAvailable()) {
        if (!isMinimized())
            showMinimized();
        return;
    }
    hide();
    m_tray->add();
}

void SchedulerWindow::restoreFromTray()
{
    showNormal();
    raise();
    activateWindow();
    m_tray->remove();
}

void SchedulerWindow::quit()
{
    m_core->save(schedulePath(), launchStartUp());
    m_saved = true;
    m_tray->remove();
    done(QDialog::Accepted);
}

void SchedulerWindow::startUpToggled(bool checked)
{
    if (checked)
        CreateStartupShortcut(m_setup.installDir, m_setup.autostartDir);
    else
        DeleteStartupShortcut(m_setup.autostartDir);
}

void SchedulerWindow::showAbout()
{
    QMessageBox about(this);
    about.setWindowTitle(Utf8Text(texts::kAboutTitle));
    about.setIconPixmap(ProgramIcon().pixmap(32, 32));
    about.setText(Utf8Text(texts::kAboutText));
    about.setStandardButtons(QMessageBox::Ok);
    ApplySkin(&about);
    about.exec();
}

void SchedulerWindow::showTrayMenu(const QPoint& at)
{
    m_trayMenu->popup(at);
}

void SchedulerWindow::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized())
        hideToTray();
}

void SchedulerWindow::closeEvent(QCloseEvent* event)
{
    m_core->save(schedulePath(), launchStartUp());
    m_saved = true;
    m_tray->remove();
    QDialog::closeEvent(event);
}

void SchedulerWindow::reject()
{
    // Escape and the close box end the program, saving first.
    m_core->save(schedulePath(), launchStartUp());
    m_saved = true;
    m_tray->remove();
    QDialog::reject();
}
