#pragma once

#include <optional>
#include <string>

#include "common/settings.h"

class PlayerHost;
class Prompt;
class QWidget;

// The rules of the Options dialog, without widgets. The fields are what the
// controls show; the settings record changes only on OK (and, for the size,
// when the look is switched on).
class OptionsModel {
public:
    // dialog is the dialog over the model, given the look with the player's
    // windows and owning the windows it opens; may be null.
    OptionsModel(PlayerHost& host, Prompt& prompt, QWidget* dialog = nullptr);

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
        bool songNotifications = false;
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

    PlayerHost& m_host;
    Settings& m_settings;
    Prompt& m_prompt;
    QWidget* m_dialog;
};
