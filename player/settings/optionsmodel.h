#pragma once

#include <optional>
#include <string>

#include "common/settings.h"

class Prompt;

// What the Options dialog asks of the rest of the player: the look, the
// main window and the other dialogs. The dialog answers for the real
// player; tests answer with a recording double.
class OptionsHost {
public:
    virtual ~OptionsHost() = default;

    // The look plug-in: started now (true when it runs), running already.
    virtual bool startSkin() = 0;
    virtual bool skinRunning() const = 0;
    // Gives every skinned window the hue at once.
    virtual void setSkinHue(int hue) = 0;
    // Gives the look to the dialog, or takes it away.
    virtual void skinDialog(bool on) = 0;
    // Gives the look to the main window and to the song window when it is
    // open, or takes it away.
    virtual void skinPlayerWindows(bool on) = 0;

    virtual bool isMiniMode() const = 0;
    // Sets the main window's normal size from the settings' width and
    // height (the skinned size, or 2 x 4 pixels less without the look),
    // keeping its position, makes it top-most after "OnTop" and shows it.
    virtual void resizeMainWindow(bool skin) = 0;
    // Writes the station list's form into the index: with or without the
    // "Ecouter !" button.
    virtual void setListButton(bool withButton) = 0;
    virtual void refreshTrayIcon() = 0;
    // Loads a frame page into the whole view.
    virtual void navigateView(const std::string& page) = 0;
    // Loads a page into the index frame "haut".
    virtual void loadIndexFrame(const std::string& page) = 0;
    virtual void saveSettings() = 0;

    virtual void openRecordingOptions() = 0;
    // The appearance manager, modal; it may change the size and the hue.
    virtual void runSkinManager() = 0;
    virtual void openPage(const std::string& path) = 0;
};

// The rules of the Options dialog, without widgets. The fields are what the
// controls show; the settings record changes only on OK (and, for the size,
// when the look is switched on).
class OptionsModel {
public:
    OptionsModel(Settings& settings, std::string installDir, OptionsHost& host, Prompt& prompt);

    // The controls' values. Sizes are the edits' texts, checked on OK.
    struct Fields {
        std::string height;
        std::string width;
        bool skin = false;
        int hue = 0;
        std::string htmlDirectory; // the file system's bytes
        bool updates = false;
        bool splashScreen = false;
        bool onTop = false;
        bool listenButton = false;
        bool saveLastUrl = false;
        bool assignLogo = false;
        bool hideTaskbar = false;
    };
    Fields fields;

    static constexpr int kMaxSize = 10000;
    static constexpr int kMaxHue = 360;
    static constexpr int kHueTicks = 5;
    static constexpr int kDefaultHeight = 288;
    static constexpr int kDefaultWidth = 251;

    // When the dialog opens: the skinned interface gives the dialog its look.
    void opened();

    // "Défaut": the default size into the fields.
    void defaults();
    // The slider moved: the new hue shows at once when the look is ticked.
    void sliderMoved(int position);
    // "Interface par skin" clicked; returns whether the box stays ticked.
    bool skinClicked(bool ticked);
    // "Selectionner" gave a folder: the field becomes it with a '/'.
    void folderChosen(const std::string& folder);
    // "Vérifier": the updater, now.
    void checkForUpdates();
    // "Options d'enregistrement".
    void recordingOptions();
    // "Changer l'apparence": the manager, then the size and hue fields as
    // the settings now hold them.
    void changeAppearance();
    // "Aide".
    void help();

    // "OK": applies and saves. False when a field is refused: the dialog
    // stays open and nothing is applied. refusedField receives the id of a
    // refused size field (1003 or 1002), so that it can take the focus.
    bool accept(int* refusedField = nullptr);
    // "Annuler": the stored hue comes back on every skinned window.
    void cancel();

    // A size field's value, when it holds an integer from 0 to 10000.
    static std::optional<int> parseSize(const std::string& text);

private:
    void loadSizeAndHue();
    void copySizeIntoSettings();

    Settings& m_settings;
    std::string m_installDir;
    OptionsHost& m_host;
    Prompt& m_prompt;
};
