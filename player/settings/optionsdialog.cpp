#include "settings/optionsdialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QVBoxLayout>

#include "common/ui/messageprompt.h"
#include "common/ui/uitext.h"
#include "playerhost.h"
#include "settings/optionstexts.h"

namespace {

namespace t = optionstexts;

// Control ids of dialog 163.
enum Control : int {
    IdCheckNow = 3,
    IdWidth = 1002,
    IdHeight = 1003,
    IdUpdates = 1004,
    IdSplash = 1005,
    IdDirectory = 1006,
    IdSelect = 1008,
    IdDefault = 1015,
    IdHelp = 1016,
    IdListenButton = 1030,
    IdSaveLastUrl = 1031,
    IdAssignLogo = 1034,
    IdHideTaskbar = 1035,
    IdOnTop = 1037,
    IdSkin = 1038,
    IdRecordingOptions = 1058,
    IdHue = 1062,
    IdChangeAppearance = 1089,
    IdSongNotifications = 1090,
};

template <typename W> W* named(W* widget, int id)
{
    widget->setObjectName(QStringLiteral("id%1").arg(id));
    return widget;
}

} // namespace

OptionsDialog::OptionsDialog(PlayerHost& host, QWidget* parent, Prompt* prompt)
    : QDialog(parent)
    , m_host(host)
    , m_ownPrompt(prompt == nullptr && host.prompt() == nullptr
              ? std::make_unique<MessagePrompt>(this)
              : nullptr)
    , m_model(host,
          prompt != nullptr ? *prompt : (host.prompt() != nullptr ? *host.prompt() : *m_ownPrompt),
          this)
{
    setWindowTitle(Utf8Text(t::kTitle));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    build();
    showFields();
    m_model.opened();
}

OptionsDialog::~OptionsDialog() = default;

void OptionsDialog::build()
{
    // The size fields take digits only; OK checks the range.
    const auto sizeEdit = [this](int id) {
        auto* edit = named(new QLineEdit(this), id);
        edit->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
        edit->setMaxLength(6);
        edit->setFixedWidth(60);
        return edit;
    };
    const auto check = [this](const char* text, int id) {
        return named(new QCheckBox(Utf8Text(text), this), id);
    };
    const auto button = [this](const char* text, int id) {
        auto* b = named(new QPushButton(Utf8Text(text), this), id);
        b->setAutoDefault(false);
        return b;
    };

    // "Options": size, appearance, directory.
    auto* options = new QGroupBox(Utf8Text(t::kOptionsGroup), this);
    auto* optionsLayout = new QGridLayout(options);
    optionsLayout->addWidget(new QLabel(Utf8Text(t::kSizeHeading), options), 0, 0, 1, 4);
    m_height = sizeEdit(IdHeight);
    m_width = sizeEdit(IdWidth);
    optionsLayout->addWidget(new QLabel(Utf8Text(t::kHeightLabel), options), 1, 0);
    optionsLayout->addWidget(m_height, 1, 1);
    optionsLayout->addWidget(new QLabel(Utf8Text(t::kPixels), options), 1, 2);
    optionsLayout->addWidget(new QLabel(Utf8Text(t::kWidthLabel), options), 2, 0);
    optionsLayout->addWidget(m_width, 2, 1);
    optionsLayout->addWidget(new QLabel(Utf8Text(t::kPixels), options), 2, 2);
    auto* defaults = button(t::kDefault, IdDefault);
    auto* appearance = button(t::kChangeAppearance, IdChangeAppearance);
    optionsLayout->addWidget(defaults, 1, 3);
    optionsLayout->addWidget(appearance, 2, 3);
    m_skin = check(t::kSkin, IdSkin);
    optionsLayout->addWidget(m_skin, 3, 0, 1, 4);
    m_hue = named(new QSlider(Qt::Horizontal, this), IdHue);
    m_hue->setRange(0, OptionsModel::kMaxHue);
    m_hue->setTickInterval(OptionsModel::kHueTicks);
    m_hue->setTickPosition(QSlider::TicksBelow);
    m_hue->setPageStep(OptionsModel::kHueTicks * 4);
    optionsLayout->addWidget(new QLabel(Utf8Text(t::kColour), options), 4, 0);
    optionsLayout->addWidget(m_hue, 4, 1, 1, 3);
    optionsLayout->addWidget(new QLabel(Utf8Text(t::kHtmlDirectory), options), 5, 0, 1, 4);
    m_directory = named(new QLineEdit(this), IdDirectory);
    auto* select = button(t::kSelect, IdSelect);
    optionsLayout->addWidget(m_directory, 6, 0, 1, 3);
    optionsLayout->addWidget(select, 6, 3);

    // "Au démarrage": the update check, the splash screen.
    auto* startup = new QGroupBox(Utf8Text(t::kStartupGroup), this);
    auto* startupLayout = new QGridLayout(startup);
    m_updates = check(t::kWeeklyUpdates, IdUpdates);
    auto* checkNow = button(t::kCheckNow, IdCheckNow);
    m_splash = check(t::kSplash, IdSplash);
    startupLayout->addWidget(m_updates, 0, 0);
    startupLayout->addWidget(checkNow, 0, 1);
    startupLayout->addWidget(m_splash, 1, 0, 1, 2);

    // "Divers": the other choices and the recording options.
    auto* misc = new QGroupBox(Utf8Text(t::kMiscGroup), this);
    auto* miscLayout = new QVBoxLayout(misc);
    m_onTop = check(t::kOnTop, IdOnTop);
    m_listenButton = check(t::kListenButton, IdListenButton);
    m_saveLastUrl = check(t::kSaveLastUrl, IdSaveLastUrl);
    m_assignLogo = check(t::kAssignLogo, IdAssignLogo);
    m_hideTaskbar = check(t::kHideTaskbar, IdHideTaskbar);
    m_songNotifications = check(t::kSongNotifications, IdSongNotifications);
    for (QCheckBox* box : { m_onTop, m_listenButton, m_saveLastUrl, m_assignLogo, m_hideTaskbar,
             m_songNotifications })
        miscLayout->addWidget(box);
    auto* recording = button(t::kRecordingOptions, IdRecordingOptions);
    miscLayout->addWidget(recording, 0, Qt::AlignLeft);

    auto* ok = named(new QPushButton(Utf8Text(t::kOk), this), 1);
    ok->setDefault(true);
    auto* cancel = button(t::kCancel, 2);
    auto* help = button(t::kHelp, IdHelp);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(help);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(options);
    layout->addWidget(startup);
    layout->addWidget(misc);
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, &OptionsDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &OptionsDialog::reject);
    connect(help, &QPushButton::clicked, this, [this] { m_model.help(); });
    connect(defaults, &QPushButton::clicked, this, [this] {
        readFields();
        m_model.defaults();
        showFields();
    });
    connect(appearance, &QPushButton::clicked, this, [this] {
        readFields();
        m_model.changeAppearance();
        showFields();
    });
    connect(select, &QPushButton::clicked, this, [this] {
        readFields();
        m_model.folderChosen(m_host.chooseDirectory(this, t::kChooseFolderTitle));
        showFields();
    });
    connect(checkNow, &QPushButton::clicked, this, [this] { m_model.checkForUpdates(); });
    connect(recording, &QPushButton::clicked, this, [this] { m_model.recordingOptions(); });
    connect(m_skin, &QCheckBox::clicked, this, [this](bool ticked) {
        readFields();
        m_skin->setChecked(m_model.skinClicked(ticked));
    });
    connect(m_hue, &QSlider::valueChanged, this, [this](int position) {
        if (m_showing)
            return;
        readFields();
        m_model.sliderMoved(position);
    });
    // The other boxes only copy themselves into the fields.
    for (QCheckBox* box : { m_updates, m_splash, m_onTop, m_listenButton, m_saveLastUrl,
             m_assignLogo, m_hideTaskbar, m_songNotifications })
        connect(box, &QCheckBox::clicked, this, [this] { readFields(); });
}

QWidget* OptionsDialog::control(int id) const
{
    return findChild<QWidget*>(QStringLiteral("id%1").arg(id));
}

void OptionsDialog::showFields()
{
    m_showing = true;
    const OptionsModel::Fields& f = m_model.fields;
    m_height->setText(QString::fromStdString(f.height));
    m_width->setText(QString::fromStdString(f.width));
    m_skin->setChecked(f.skin);
    m_hue->setValue(f.hue);
    m_directory->setText(PathText(f.htmlDirectory));
    m_updates->setChecked(f.updates);
    m_splash->setChecked(f.splashScreen);
    m_onTop->setChecked(f.onTop);
    m_listenButton->setChecked(f.listenButton);
    m_saveLastUrl->setChecked(f.saveLastUrl);
    m_assignLogo->setChecked(f.assignLogo);
    m_hideTaskbar->setChecked(f.hideTaskbar);
    m_songNotifications->setChecked(f.songNotifications);
    m_showing = false;
}

void OptionsDialog::readFields()
{
    OptionsModel::Fields& f = m_model.fields;
    f.height = m_height->text().toStdString();
    f.width = m_width->text().toStdString();
    f.skin = m_skin->isChecked();
    f.hue = m_hue->value();
    f.htmlDirectory = PathBytes(m_directory->text());
    f.updates = m_updates->isChecked();
    f.splashScreen = m_splash->isChecked();
    f.onTop = m_onTop->isChecked();
    f.listenButton = m_listenButton->isChecked();
    f.saveLastUrl = m_saveLastUrl->isChecked();
    f.assignLogo = m_assignLogo->isChecked();
    f.hideTaskbar = m_hideTaskbar->isChecked();
    f.songNotifications = m_songNotifications->isChecked();
}

void OptionsDialog::accept()
{
    readFields();
    int refused = 0;
    if (!m_model.accept(&refused)) {
        if (QWidget* field = control(refused)) {
            field->setFocus();
            if (auto* edit = qobject_cast<QLineEdit*>(field))
                edit->selectAll();
        }
        return;
    }
    QDialog::accept();
}

void OptionsDialog::reject()
{
    m_model.cancel();
    QDialog::reject();
}

void RunOptionsDialog(PlayerHost& host, QWidget* parent)
{
    OptionsDialog dialog(host, parent);
    dialog.exec();
}
