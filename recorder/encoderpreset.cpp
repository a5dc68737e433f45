#include "encoderpreset.h"

#include <charconv>

#include "common/profile.h"

namespace {

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
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

std::optional<EncoderPreset> ReadEncoderPreset(
    const std::string& presetText, const std::string& outputPath)
{
    const Profile profile(presetText);
    if (profile.get("HarddiskOgg Settings", "Content") != "Encoder Preset"
        || !profile.hasKey("Encoder Settings", "Active"))
        return std::nullopt;

    EncoderPreset preset;
    const std::string active = profile.get("Encoder Settings", "Active");
    // The rate keys live in "Encoder Settings " + Active. With no Active that
    // name ends in a blank, which INI readers trim: read the text from that
    // exact header on, where it is the first section of its name.
    Profile rates = profile;
    std::string section = "Encoder Settings " + active;
    if (active.empty()) {
        const std::size_t header = presetText.find("[Encoder Settings ]");
        if (header == std::string::npos)
            return std::nullopt;
        rates = Profile(presetText.substr(header));
        section = "Encoder Settings";
    }

    const auto rate = number(rates.get(section, "Rate"));
    const auto channels = number(rates.get(section, "Channels"));
    if (!rate || !channels || *rate < 8000 || *rate > 96000 || (*channels != 1 && *channels != 2))
        return std::nullopt;
    preset.rate = *rate;
    preset.channels = *channels;

    if (active == "WACM") {
        preset.format = EncoderPreset::Format::Wav;
    } else if (active == "OGG") {
        preset.format = EncoderPreset::Format::Ogg;
        const auto bitRate = number(profile.get(section, "MinBitRate"));
        if (!bitRate || *bitRate <= 0)
            return std::nullopt;
        preset.oggBitRate = *bitRate;
    } else if (active == "LMP3") {
        preset.format = EncoderPreset::Format::Mp3;
        const auto bitRate = number(profile.get(section, "CBRBitRate"));
        if (!bitRate || *bitRate <= 0)
            return std::nullopt;
        preset.mp3BitRate = *bitRate;
    } else if (active.empty()) {
        preset.format = endsWith(outputPath, ".wav") ? EncoderPreset::Format::Wav
            : endsWith(outputPath, ".ogg")           ? EncoderPreset::Format::Ogg
                                                     : EncoderPreset::Format::Mp3;
    } else {
        return std::nullopt;
    }
    return preset;
}
