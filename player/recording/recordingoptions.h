#pragma once

#include <string>

#include <QDialog>

#include "recording/recordingoptionsmodel.h"

struct Settings;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

// True when GStreamer can encode MP3 here (its lame element is installed).
bool Mp3EncoderAvailable();

// The dialog "Paramètres d'enregistrement". OK stores the choices in
// settings, rewrites the preset and saves Sonalto.ini; Annuler changes
// nothing.
class RecordingOptionsDialog : public QDialog {
    Q_OBJECT

public:
    RecordingOptionsDialog(Settings& settings, std::string installDir,
        std::string currentStationPage, bool mp3Available, QWidget* parent = nullptr);

    RecordingOptionsModel& model() { return m_model; }
    QComboBox* formatList() const { return m_format; }
    QComboBox* rateList() const { return m_rate; }
    QLabel* extensionLabel() const { return m_extension; }
    QLineEdit* nameEdit() const { return m_name; }
    QLineEdit* directoryEdit() const { return m_directory; }
    QCheckBox* bySongBox() const { return m_bySong; }

    void accept() override;

private:
    void showRates();
    void chooseFolder();
    void openMixer();
    void openHelp();

    Settings& m_settings;
    std::string m_installDir;
    std::string m_currentStationPage;
    RecordingOptionsModel m_model;
    QLineEdit* m_name = nullptr;
    QLabel* m_extension = nullptr;
    QLineEdit* m_directory = nullptr;
    QComboBox* m_sampleRate = nullptr;
    QRadioButton* m_mono = nullptr;
    QRadioButton* m_stereo = nullptr;
    QCheckBox* m_bySong = nullptr;
    QComboBox* m_format = nullptr;
    QComboBox* m_rate = nullptr;
};

// Runs the dialog modally.
void OpenRecordingOptions(Settings& settings, const std::string& installDir,
    const std::string& currentStationPage, QWidget* parent);
