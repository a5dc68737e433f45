#pragma once

#include <memory>

#include <QDialog>

#include "settings/optionsmodel.h"

class PlayerHost;
class Prompt;
class QCheckBox;
class QLineEdit;
class QSlider;

// Dialog 163 "Options": thin over OptionsModel. Each control carries its
// id as object name ("id1003").
class OptionsDialog : public QDialog {
    Q_OBJECT

public:
    // prompt answers the dialog's messages: the host's prompt when null, or
    // else message boxes owned by the dialog.
    OptionsDialog(PlayerHost& host, QWidget* parent = nullptr, Prompt* prompt = nullptr);
    ~OptionsDialog() override;

    OptionsModel& model() { return m_model; }
    // The control of an id, or null.
    QWidget* control(int id) const;

    void accept() override;
    void reject() override;

private:
    void build();
    // Controls from the model, and back.
    void showFields();
    void readFields();

    PlayerHost& m_host;
    std::unique_ptr<Prompt> m_ownPrompt;
    OptionsModel m_model;
    bool m_showing = false;
    QLineEdit* m_height = nullptr;
    QLineEdit* m_width = nullptr;
    QCheckBox* m_skin = nullptr;
    QSlider* m_hue = nullptr;
    QLineEdit* m_directory = nullptr;
    QCheckBox* m_updates = nullptr;
    QCheckBox* m_splash = nullptr;
    QCheckBox* m_onTop = nullptr;
    QCheckBox* m_listenButton = nullptr;
    QCheckBox* m_saveLastUrl = nullptr;
    QCheckBox* m_assignLogo = nullptr;
    QCheckBox* m_hideTaskbar = nullptr;
    QCheckBox* m_songNotifications = nullptr;
};

// Command 32830: runs the dialog modally.
void RunOptionsDialog(PlayerHost& host, QWidget* parent);
