#include "catalogue/skinmanagerdialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QSignalBlocker>
#include <QPushButton>
#include <QVBoxLayout>

#include "catalogue/cataloguetexts.h"
#include "common/ui/messageprompt.h"
#include "common/ui/uitext.h"

namespace texts = catalogue_texts;

SkinManagerDialog::SkinManagerDialog(
    const std::string& htmlDir, Settings& settings, QWidget* parent, Prompt* prompt)
    : QDialog(parent)
    , m_htmlDir(htmlDir)
    , m_settings(settings)
    , m_prompt(prompt)
{
    if (m_prompt == nullptr) {
        m_ownPrompt = std::make_unique<MessagePrompt>(this);
        m_prompt = m_ownPrompt.get();
    }
    setWindowTitle(Utf8Text(texts::kSkinTitle));

    m_list = new QListWidget;
    m_list->setObjectName("appearanceList");
    m_preview = new QLabel(Utf8Text(texts::kPreview));
    m_preview->setObjectName("preview");
    m_preview->setAlignment(Qt::AlignCenter);
    m_preview->setFrameShape(QFrame::StyledPanel);
    m_preview->setFixedSize(kPreviewWidth, kPreviewHeight);
    m_caption = new QLabel(Utf8Text(texts::kPreview));
    m_caption->setObjectName("caption");
    // The author comes from the appearance's file: shown as written.
    m_caption->setTextFormat(Qt::PlainText);
    m_caption->setAlignment(Qt::AlignCenter);
    auto* install = new QPushButton(Utf8Text(texts::kInstall));
    install->setObjectName("install");
    install->setDefault(true);
    auto* cancel = new QPushButton(Utf8Text(texts::kCancel));
    cancel->setObjectName("cancel");

    auto* previewColumn = new QVBoxLayout;
    previewColumn->addWidget(m_preview, 0, Qt::AlignHCenter);
    previewColumn->addWidget(m_caption);
    previewColumn->addStretch();
    auto* closing = new QHBoxLayout;
    closing->addStretch();
    closing->addWidget(install);
    closing->addWidget(cancel);
    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(Utf8Text(texts::kSkinList)), 0, 0);
    layout->addWidget(m_list, 1, 0);
    layout->addLayout(previewColumn, 1, 1);
    layout->addLayout(closing, 2, 0, 1, 2);
    resize(400, 280);

    // The selection is what is previewed and installed: the list that gets
    // the focus makes its first row current without selecting it.
    connect(m_list, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> items = m_list->selectedItems();
        if (!items.isEmpty())
            choose(m_list->row(items.first()));
    });
    connect(install, &QPushButton::clicked, this, &SkinManagerDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &SkinManagerDialog::reject);

    m_appearances = ListAppearances(m_htmlDir);
    {
        const QSignalBlocker blocker(m_list);
        for (const Appearance& appearance : m_appearances)
            m_list->addItem(UiText(appearance.name));
    }
    const int current = CurrentAppearanceIndex(m_appearances, m_settings.appearanceName);
    if (current >= 0)
        m_list->setCurrentRow(current);
}

SkinManagerDialog::~SkinManagerDialog() = default;

void SkinManagerDialog::choose(int row)
{
    if (row < 0 || row >= static_cast<int>(m_appearances.size()))
        return;
    const Appearance& appearance = m_appearances[row];
    m_caption->setText(UiText(appearance.author));
    const QImage* picture
        = LoadPictureFile(AppearancePreviewPath(m_htmlDir, appearance), m_previewPicture);
    // A preview that cannot be read leaves the previous one in place.
    if (picture != nullptr) {
        m_preview->setPixmap(QPixmap::fromImage(ScaleBitmap(
            *picture, m_preview->contentsRect().width(), m_preview->contentsRect().height())));
    }
}

void SkinManagerDialog::accept()
{
    const QList<QListWidgetItem*> items = m_list->selectedItems();
    const int row = items.isEmpty() ? -1 : m_list->row(items.first());
    if (row >= 0 && row < static_cast<int>(m_appearances.size()))
        m_installed = InstallAppearance(m_htmlDir, m_appearances[row], m_settings, *m_prompt);
    QDialog::accept();
}
