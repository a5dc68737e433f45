#pragma once

#include <optional>
#include <string>

// What the recorder takes from a preset file (Snt.hdp).
struct EncoderPreset {
    enum class Format { Wav, Ogg, Mp3 };
    Format format = Format::Ogg;
    int rate = 22050;
    int channels = 1;
    int oggBitRate = 49152; // bits per second, from MinBitRate/MaxBitRate
    int mp3BitRate = 64; // kbit/s, CBR
};

// Reads the preset. The encoder is the one named by "Active"; a preset
// without one (no format chosen) takes the format of the output file's
// extension, as the player named the file after it. nullopt when the file
// is not a readable encoder preset or names values outside what can be
// recorded.
std::optional<EncoderPreset> ReadEncoderPreset(
    const std::string& presetText, const std::string& outputPath);
