#include "recording/recordingoptionsmodel.h"

#include <iterator>

#include "common/recorderpreset.h"
#include "common/settings.h"
#include "recording/recorderlaunch.h"
#include "recording/recordingtexts.h"

RecordingOptionsModel::RecordingOptionsModel(const Settings& settings, bool mp3Available)
    : baseName(settings.recordBaseName)
    , directory(settings.pathRec)
    , sampleRateIndex(settings.sampleRateIndex)
    , stereo(settings.stereo)
    , bySong(settings.recordBySong)
    , m_mp3Available(mp3Available)
    , m_storedCompression(settings.compressionIndex)
{
    const int count = static_cast<int>(formatItems().size());
    selectFormat(
        settings.formatIndex >= 0 && settings.formatIndex < count ? settings.formatIndex : -1);
}

std::vector<std::string> RecordingOptionsModel::formatItems() const
{
    std::vector<std::string> items { rectexts::kFormatWav, rectexts::kFormatOgg };
    if (m_mp3Available)
        items.emplace_back(rectexts::kFormatMp3);
    return items;
}

std::vector<std::string> RecordingOptionsModel::sampleRateItems()
{
    return { std::begin(rectexts::kSampleRates), std::end(rectexts::kSampleRates) };
}

void RecordingOptionsModel::selectFormat(int index)
{
    m_formatIndex = index;
    fillRates();
}

void RecordingOptionsModel::fillRates()
{
    m_rateItems.clear();
    if (m_formatIndex == 1 || m_formatIndex == 2) {
        const auto& rates = m_formatIndex == 1 ? rectexts::kOggRates : rectexts::kMp3Rates;
        m_rateItems.assign(std::begin(rates), std::end(rates));
        m_rateEnabled = true;
        m_extension = RecordingExtension(m_formatIndex);
    } else if (m_formatIndex == 0) {
        m_rateEnabled = false;
        m_extension = RecordingExtension(0);
    }
    // The stored rate, or the first one when none was stored (after Wav).
    const int wanted = m_storedCompression == -1 ? 0 : m_storedCompression;
    m_rateIndex = wanted >= 0 && wanted < static_cast<int>(m_rateItems.size()) ? wanted : -1;
}

void RecordingOptionsModel::selectRate(int index)
{
    m_rateIndex = index >= 0 && index < static_cast<int>(m_rateItems.size()) ? index : -1;
}

void RecordingOptionsModel::folderChosen(const std::string& folder)
{
    if (!folder.empty())
        directory = folder + "/";
}

void RecordingOptionsModel::store(Settings& settings) const
{
    settings.recordBaseName = baseName.substr(0, kMaxNameLength);
    settings.pathRec = RecordingDirectory(directory);
    settings.formatIndex = m_formatIndex;
    settings.compressionIndex = m_rateIndex;
    settings.sampleRateIndex = sampleRateIndex;
    settings.stereo = stereo;
    settings.recordBySong = bySong;
}
