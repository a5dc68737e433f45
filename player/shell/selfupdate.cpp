#include "shell/selfupdate.h"

#include <sys/stat.h>

#include "common/installdir.h"
#include "common/textfile.h"

SelfUpdateStep CompleteSelfUpdate(
    const std::string& htmlDir, const std::string& installDir, bool updaterRunning)
{
    if (updaterRunning)
        return SelfUpdateStep::Waiting;
    const std::string parked = htmlDir + kParkedUpdater;
    struct stat info { };
    if (::stat(parked.c_str(), &info) != 0)
        return SelfUpdateStep::Nothing;
    // A parked file that cannot be read whole is not put in place.
    const std::string program = S_ISREG(info.st_mode) ? ReadTextFile(parked) : std::string();
    if (!S_ISREG(info.st_mode) || program.size() != static_cast<std::size_t>(info.st_size))
        return SelfUpdateStep::Failed;
    if (!WriteProgramFile(installDir + kUpdaterProgram, program))
        return SelfUpdateStep::Failed;
    DeleteFile(parked);
    return SelfUpdateStep::Done;
}
