#include "common/ui/launchprogram.h"

#include <QProcess>

#include "common/ui/uitext.h"

bool LaunchProgram(
    const std::string& installDir, const std::string& program, const QStringList& arguments)
{
    return QProcess::startDetached(PathText(installDir + program), arguments, PathText(installDir));
}
