#include "common/recorderpreset.h"

#include <charconv>
#include <utility>
#include <vector>

#include "common/profile.h"
#include "common/settings.h"
#include "common/textfile.h"

namespace {

// The names both sides of the preset agree on.
constexpr const char* kPresetSection = "HarddiskOgg Settings";
constexpr const char* kContentKey = "Content";
constexpr const char* kContentValue = "Encoder Preset";
constexpr const char* kEncoderSection = "Encoder Settings";
constexpr const char* kActiveKey = "Active";
constexpr const char* kWavEncoder = "WACM";
constexpr const char* kOggEncoder = "OGG";
constexpr const char* kMp3Encoder = "LMP3";
constexpr const char* kRateKey = "Rate";
constexpr const char* kChannelsKey = "Channels";
constexpr const char* kOggBitRateKey = "MinBitRate";
constexpr const char* kMp3BitRateKey = "CBRBitRate";

// Keys gathered in writing order; a section is opened where its first key
// is written, as a private-profile writer does on an empty file. Section
// names are kept exactly, trailing blank included, which a general INI
// writer would trim.
class PresetWriter {
public:
    void write(const std::string& section, const std::string& key, const std::string& value)
    {
        for (auto& [name, entries] : m_sections) {
            if (name == section) {
                entries.emplace_back(key, value);
                return;
            }
        }
        m_sections.push_back({ section, { { key, value } } });
    }

    std::string text() const
    {
        std::string out;
        for (const auto& [name, entries] : m_sections) {
            out += "[" + name + "]\r\n";
            for (const auto& [key, value] : entries)
                out += key + "=" + value + "\r\n";
        }
        return out;
    }

private:
    std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>>
        m_sections;
};

std::string activeEncoder(int formatIndex)
{
    switch (formatIndex) {
    case 0:
        return kWavEncoder;
    case 1:
        return kOggEncoder;
    case 2:
        return kMp3Encoder;
    default:
        return {};
    }
}

std::optional<int> number(const std::string& text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

bool endsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size()
        && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

std::string RecordingExtension(int formatIndex)
{
    switch (formatIndex) {
    case 0:
        return ".wav";
    case 1:
        return ".ogg";
    default:
        return ".mp3";
    }
}

std::string RecorderPresetText(const Settings& settings, int formatIndex)
{
    PresetWriter w;
    w.write(kPresetSection, kContentKey, kContentValue);
    w.write(kPresetSection, "Version", "1");
    const std::string active = activeEncoder(formatIndex);
    w.write(kEncoderSection, kActiveKey, active);

    const std::string section = kEncoderSection + std::string(" ") + active;
    const char* rate = settings.sampleRateIndex == 2 ? "48000"
        : settings.sampleRateIndex == 1              ? "32000"
                                                     : "22050";
    w.write(section, kRateKey, rate);
    w.write(section, kChannelsKey, settings.stereo ? "2" : "1");
    w.write(section, "BPS", "16");

    const int compression = settings.compressionIndex;
    if (formatIndex == 0) {
        // The recorder's own encoding of its 18-byte audio format record.
        const char* format = "SAAABAgAAQErAAAExKAAEAAEAAAA";
        w.write(section, "InSize", "18");
        w.write(section, "In", format);
        w.write(section, "OutSize", "18");
        w.write(section, "Out", format);
    } else if (formatIndex == 1) {
        const char* bitRate = compression == 2 ? "81920" : compression == 1 ? "65536" : "49152";
        w.write(section, "QualityMode", "0");
        w.write(section, "Quality", "127");
        w.write(section, kOggBitRateKey, bitRate);
        w.write(section, "MaxBitRate", bitRate);
    } else if (formatIndex == 2) {
        const char* bitRate = compression == 2 ? "128" : compression == 1 ? "96" : "64";
        const std::pair<const char*, const char*> keys[]
            = { { "Mode", "0" }, { "CBRPreset", "0" }, { kMp3BitRateKey, bitRate },
                  { "VBRPreset", "0" }, { "VBRQuality", "5" }, { "VBRMinBitRate", "96" },
                  { "VBRMaxBitRate", "192" }, { "VBRJointStereo", "1" }, { "ABRBitRate", "192" },
                  { "Copyright", "0" }, { "Original", "0" }, { "Private", "0" }, { "CRC", "0" } };
        for (const auto& [key, value] : keys)
            w.write(section, key, value);
    }
    return w.text();
}

bool WriteRecorderPreset(const Settings& settings, const std::string& installDir, int formatIndex)
{
    return WriteTextFile(
        installDir + kRecorderPresetFile, RecorderPresetText(settings, formatIndex));
}

std::string RecordingOutputFile(
    const std::string& directory, const std::string& baseName, int formatIndex)
{
    const std::string ext = RecordingExtension(formatIndex);
    std::string candidate = directory + baseName + ext;
    for (int n = 1; FileExists(candidate); ++n)
        candidate = directory + baseName + std::to_string(n) + ext;
    return candidate;
}

std::optional<EncoderPreset> ReadEncoderPreset(
    const std::string& presetText, const std::string& outputPath)
{
    const Profile profile(presetText);
    if (profile.get(kPresetSection, kContentKey) != kContentValue
        || !profile.hasKey(kEncoderSection, kActiveKey))
        return std::nullopt;

    EncoderPreset preset;
    const std::string active = profile.get(kEncoderSection, kActiveKey);
    // The rate keys live in "Encoder Settings " + Active. With no Active that
    // name ends in a blank, which INI readers trim: read the text from that
    // exact header on, where it is the first section of its name.
    Profile rates = profile;
    std::string section = kEncoderSection + std::string(" ") + active;
    if (active.empty()) {
        const std::size_t header = presetText.find("[" + section + "]");
        if (header == std::string::npos)
            return std::nullopt;
        rates = Profile(presetText.substr(header));
        section = kEncoderSection;
    }

    const auto rate = number(rates.get(section, kRateKey));
    const auto channels = number(rates.get(section, kChannelsKey));
    if (!rate || !channels || *rate < 8000 || *rate > 96000 || (*channels != 1 && *channels != 2))
        return std::nullopt;
    preset.rate = *rate;
    preset.channels = *channels;

    if (active == kWavEncoder) {
        preset.format = EncoderPreset::Format::Wav;
    } else if (active == kOggEncoder) {
        preset.format = EncoderPreset::Format::Ogg;
        const auto bitRate = number(profile.get(section, kOggBitRateKey));
        if (!bitRate || *bitRate <= 0)
            return std::nullopt;
        preset.oggBitRate = *bitRate;
    } else if (active == kMp3Encoder) {
        preset.format = EncoderPreset::Format::Mp3;
        const auto bitRate = number(profile.get(section, kMp3BitRateKey));
        if (!bitRate || *bitRate <= 0)
            return std::nullopt;
        preset.mp3BitRate = *bitRate;
    } else if (active.empty()) {
        // The player names the file after its format (RecordingExtension).
        preset.format = endsWith(outputPath, RecordingExtension(0)) ? EncoderPreset::Format::Wav
            : endsWith(outputPath, RecordingExtension(1))           ? EncoderPreset::Format::Ogg
                                                                    : EncoderPreset::Format::Mp3;
    } else {
        return std::nullopt;
    }
    return preset;
}
