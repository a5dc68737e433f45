#pragma once

#include <string>
#include <vector>

struct Settings;

// The rules of the recording options, without widgets: which formats and
// compression rates are offered, what the extension shows, and what OK
// stores. Texts are UTF-8, the stored strings Windows-1252 like Settings.
class RecordingOptionsModel {
public:
    RecordingOptionsModel(const Settings& settings, bool mp3Available);

    std::vector<std::string> formatItems() const;
    static std::vector<std::string> sampleRateItems();

    // The format selection; -1 when nothing is selected (a stored MP3 choice
    // on a machine without the MP3 encoder). Refills the rate list.
    int formatIndex() const { return m_formatIndex; }
    void selectFormat(int index);

    const std::vector<std::string>& rateItems() const { return m_rateItems; }
    bool rateEnabled() const { return m_rateEnabled; }
    int rateIndex() const { return m_rateIndex; } // -1 when the list is empty
    void selectRate(int index);
    std::string extension() const { return m_extension; }

    std::string baseName;
    std::string directory;
    int sampleRateIndex = 0;
    bool stereo = false;
    bool bySong = false; // "Enregistrer titre par titre"

    // The folder picker's choice becomes the directory with a '/' appended.
    void folderChosen(const std::string& folder);

    // What OK stores in the settings record.
    void store(Settings& settings) const;

    static constexpr int kMaxNameLength = 20;

private:
    void fillRates();

    bool m_mp3Available = false;
    int m_storedCompression = 0;
    int m_formatIndex = -1;
    std::vector<std::string> m_rateItems;
    bool m_rateEnabled = false;
    int m_rateIndex = -1;
    std::string m_extension = ".ogg";
};
