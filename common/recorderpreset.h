#pragma once

#include <optional>
#include <string>

struct Settings;

// The recorder's preset file, in the installation directory: the player
// writes it from its recording settings before each recording, the recorder
// reads it to choose its encoder.
inline constexpr const char* kRecorderPresetFile = "Snt.hdp";
// The filter file named on the recorder's command line.
inline constexpr const char* kRecorderFilterFile = "smart.hfs";

// ".wav" for format index 0, ".ogg" for 1, ".mp3" for anything else
// (including -1, no format chosen).
std::string RecordingExtension(int formatIndex);

// The text of the preset for these settings and format index: sections in
// the order of their first key, CR LF line ends. The section of the rate
// keys is "Encoder Settings " followed by the active encoder's name, so an
// unknown format gives a section name with a trailing blank, kept as such.
std::string RecorderPresetText(const Settings& settings, int formatIndex);

// Writes the preset into installDir + "Snt.hdp", replacing the earlier one
// as a whole: nothing of it survives. False when the file cannot be written;
// the earlier preset, if any, is then left as it was.
bool WriteRecorderPreset(const Settings& settings, const std::string& installDir, int formatIndex);

// The next free output file: directory + baseName + ext, else
// directory + baseName + n + ext for the smallest n = 1, 2, ... that does
// not exist (a number freed by deleting its file is used again).
std::string RecordingOutputFile(
    const std::string& directory, const std::string& baseName, int formatIndex);

// What the recorder takes from a preset.
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
