#pragma once

#include <memory>
#include <string>

#include <QDialog>

#include "catalogue/personallistmodel.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;

// "Personnaliser": the personal-list editor over PersonalListModel. It shows
// the model's lists, form and enabling, and hands every click to it.
class PersonalListDialog : public QDialog {
    Q_OBJECT

public:
    // Without a prompt the dialog answers with message boxes of its own.
    // streamTest lets the player play a tested station while the question is
    // asked.
    PersonalListDialog(const std::string& htmlDir, QWidget* parent = nullptr,
        Prompt* prompt = nullptr, PersonalListModel::StreamTest streamTest = {});
    ~PersonalListDialog() override;

    PersonalListModel& model() { return *m_model; }

    // OK: applies the personal list, then closes. The caller reloads the
    // frame page.
    void accept() override;

private:
    void build();
    PersonalListModel::Form readForm() const;
    void showForm();
    void showLists();
    void showEnabling();

    std::unique_ptr<Prompt> m_ownPrompt;
    std::unique_ptr<PersonalListModel> m_model;

    QListWidget* m_complete = nullptr;
    QListWidget* m_personal = nullptr;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_link = nullptr;
    QButtonGroup* m_type = nullptr;
    QCheckBox* m_logoBox = nullptr;
    QLineEdit* m_logo = nullptr;
    QPushButton* m_chooseLogo = nullptr;
    QCheckBox* m_siteBox = nullptr;
    QLineEdit* m_site = nullptr;
    QCheckBox* m_descriptionBox = nullptr;
    QLineEdit* m_description = nullptr;
    QPushButton* m_test = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_modify = nullptr;
    QLineEdit* m_selected = nullptr;
    QPushButton* m_delete = nullptr;
};
