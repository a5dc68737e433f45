#include "updatedialog.h"

#include <utility>

#include <QAction>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLinearGradient>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "common/diaglog.h"
#include "common/messages.h"
#include "common/messenger.h"
#include "common/ui/trayicon.h"
#include "common/ui/uitext.h"
#include "common/updatetexts.h"
#include "downloadworkers.h"
#include "updaterprompt.h"
#include "updaterskin.h"

namespace {

// The player is started again once the one told to stop has gone: it is
// looked for this often, this many times.
constexpr int kPlayerGonePollMs = 250;
constexpr int kPlayerGoneTries = 60;

// The left-hand banner: the program's name over a blue gradient.
QPixmap Banner()
{
    QPixmap banner(72, 300);
    QPainter painter(&banner);
    QLinearGradient gradient(0, 0, 0, banner.height());
    gradient.setColorAt(0, QColor(0x1c, 0x3f, 0x8c));
    gradient.setColorAt(1, QColor(0x5b, 0x9b, 0xe6));
    painter.fillRect(banner.rect(), gradient);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPointSize(20);
    font.setBold(true);
    painter.setFont(font);
    painter.translate(banner.width() / 2 + 10, banner.height() - 20);
    painter.rotate(-90);
    painter.drawText(0, 0, QStringLiteral("Sonalto"));
    return banner;
}

} // namespace

UpdateDialog::UpdateDialog(UpdateDialogSetup setup, WindowPrompt& prompt, QWidget* parent)
    : QDialog(parent)
    , m_setup(std::move(setup))
    , m_prompt(prompt)
    , m_installer(m_setup.install, *this, prompt)
    , m_workers(new DownloadWorkers(m_setup.downloads, this))
    , m_tree(new QTreeWidget)
    , m_description(new QGroupBox(Utf8Text(updatetexts::kDescriptionGroup)))
    , m_descriptionTitle(new QLabel(Utf8Text(updatetexts::kDescriptionPlaceholder)))
    , m_descriptionBody(new QLabel(Utf8Text(updatetexts::kDescriptionPlaceholder)))
    , m_count(new QLabel(QStringLiteral("0")))
    , m_countWord(new QLabel(Utf8Text(updatetexts::kCountPlural)))
    , m_mainButton(new QPushButton(Utf8Text(updatetexts::kDownloadButton)))
    , m_cancelButton(new QPushButton(Utf8Text(updatetexts::kCancelButton)))
    , m_status(new QLabel(Utf8Text(updatetexts::kStatusInitial)))
    , m_progress(new QProgressBar)
    , m_serverLabel(new QLabel)
{
    setWindowTitle(Utf8Text(updatetexts::kDialogTitle));
    setWindowIcon(ProgramIcon());
    setWindowFlag(Qt::WindowStaysOnTopHint, true);

    auto* banner = new QLabel;
    banner->setPixmap(Banner());
    banner->setAlignment(Qt::AlignTop);

    m_tree->setHeaderHidden(true);
    m_tree->setRootIsDecorated(false);
    m_tree->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_tree->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_tree->setDragEnabled(false);
    m_tree->setFixedHeight(60);

    m_descriptionTitle->setTextFormat(Qt::PlainText);
    m_descriptionBody->setTextFormat(Qt::PlainText);
    m_descriptionBody->setWordWrap(true);
    m_descriptionBody->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_descriptionBody->setMinimumHeight(60);
    auto* descriptionLayout = new QVBoxLayout(m_description);
    descriptionLayout->addWidget(m_descriptionTitle);
    descriptionLayout->addWidget(m_descriptionBody, 1);

    auto* countRow = new QHBoxLayout;
    countRow->addWidget(m_count);
    countRow->addWidget(m_countWord, 1);

    m_status->setAlignment(Qt::AlignCenter);
    m_status->setTextFormat(Qt::PlainText);
    m_serverLabel->setAlignment(Qt::AlignCenter);
    m_serverLabel->setTextFormat(Qt::PlainText);
    m_progress->setTextVisible(false);
    m_status->hide();
    m_progress->hide();
    m_serverLabel->hide();

    m_mainButton->setDefault(true);
    m_mainButton->setAutoDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_mainButton);
    buttons->addWidget(m_cancelButton);

    auto* heading = new QLabel(Utf8Text(updatetexts::kHeading));
    auto* right = new QVBoxLayout;
    right->addWidget(heading);
    right->addWidget(m_tree);
    right->addWidget(m_description, 1);
    right->addWidget(m_status);
    right->addWidget(m_progress);
    right->addWidget(m_serverLabel);
    right->addLayout(countRow);
    right->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(banner);
    layout->addLayout(right, 1);
    setMinimumWidth(440);

    // The window's own menu (right button) carries the about entry, where
    // the title bar's menu would have it.
    auto* about = new QAction(Utf8Text(updatetexts::kSystemAbout), this);
    addAction(about);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    m_watchdog.setSingleShot(true);
    m_watchdog.setTimerType(Qt::PreciseTimer);
    connect(&m_watchdog, &QTimer::timeout, this, [this] { m_installer.onDownloadTimeout(); });
    connect(m_workers, &DownloadWorkers::finished, this,
        [this](int attempt, bool ok) { m_installer.onFileArrived(attempt, ok); });
    connect(m_mainButton, &QPushButton::clicked, this, &UpdateDialog::pressMainButton);
    connect(m_cancelButton, &QPushButton::clicked, this, &UpdateDialog::reject);
    connect(about, &QAction::triggered, this, &UpdateDialog::showAbout);
    connect(m_tree, &QTreeWidget::itemChanged, this, [this] { updateCount(); });
    connect(m_tree, &QTreeWidget::currentItemChanged, this,
        [this](QTreeWidgetItem* item) { showDescription(item); });

    if (m_setup.skin)
        SkinWindow(this);
    buildItems();
}

UpdateDialog::~UpdateDialog()
{
    m_server.close();
    m_watchdog.stop();
}

void UpdateDialog::setPlayerLauncher(std::function<void(const std::string&)> launcher)
{
    m_launchPlayer = std::move(launcher);
}

void UpdateDialog::setPlayerProbe(std::function<bool()> probe)
{
    m_playerProbe = std::move(probe);
}

void UpdateDialog::buildItems()
{
    const RemoteVersions& remote = m_setup.check.remote;
    auto addItem = [this](const QString& label) {
        auto* item = new QTreeWidgetItem(m_tree, QStringList { label });
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
        return item;
    };
    QSignalBlocker block(m_tree);
    if (m_setup.check.softwareUpdate)
        m_first
            = addItem(Utf8Text(updatetexts::kSoftwareItemPrefix) + UiText(remote.softwareVersion));
    if (m_setup.check.stationListUpdate) {
        QTreeWidgetItem* item = addItem(
            Utf8Text(updatetexts::kStationListItemPrefix) + UiText(remote.stationListVersion));
        (m_first == nullptr ? m_first : m_second) = item;
    }
    m_count->setText(QStringLiteral("0"));
    m_countWord->setText(Utf8Text(updatetexts::kCountSingular));
}

void UpdateDialog::updateCount()
{
    int count = 0;
    for (const QTreeWidgetItem* item : { m_first, m_second }) {
        if (item != nullptr && item->checkState(0) == Qt::Checked)
            ++count;
    }
    m_count->setText(QString::number(count));
    m_countWord->setText(
        Utf8Text(count > 1 ? updatetexts::kCountPlural : updatetexts::kCountSingular));
}

void UpdateDialog::toggleItem(int index)
{
    QTreeWidgetItem* item = index == 0 ? m_first : index == 1 ? m_second : nullptr;
    if (item == nullptr)
        return;
    item->setCheckState(0, item->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

void UpdateDialog::showDescription(QTreeWidgetItem* item)
{
    if (item == nullptr)
        return;
    const QString label = item->text(0);
    const RemoteVersions& remote = m_setup.check.remote;
    auto show
        = [this](const std::string& version, const std::string& date, const std::string& comment) {
              m_descriptionTitle->setText(Utf8Text(updatetexts::kVersionPrefix) + UiText(version)
                  + Utf8Text(updatetexts::kVersionDateSeparator) + UiText(date));
              m_descriptionBody->setText(UiText(ExpandLineBreaks(comment)));
          };
    if (m_setup.check.softwareUpdate && label.contains(Utf8Text(updatetexts::kSoftwareItemMarker)))
        show(remote.softwareVersion, remote.softwareDate, remote.softwareComment);
    if (label.contains(Utf8Text(updatetexts::kStationListItemMarker))
        || !m_setup.check.softwareUpdate)
        show(remote.stationListVersion, remote.stationListDate, remote.stationListComment);
}

void UpdateDialog::pressMainButton()
{
    const QString state = m_mainButton->text();
    if (state == Utf8Text(updatetexts::kFinishButton)) {
        accept();
        return;
    }
    if (state != Utf8Text(updatetexts::kDownloadButton))
        return;
    const bool first = m_first != nullptr && m_first->checkState(0) == Qt::Checked;
    const bool second = m_second != nullptr && m_second->checkState(0) == Qt::Checked;
    const bool software = m_setup.check.softwareUpdate && first;
    const bool stationList = (!m_setup.check.softwareUpdate && first) || second;
    if (!software && !stationList) {
        m_prompt.message(
            updatetexts::kErrorTitle, updatetexts::kNothingSelected, PromptIcon::Exclamation);
        return;
    }
    m_mainButton->setText(Utf8Text(updatetexts::kWaitButton));
    m_description->hide();
    m_progress->show();
    m_status->show();
    m_serverLabel->setText(
        Utf8Text(updatetexts::kServerPrefix) + UiText(ServerName(m_setup.install.server)));
    m_serverLabel->show();
    repaint();
    DiagLog(std::string("install software=") + (software ? "1" : "0")
        + " stations=" + (stationList ? "1" : "0"));
    // A restart still owed by an earlier try is dropped: this installation
    // stops and restarts the player itself.
    ++m_launchGeneration;
    m_pendingLaunch = false;
    // The installation starts from the event loop, once the window shows its
    // progress view.
    QTimer::singleShot(0, this, [this, software, stationList] {
        if (!m_closed)
            m_installer.start(software, stationList);
    });
}

void UpdateDialog::showSelectionView()
{
    m_mainButton->setText(Utf8Text(updatetexts::kDownloadButton));
    m_description->show();
    m_progress->hide();
    m_status->hide();
    m_serverLabel->hide();
    {
        QSignalBlocker block(m_tree);
        for (QTreeWidgetItem* item : { m_first, m_second }) {
            if (item != nullptr)
                item->setCheckState(0, Qt::Unchecked);
        }
    }
    m_count->setText(QStringLiteral("0"));
    m_countWord->setText(Utf8Text(updatetexts::kCountSingular));
    m_descriptionTitle->clear();
    m_descriptionBody->clear();
}

void UpdateDialog::showAbout()
{
    QMessageBox about(this);
    about.setWindowTitle(Utf8Text(updatetexts::kAboutTitle));
    about.setIconPixmap(ProgramIcon().pixmap(32, 32));
    about.setText(Utf8Text(updatetexts::kAboutText));
    about.setStandardButtons(QMessageBox::Ok);
    if (m_setup.skin)
        SkinWindow(&about);
    about.exec();
}

void UpdateDialog::reject()
{
    if (m_mainButton->text() == Utf8Text(updatetexts::kWaitButton)) {
        if (m_prompt.warningQuestion(updatetexts::kLeaveTitle, updatetexts::kLeaveQuestion)
            != PromptAnswer::Yes)
            return;
    }
    QDialog::reject();
}

void UpdateDialog::done(int result)
{
    // Once the dialog ends, the player no longer waits for it.
    m_closed = true;
    m_server.close();
    m_watchdog.stop();
    if (m_installer.installing())
        m_installer.abandon();
    m_workers->abandonAll();
    DiagLog(result == QDialog::Accepted ? "dialog ok" : "dialog cancel");
    QDialog::done(result);
}

void UpdateDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_server.isListening() && !m_closed) {
        CentreOnTop(this);
        listen();
        DiagLog("dialog shown");
    }
}

bool UpdateDialog::listen()
{
    return m_server.listen(kDialogWindowClass, kUpdaterDialogTitle,
        [this](const MessengerRecord& record) { return onMessage(record); });
}

std::int64_t UpdateDialog::onMessage(const MessengerRecord& record)
{
    if (record.kind != MessengerRecord::Kind::Message)
        return 0;
    // Everything but activation runs once the answer has gone out, as a
    // click does.
    switch (record.message) {
    case WM_ACTIVATE:
        raise();
        activateWindow();
        return 1;
    case WM_COMMAND:
        if (record.wParam == updatedialog::kMainButton) {
            QTimer::singleShot(0, this, &UpdateDialog::pressMainButton);
            return 1;
        }
        if (record.wParam == updatedialog::kCancelButton) {
            QTimer::singleShot(0, this, &UpdateDialog::reject);
            return 1;
        }
        return 0;
    case WM_NOTIFY:
        if (record.wParam == updatedialog::kTree && (record.lParam == 0 || record.lParam == 1)) {
            const int index = static_cast<int>(record.lParam);
            QTimer::singleShot(0, this, [this, index] { toggleItem(index); });
            return 1;
        }
        return 0;
    case WM_SYSCOMMAND:
        if ((record.wParam & 0xFFF0) == updatedialog::kAboutCommand) {
            QTimer::singleShot(0, this, &UpdateDialog::showAbout);
            return 1;
        }
        return 0;
    default:
        return 0;
    }
}

QString UpdateDialog::countText() const
{
    return m_count->text();
}

QString UpdateDialog::countWord() const
{
    return m_countWord->text();
}

QString UpdateDialog::descriptionTitle() const
{
    return m_descriptionTitle->text();
}

QString UpdateDialog::descriptionBody() const
{
    return m_descriptionBody->text();
}

QString UpdateDialog::statusText() const
{
    return m_status->text();
}

QString UpdateDialog::serverText() const
{
    return m_serverLabel->text();
}

bool UpdateDialog::progressShown() const
{
    return !m_progress->isHidden();
}

bool UpdateDialog::descriptionShown() const
{
    return !m_description->isHidden();
}

void UpdateDialog::startDownload(
    int attempt, const std::string& address, const std::string& destination)
{
    m_workers->start(attempt, address, destination);
}

void UpdateDialog::abandonDownload(int attempt)
{
    m_workers->abandon(attempt);
}

void UpdateDialog::startWatchdog(int milliseconds)
{
    m_watchdog.start(milliseconds);
}

void UpdateDialog::stopWatchdog()
{
    m_watchdog.stop();
}

void UpdateDialog::setProgressRange(int maximum)
{
    m_progress->setRange(0, maximum);
}

void UpdateDialog::setProgress(int position)
{
    m_progress->setValue(position);
}

void UpdateDialog::showStatus(const std::string& text)
{
    m_status->setText(QString::fromStdString(text));
    DiagLog("status " + text);
}

bool UpdateDialog::playerRunning()
{
    return m_playerProbe ? m_playerProbe() : FindWindow(kPlayerWindowClass, kPlayerWindowTitle);
}

void UpdateDialog::startPlayer(const std::string& option)
{
    // A player told to stop may still be closing: the new one waits for it
    // to be gone, or it would only hand its start to the closing one.
    if (option.empty())
        launchWhenPlayerGone(option, kPlayerGoneTries);
    else if (m_launchPlayer)
        m_launchPlayer(option);
}

void UpdateDialog::launchWhenPlayerGone(const std::string& option, int triesLeft)
{
    m_pendingTries = triesLeft;
    if (triesLeft > 0 && playerRunning()) {
        m_pendingLaunch = true;
        const int generation = m_launchGeneration;
        QTimer::singleShot(kPlayerGonePollMs, this, [this, option, triesLeft, generation] {
            if (generation == m_launchGeneration && m_pendingLaunch)
                launchWhenPlayerGone(option, triesLeft - 1);
        });
        return;
    }
    m_pendingLaunch = false;
    if (m_launchPlayer)
        m_launchPlayer(option);
}

void UpdateDialog::finishPendingLaunch()
{
    if (!m_pendingLaunch)
        return;
    ++m_launchGeneration;
    for (int i = m_pendingTries; i > 0 && playerRunning(); --i)
        QThread::msleep(kPlayerGonePollMs);
    m_pendingLaunch = false;
    DiagLog("player start after the dialog");
    if (m_launchPlayer)
        m_launchPlayer("");
}

void UpdateDialog::installFinished()
{
    m_mainButton->setText(Utf8Text(updatetexts::kFinishButton));
    DiagLog("finished");
}

void UpdateDialog::keepResponsive()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void UpdateDialog::installFailed()
{
    showSelectionView();
    DiagLog("failed");
}
