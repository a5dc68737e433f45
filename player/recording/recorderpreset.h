#pragma once

#include <string>

struct Settings;

// The recorder's preset file, in the installation directory.
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

// Deletes installDir + "Snt.hdp" and writes the preset anew. Nothing of an
// earlier preset survives. Always true: writing errors are not checked.
bool WriteRecorderPreset(const Settings& settings, const std::string& installDir, int formatIndex);

// The next free output file: directory + baseName + ext, else
// directory + baseName + n + ext for the smallest n = 1, 2, ... that does
// not exist (a number freed by deleting its file is used again).
std::string RecordingOutputFile(
    const std::string& directory, const std::string& baseName, int formatIndex);
