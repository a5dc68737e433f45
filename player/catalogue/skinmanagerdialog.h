#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QDialog>

#include "catalogue/skinmanager.h"
#include "common/ui/picture.h"

class QLabel;
class QListWidget;

// "Gestionnaire d'apparences": the appearances with a preview of the chosen
// one. "Installer" copies its files and takes its settings, then closes in
// every case; installed() tells whether the caller has a window to resize
// and a frame page to reload.
class SkinManagerDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kPreviewWidth = 160;
    static constexpr int kPreviewHeight = 184;

    SkinManagerDialog(const std::string& htmlDir, Settings& settings, QWidget* parent = nullptr,
        Prompt* prompt = nullptr);
    ~SkinManagerDialog() override;

    const std::vector<Appearance>& appearances() const { return m_appearances; }
    bool installed() const { return m_installed; }

    void accept() override;

private:
    void choose(int row);

    std::string m_htmlDir;
    Settings& m_settings;
    std::unique_ptr<Prompt> m_ownPrompt;
    Prompt* m_prompt = nullptr;
    std::vector<Appearance> m_appearances;
    PictureHolder m_previewPicture;
    QListWidget* m_list = nullptr;
    QLabel* m_preview = nullptr;
    QLabel* m_caption = nullptr;
    bool m_installed = false;
};
