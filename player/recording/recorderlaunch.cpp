#include "recording/recorderlaunch.h"

#include <QDir>
#include <QProcess>
#include <QStringList>

#include "common/installdir.h"
#include "common/recorderpreset.h"
#include "common/settings.h"
#include "common/textfile.h"
#include "common/ui/launchprogram.h"
#include "common/ui/uitext.h"

std::string RecordStartParameters(const std::string& outputFile, bool bySong)
{
    return std::string("-record -preset ") + kRecorderPresetFile + " -filter " + kRecorderFilterFile
        + " -output \"" + outputFile + "\" -sequential -minimize -tos" + (bySong ? " -split" : "");
}

bool LaunchRecorder(const std::string& installDir, const std::string& parameters)
{
    return LaunchProgram(
        installDir, kRecorderProgram, QProcess::splitCommand(PathText(parameters)));
}

std::string RecordingDirectory(const std::string& typed)
{
    if (typed.empty() || typed.back() == '/')
        return typed;
    return typed + '/';
}

std::string StartRecording(const Settings& settings, const std::string& installDir)
{
    const std::string directory = RecordingDirectory(settings.pathRec);
    if (!directory.empty())
        QDir().mkpath(PathText(directory));
    // A fresh installation has no preset until the recording options are
    // confirmed; the recorder cannot record without one.
    if (!FileExists(installDir + kRecorderPresetFile))
        WriteRecorderPreset(settings, installDir, settings.formatIndex);
    const std::string output
        = RecordingOutputFile(directory, settings.recordBaseName, settings.formatIndex);
    LaunchRecorder(installDir, RecordStartParameters(output, settings.recordBySong));
    return output;
}

void StopRecording(const std::string& installDir)
{
    LaunchRecorder(installDir, kRecordStopParameters);
}
