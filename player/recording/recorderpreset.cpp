#include "recording/recorderpreset.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "common/settings.h"
#include "common/textfile.h"

namespace {

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
        return "WACM";
    case 1:
        return "OGG";
    case 2:
        return "LMP3";
    default:
        return {};
    }
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
    w.write("HarddiskOgg Settings", "Content", "Encoder Preset");
    w.write("HarddiskOgg Settings", "Version", "1");
    const std::string active = activeEncoder(formatIndex);
    w.write("Encoder Settings", "Active", active);

    const std::string section = "Encoder Settings " + active;
    const char* rate = settings.sampleRateIndex == 2 ? "48000"
        : settings.sampleRateIndex == 1              ? "32000"
                                                     : "22050";
    w.write(section, "Rate", rate);
    w.write(section, "Channels", settings.stereo ? "2" : "1");
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
        w.write(section, "MinBitRate", bitRate);
        w.write(section, "MaxBitRate", bitRate);
    } else if (formatIndex == 2) {
        const char* bitRate = compression == 2 ? "128" : compression == 1 ? "96" : "64";
        const std::pair<const char*, const char*> keys[] = { { "Mode", "0" }, { "CBRPreset", "0" },
            { "CBRBitRate", bitRate }, { "VBRPreset", "0" }, { "VBRQuality", "5" },
            { "VBRMinBitRate", "96" }, { "VBRMaxBitRate", "192" }, { "VBRJointStereo", "1" },
            { "ABRBitRate", "192" }, { "Copyright", "0" }, { "Original", "0" },
            { "Private", "0" }, { "CRC", "0" } };
        for (const auto& [key, value] : keys)
            w.write(section, key, value);
    }
    return w.text();
}

bool WriteRecorderPreset(const Settings& settings, const std::string& installDir, int formatIndex)
{
    const std::string path = installDir + kRecorderPresetFile;
    DeleteFile(path);
    WriteTextFile(path, RecorderPresetText(settings, formatIndex));
    return true;
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
