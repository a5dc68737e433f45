#include "shell/updatelaunch.h"

#include <QStringList>

#include "common/diaglog.h"
#include "common/installdir.h"
#include "common/prompt.h"
#include "common/textfile.h"
#include "common/ui/launchprogram.h"
#include "common/updateversions.h"

bool StartUpdater(const std::string& installDir, UpdaterStart how, Prompt& prompt)
{
    const std::string program = installDir + kUpdaterProgram;
    QStringList arguments;
    if (how == UpdaterStart::Weekly)
        arguments << QString::fromLatin1(updatetexts::kSilentOption);
    // A file that is there but cannot be run is as good as missing: the
    // listener hears of it instead of waiting for a check that never comes.
    if (FileExists(program) && LaunchProgram(installDir, kUpdaterProgram, arguments)) {
        DiagLog(how == UpdaterStart::Weekly ? "updater started -silence" : "updater started");
        return true;
    }
    prompt.message(how == UpdaterStart::Weekly ? updatetexts::kMissingTitleWeekly
                                               : updatetexts::kMissingTitleNow,
        updatetexts::kMissingText, PromptIcon::Exclamation);
    return false;
}

bool WeeklyCheckDue(const Settings& settings, std::time_t now)
{
    return settings.updates && settings.lastUpdate < now - kWeeklyCheckPeriod;
}

bool UpdateServersListed(const std::string& installDir)
{
    ServerTable servers;
    return ReadServerList(installDir, servers, 0);
}
