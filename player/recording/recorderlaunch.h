#pragma once

#include <string>

struct Settings;

// The recorder's parameters for a recording into outputFile:
// "-record -preset Snt.hdp -filter smart.hfs -output \"<file>\" -sequential
// -minimize -tos". The preset and filter are relative names, resolved in the
// installation directory, which is the recorder's working directory.
// bySong adds " -split": one file per song, named after the titles that
// RecorderTitles sends.
std::string RecordStartParameters(const std::string& outputFile, bool bySong = false);
inline constexpr const char* kRecordStopParameters = "-quit";

// Starts installDir + "HarddiskOgg/harddisk" with these parameters, split as
// a command line (a double-quoted part is one argument), in installDir.
// False when it could not be started; callers ignore it, as a failed launch
// is not reported.
bool LaunchRecorder(const std::string& installDir, const std::string& parameters);

// The recording directory as typed, taken as a folder: a final '/' is
// added when it is missing, so that files go inside it.
std::string RecordingDirectory(const std::string& typed);

// Writes the preset from the settings when there is none yet, creates the
// recording directory when it is missing (a fresh installation
// has none and the recorder would lose the recording), picks the next free
// output file and launches the recorder on it. Returns the output file.
std::string StartRecording(const Settings& settings, const std::string& installDir);
// Tells the running recorder to finish its file and leave.
void StopRecording(const std::string& installDir);
