#include "catalogue/personallistdialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "catalogue/cataloguetexts.h"
#include "common/ui/messageprompt.h"
#include "common/ui/uitext.h"

namespace texts = catalogue_texts;

namespace {

constexpr int kNameLength = 40;

void fillList(QListWidget* list, const std::vector<std::string>& names, int selection)
{
    const QSignalBlocker blocker(list);
    list->clear();
    for (const std::string& name : names)
        list->addItem(UiText(name));
    list->setCurrentRow(selection);
    if (selection < 0)
        list->clearSelection();
}

} // namespace

PersonalListDialog::PersonalListDialog(const std::string& htmlDir, QWidget* parent, Prompt* prompt,
    PersonalListModel::StreamTest streamTest)
    : QDialog(parent)
{
    if (prompt == nullptr) {
        m_ownPrompt = std::make_unique<MessagePrompt>(this);
        prompt = m_ownPrompt.get();
    }
    m_model = std::make_unique<PersonalListModel>(htmlDir, *prompt, std::move(streamTest));
    build();
    m_model->open();
    showLists();
    showForm();
    showEnabling();
}

PersonalListDialog::~PersonalListDialog() = default;

void PersonalListDialog::build()
{
    setWindowTitle(Utf8Text(texts::kPersonalTitle));

    // "Gestion des radios": the two lists and the moves between them.
    auto* manage = new QGroupBox(Utf8Text(texts::kManageGroup));
    m_complete = new QListWidget;
    m_complete->setObjectName("completeList");
    m_personal = new QListWidget;
    m_personal->setObjectName("personalList");
    auto* addOne = new QPushButton(Utf8Text(texts::kAddButton));
    addOne->setObjectName("addToPersonal");
    auto* addAll = new QPushButton(Utf8Text(texts::kAddAllButton));
    addAll->setObjectName("addAllToPersonal");
    auto* removeOne = new QPushButton(Utf8Text(texts::kRemoveButton));
    removeOne->setObjectName("removeFromPersonal");
    auto* clear = new QPushButton(Utf8Text(texts::kClearButton));
    clear->setObjectName("clearPersonal");
    auto* moves = new QVBoxLayout;
    moves->addStretch();
    for (QPushButton* button : { addOne, addAll, removeOne, clear })
        moves->addWidget(button);
    moves->addStretch();
    auto* manageLayout = new QGridLayout(manage);
    manageLayout->addWidget(new QLabel(Utf8Text(texts::kAvailableList)), 0, 0);
    manageLayout->addWidget(new QLabel(Utf8Text(texts::kPersonalList)), 0, 2);
    manageLayout->addWidget(m_complete, 1, 0);
    manageLayout->addLayout(moves, 1, 1);
    manageLayout->addWidget(m_personal, 1, 2);

    // "Ajouter une radio": the station's form.
    auto* addGroup = new QGroupBox(Utf8Text(texts::kAddGroup));
    m_name = new QLineEdit;
    m_name->setObjectName("stationName");
    m_name->setMaxLength(kNameLength);
    m_link = new QLineEdit;
    m_link->setObjectName("streamLink");
    m_type = new QButtonGroup(this);
    auto* typeRow = new QHBoxLayout;
    const char* typeNames[]
        = { texts::kTypeAuto, texts::kTypeWindowsMedia, texts::kTypeRealPlayer };
    for (int type = 0; type < 3; ++type) {
        auto* button = new QRadioButton(Utf8Text(typeNames[type]));
        button->setObjectName(QStringLiteral("playerType%1").arg(type));
        m_type->addButton(button, type);
        typeRow->addWidget(button);
    }
    typeRow->addStretch();
    m_logoBox = new QCheckBox(Utf8Text(texts::kLogoBox));
    m_logoBox->setObjectName("logoBox");
    m_logo = new QLineEdit;
    m_logo->setObjectName("logoPath");
    m_chooseLogo = new QPushButton(Utf8Text(texts::kChooseLogo));
    m_chooseLogo->setObjectName("chooseLogo");
    m_siteBox = new QCheckBox(Utf8Text(texts::kSiteBox));
    m_siteBox->setObjectName("siteBox");
    m_site = new QLineEdit;
    m_site->setObjectName("siteLink");
    m_descriptionBox = new QCheckBox(Utf8Text(texts::kDescriptionBox));
    m_descriptionBox->setObjectName("descriptionBox");
    m_description = new QLineEdit;
    m_description->setObjectName("description");
    m_test = new QPushButton(Utf8Text(texts::kTestButton));
    m_test->setObjectName("testStation");
    m_add = new QPushButton(Utf8Text(texts::kAddStationButton));
    m_add->setObjectName("addStation");
    m_modify = new QPushButton(Utf8Text(texts::kModifyButton));
    m_modify->setObjectName("modifyStation");

    auto* form = new QGridLayout(addGroup);
    form->addWidget(new QLabel(Utf8Text(texts::kStationName)), 0, 0);
    form->addWidget(m_name, 0, 1, 1, 2);
    form->addWidget(new QLabel(Utf8Text(texts::kStreamLink)), 1, 0);
    form->addWidget(m_link, 1, 1, 1, 2);
    form->addWidget(new QLabel(Utf8Text(texts::kLinkType)), 2, 0);
    form->addLayout(typeRow, 2, 1, 1, 2);
    form->addWidget(m_logoBox, 3, 0);
    form->addWidget(m_logo, 3, 1);
    form->addWidget(m_chooseLogo, 3, 2);
    form->addWidget(m_siteBox, 4, 0);
    form->addWidget(m_site, 4, 1, 1, 2);
    form->addWidget(m_descriptionBox, 5, 0);
    form->addWidget(m_description, 5, 1, 1, 2);
    auto* actions = new QHBoxLayout;
    actions->addWidget(m_test);
    actions->addWidget(m_add);
    actions->addWidget(m_modify);
    form->addLayout(actions, 6, 0, 1, 3);

    // "Supprimer une radio".
    auto* deleteGroup = new QGroupBox(Utf8Text(texts::kDeleteGroup));
    m_selected = new QLineEdit;
    m_selected->setObjectName("selectedName");
    m_selected->setReadOnly(true);
    m_selected->setMaxLength(kNameLength);
    m_delete = new QPushButton(Utf8Text(texts::kDeleteButton));
    m_delete->setObjectName("deleteStation");
    auto* deleteLayout = new QHBoxLayout(deleteGroup);
    deleteLayout->addWidget(new QLabel(Utf8Text(texts::kSelectedName)));
    deleteLayout->addWidget(m_selected, 1);
    deleteLayout->addWidget(m_delete);

    auto* ok = new QPushButton(Utf8Text(texts::kOk));
    ok->setObjectName("ok");
    ok->setDefault(true);
    auto* cancel = new QPushButton(Utf8Text(texts::kCancel));
    cancel->setObjectName("cancel");
    auto* closing = new QHBoxLayout;
    closing->addStretch();
    closing->addWidget(ok);
    closing->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(manage, 1);
    layout->addWidget(addGroup);
    layout->addWidget(deleteGroup);
    layout->addLayout(closing);
    resize(560, 620);

    connect(m_complete, &QListWidget::itemSelectionChanged, this, [this] {
        const int row = m_complete->currentRow();
        if (row < 0 || !m_complete->item(row)->isSelected())
            return;
        m_model->chooseComplete(row);
        showForm();
        showEnabling();
    });
    connect(m_personal, &QListWidget::itemSelectionChanged, this, [this] {
        const int row = m_personal->currentRow();
        if (row < 0 || !m_personal->item(row)->isSelected())
            return;
        m_model->choosePersonal(row);
        m_selected->setText(UiText(m_model->selectedName()));
        showEnabling();
    });
    const auto move = [this](void (PersonalListModel::*step)()) {
        return [this, step] {
            (m_model.get()->*step)();
            showLists();
        };
    };
    connect(addOne, &QPushButton::clicked, this, move(&PersonalListModel::addToPersonal));
    connect(addAll, &QPushButton::clicked, this, move(&PersonalListModel::addAllToPersonal));
    connect(removeOne, &QPushButton::clicked, this, move(&PersonalListModel::removeFromPersonal));
    connect(clear, &QPushButton::clicked, this, move(&PersonalListModel::clearPersonal));

    connect(m_name, &QLineEdit::textEdited, this, [this] {
        m_model->editName(readForm());
        showEnabling();
    });
    const auto box = [this](QCheckBox* check, void (PersonalListModel::*set)(bool)) {
        connect(check, &QCheckBox::toggled, this, [this, set](bool checked) {
            (m_model.get()->*set)(checked);
            showEnabling();
        });
    };
    box(m_logoBox, &PersonalListModel::setLogoChecked);
    box(m_siteBox, &PersonalListModel::setSiteChecked);
    box(m_descriptionBox, &PersonalListModel::setDescriptionChecked);

    connect(m_chooseLogo, &QPushButton::clicked, this, [this] {
        m_model->beginLogoChoice();
        showEnabling();
        const QString path = QFileDialog::getOpenFileName(
            this, QString(), QString(), Utf8Text(texts::kLogoFilter));
        if (path.isEmpty())
            return;
        m_model->chooseLogo(PathBytes(path));
        const QSignalBlocker blocker(m_logoBox);
        m_logo->setText(path);
        m_logoBox->setChecked(true);
        showEnabling();
    });
    connect(m_test, &QPushButton::clicked, this, [this] {
        m_model->test(readForm());
        m_name->setText(UiText(m_model->form().station.name));
        showEnabling();
    });
    connect(m_add, &QPushButton::clicked, this, [this] {
        m_model->add();
        m_name->setText(UiText(m_model->form().station.name));
        showLists();
        showEnabling();
    });
    connect(m_modify, &QPushButton::clicked, this, [this] {
        m_model->modify(readForm());
        showLists();
    });
    connect(m_delete, &QPushButton::clicked, this, [this] {
        if (m_model->remove())
            showLists();
        m_selected->setText(UiText(m_model->selectedName()));
        showEnabling();
    });
    connect(ok, &QPushButton::clicked, this, &PersonalListDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &PersonalListDialog::reject);
}

PersonalListModel::Form PersonalListDialog::readForm() const
{
    PersonalListModel::Form form;
    form.station.name = FileText(m_name->text());
    form.station.playerType = static_cast<PlayerType>(std::max(0, m_type->checkedId()));
    form.station.logoChecked = m_logoBox->isChecked();
    form.station.siteChecked = m_siteBox->isChecked();
    form.station.siteLink = FileText(m_site->text());
    form.station.descriptionChecked = m_descriptionBox->isChecked();
    form.station.description = FileText(m_description->text());
    form.streamLink = FileText(m_link->text());
    // A logo path names a file on this machine: kept as the system spells it.
    form.logoPath = PathBytes(m_logo->text());
    return form;
}

void PersonalListDialog::showForm()
{
    const PersonalListModel::Form& form = m_model->form();
    const QSignalBlocker blockLogo(m_logoBox);
    const QSignalBlocker blockSite(m_siteBox);
    const QSignalBlocker blockDescription(m_descriptionBox);
    m_name->setText(UiText(form.station.name));
    m_link->setText(UiText(form.streamLink));
    m_type->button(static_cast<int>(form.station.playerType))->setChecked(true);
    m_logoBox->setChecked(form.station.logoChecked);
    m_logo->setText(PathText(form.logoPath));
    m_siteBox->setChecked(form.station.siteChecked);
    m_site->setText(UiText(form.station.siteLink));
    m_descriptionBox->setChecked(form.station.descriptionChecked);
    m_description->setText(UiText(form.station.description));
    m_selected->setText(UiText(m_model->selectedName()));
}

void PersonalListDialog::showLists()
{
    fillList(m_complete, m_model->completeList(), m_model->completeSelection());
    fillList(m_personal, m_model->personalList(), m_model->personalSelection());
}

void PersonalListDialog::showEnabling()
{
    m_add->setEnabled(m_model->addEnabled());
    m_modify->setEnabled(m_model->modifyEnabled());
    m_delete->setEnabled(m_model->deleteEnabled());
    m_logo->setEnabled(m_model->logoEditEnabled());
    m_site->setEnabled(m_model->siteEditEnabled());
    m_description->setEnabled(m_model->descriptionEditEnabled());
}

void PersonalListDialog::accept()
{
    m_model->takeForm(readForm());
    // An index that cannot be written keeps the dialog open with the lists
    // as they are, so that nothing of the listener's choice is lost.
    if (m_model->apply())
        QDialog::accept();
}
