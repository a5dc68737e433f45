#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QDialog>
#include <QString>

#include "settings/optionsmodel.h"

class Prompt;
class QCheckBox;
class QLineEdit;
class QSlider;

// What the Options dialog needs of the main window, filled by the window.
struct OptionsContext {
    std::string installDir; // ending with '/'
    QWidget* mainWindow = nullptr;
    std::function<bool()> isMiniMode;
    // The main window's normal size from the settings, as with or without
    // the look; top-most after "OnTop"; shown.
    std::function<void(bool skin)> resizeMainWindow;
    std::function<void(bool withButton)> setListButton;
    std::function<void()> refreshTrayIcon;
    std::function<void(const std::string& framePage)> navigateView;
    std::function<void(const std::string& page, const QString& frame)> navigateFrame;
    std::function<void()> saveSettings;
    // The recording options and the appearance manager, modal over owner.
    std::function<void(QWidget* owner)> openRecordingOptions;
    std::function<void(QWidget* owner)> runSkinManager;
    std::function<void(const std::string& path)> openPage;
    // A folder chosen by the listener, its own bytes; empty when cancelled.
    std::function<std::string(QWidget* owner, const QString& title)> chooseDirectory;
    // Answers the dialog's messages; message boxes owned by the dialog when
    // null.
    Prompt* prompt = nullptr;
};

// Dialog 163 "Options": thin over OptionsModel. Each control carries its
// id as object name ("id1003").
class OptionsDialog : public QDialog, private OptionsHost {
    Q_OBJECT

public:
    OptionsDialog(Settings& settings, OptionsContext context, QWidget* parent = nullptr);
    ~OptionsDialog() override;

    OptionsModel& model() { return m_model; }
    // The control of an id, or null.
    QWidget* control(int id) const;

    void accept() override;
    void reject() override;

private:
    // OptionsHost
    bool startSkin() override;
    bool skinRunning() const override;
    void setSkinHue(int hue) override;
    void skinDialog(bool on) override;
    void skinPlayerWindows(bool on) override;
    bool isMiniMode() const override;
    void resizeMainWindow(bool skin) override;
    void setListButton(bool withButton) override;
    void refreshTrayIcon() override;
    void navigateView(const std::string& page) override;
    void loadIndexFrame(const std::string& page) override;
    void saveSettings() override;
    void openRecordingOptions() override;
    void runSkinManager() override;
    void openPage(const std::string& path) override;

    void build();
    // Controls from the model, and back.
    void showFields();
    void readFields();

    OptionsContext m_context;
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
};

// Command 32830: runs the dialog modally.
void RunOptionsDialog(Settings& settings, OptionsContext context, QWidget* parent);
