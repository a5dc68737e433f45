#include "recording/recordingoptions.h"

#include <gst/gst.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QUrl>
#include <QVBoxLayout>

#include "common/recorderpreset.h"
#include "common/settings.h"
#include "common/ui/skinloader.h"
#include "recording/recorderlaunch.h"
#include "common/ui/uitext.h"
#include "recording/recordingtexts.h"

namespace {

// The page opened by "Aide", in the HTML directory.
constexpr const char* kHelpPage = "aide/aiderec.htm";

} // namespace

bool Mp3EncoderAvailable()
{
    if (!gst_is_initialized())
        gst_init(nullptr, nullptr);
    GstElementFactory* factory = gst_element_factory_find("lamemp3enc");
    if (factory == nullptr)
        return false;
    gst_object_unref(factory);
    return true;
}

RecordingOptionsDialog::RecordingOptionsDialog(Settings& settings, std::string installDir,
    std::string currentStationPage, bool mp3Available, QWidget* parent)
    : QDialog(parent)
    , m_settings(settings)
    , m_installDir(std::move(installDir))
    , m_currentStationPage(std::move(currentStationPage))
    , m_model(settings, mp3Available)
{
    setWindowTitle(Utf8Text(rectexts::kDialogTitle));

    auto* fileGroup = new QGroupBox(Utf8Text(rectexts::kFileGroup));
    auto* fileLayout = new QGridLayout(fileGroup);
    fileLayout->addWidget(new QLabel(Utf8Text(rectexts::kNameLabel)), 0, 0, 1, 2);
    m_name = new QLineEdit(UiText(m_model.baseName));
    m_name->setMaxLength(RecordingOptionsModel::kMaxNameLength);
    m_extension = new QLabel;
    fileLayout->addWidget(m_name, 1, 0);
    fileLayout->addWidget(m_extension, 1, 1);
    fileLayout->addWidget(new QLabel(Utf8Text(rectexts::kDirectoryLabel)), 2, 0, 1, 2);
    m_directory = new QLineEdit(PathText(m_model.directory));
    auto* browse = new QPushButton(Utf8Text(rectexts::kBrowseButton));
    fileLayout->addWidget(m_directory, 3, 0);
    fileLayout->addWidget(browse, 3, 1);
    fileLayout->addWidget(new QLabel(Utf8Text(rectexts::kSampleRateLabel)), 4, 0, 1, 2);
    m_sampleRate = new QComboBox;
    for (const std::string& item : RecordingOptionsModel::sampleRateItems())
        m_sampleRate->addItem(QString::fromStdString(item));
    m_sampleRate->setCurrentIndex(m_model.sampleRateIndex);
    fileLayout->addWidget(m_sampleRate, 5, 0, 1, 2);
    m_mono = new QRadioButton(Utf8Text(rectexts::kMono));
    m_stereo = new QRadioButton(Utf8Text(rectexts::kStereo));
    (m_model.stereo ? m_stereo : m_mono)->setChecked(true);
    auto* channels = new QHBoxLayout;
    channels->addWidget(m_mono);
    channels->addWidget(m_stereo);
    fileLayout->addLayout(channels, 6, 0, 1, 2);
    m_bySong = new QCheckBox(Utf8Text(rectexts::kBySong));
    m_bySong->setChecked(m_model.bySong);
    fileLayout->addWidget(m_bySong, 7, 0, 1, 2);

    auto* mixer = new QPushButton(Utf8Text(rectexts::kMixerButton));

    auto* soundGroup = new QGroupBox(Utf8Text(rectexts::kCompressionGroup));
    auto* soundLayout = new QVBoxLayout(soundGroup);
    soundLayout->addWidget(new QLabel(Utf8Text(rectexts::kFormatLabel)));
    m_format = new QComboBox;
    for (const std::string& item : m_model.formatItems())
        m_format->addItem(QString::fromStdString(item));
    m_format->setCurrentIndex(m_model.formatIndex());
    soundLayout->addWidget(m_format);
    soundLayout->addWidget(new QLabel(Utf8Text(rectexts::kRateLabel)));
    m_rate = new QComboBox;
    soundLayout->addWidget(m_rate);

    auto* ok = new QPushButton(Utf8Text(rectexts::kOk));
    auto* cancel = new QPushButton(Utf8Text(rectexts::kCancel));
    auto* help = new QPushButton(Utf8Text(rectexts::kHelp));
    ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(help);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fileGroup);
    layout->addWidget(new QLabel(Utf8Text(rectexts::kSourceLabel)));
    layout->addWidget(mixer);
    layout->addWidget(soundGroup);
    layout->addLayout(buttons);

    showRates();

    connect(m_format, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_model.selectFormat(index);
        showRates();
    });
    connect(m_rate, &QComboBox::currentIndexChanged, this,
        [this](int index) { m_model.selectRate(index); });
    connect(m_name, &QLineEdit::textChanged, this,
        [this](const QString& name) { m_model.baseName = FileText(name); });
    connect(browse, &QPushButton::clicked, this, &RecordingOptionsDialog::chooseFolder);
    connect(mixer, &QPushButton::clicked, this, &RecordingOptionsDialog::openMixer);
    connect(help, &QPushButton::clicked, this, &RecordingOptionsDialog::openHelp);
    connect(ok, &QPushButton::clicked, this, &RecordingOptionsDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &RecordingOptionsDialog::reject);
}

void RecordingOptionsDialog::showRates()
{
    const QSignalBlocker blocker(m_rate);
    m_rate->clear();
    for (const std::string& item : m_model.rateItems())
        m_rate->addItem(QString::fromStdString(item));
    m_rate->setEnabled(m_model.rateEnabled());
    m_rate->setCurrentIndex(m_model.rateIndex());
    m_extension->setText(QString::fromStdString(m_model.extension()));
}

void RecordingOptionsDialog::chooseFolder()
{
    const QString folder = QFileDialog::getExistingDirectory(this,
        Utf8Text(rectexts::kFolderPickerTitle), m_directory->text(), QFileDialog::ShowDirsOnly);
    if (folder.isEmpty())
        return;
    m_model.folderChosen(PathBytes(folder));
    m_directory->setText(PathText(m_model.directory));
}

void RecordingOptionsDialog::openMixer()
{
    // The desktop's recording-level control, when it is installed.
    const QString program = QStandardPaths::findExecutable(QStringLiteral("pavucontrol"));
    if (!program.isEmpty())
        QProcess::startDetached(program, { QStringLiteral("--tab=2") });
}

void RecordingOptionsDialog::openHelp()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(PathText(m_settings.pathHtml + kHelpPage)));
}

void RecordingOptionsDialog::accept()
{
    m_model.baseName = FileText(m_name->text());
    m_model.directory = PathBytes(m_directory->text());
    m_model.sampleRateIndex = m_sampleRate->currentIndex();
    m_model.stereo = m_stereo->isChecked();
    m_model.bySong = m_bySong->isChecked();
    m_model.store(m_settings);
    WriteRecorderPreset(m_settings, m_installDir, m_settings.formatIndex);
    SaveSettings(m_settings, m_installDir, kSettingsFileName, m_currentStationPage);
    QDialog::accept();
}

void OpenRecordingOptions(Settings& settings, const std::string& installDir,
    const std::string& currentStationPage, QWidget* parent)
{
    RecordingOptionsDialog dialog(
        settings, installDir, currentStationPage, Mp3EncoderAvailable(), parent);
    if (settings.skin)
        ApplySkin(&dialog);
    dialog.exec();
}
