#include "recording/recorderlaunch.h"

#include <QDir>
#include <QProcess>
#include <QStringList>

#include "common/installdir.h"
#include "common/recorderpreset.h"
#include "common/settings.h"
#include "common/ui/launchprogram.h"
#include "common/ui/uitext.h"

std::string RecordStartParameters(const std::string& outputFile)
{
    return std::string("-record -preset ") + kRecorderPresetFile + " -filter "
        + kRecorderFilterFile + " -output \"" + outputFile + "\" -sequential -minimize -tos";
}

bool LaunchRecorder(const std::string& installDir, const std::string& parameters)
{
    return LaunchProgram(
        installDir, kRecorderProgram, QProcess::splitCommand(PathText(parameters)));
}

std::string StartRecording(const Settings& settings, const std::string& installDir)
{
    if (!settings.pathRec.empty())
        QDir().mkpath(PathText(settings.pathRec));
    const std::string output
        = RecordingOutputFile(settings.pathRec, settings.recordBaseName, settings.formatIndex);
    LaunchRecorder(installDir, RecordStartParameters(output));
    return output;
}

void StopRecording(const std::string& installDir)
{
    LaunchRecorder(installDir, kRecordStopParameters);
}
