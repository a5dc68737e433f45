#include "autostart.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "common/installdir.h"
#include "common/textfile.h"

namespace {

// Exec values quote an argument holding blanks or reserved characters; a
// quoted argument escapes '"', '`', '$' and '\'.
std::string QuoteExecArgument(const std::string& argument)
{
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

} // namespace

std::string AutostartDirectory()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && *config == '/')
        return std::string(config) + "/autostart/";
    const char* home = std::getenv("HOME");
    if (home && *home)
        return std::string(home) + "/.config/autostart/";
    return {};
}

std::string AutostartEntry(const std::string& installDir)
{
    std::string entry = "[Desktop Entry]\n"
                        "Type=Application\n"
                        "Name=SntScheduler\n"
                        "Comment=SonaltoScheduler\n";
    entry += "Exec=" + QuoteExecArgument(installDir + kSchedulerProgram) + " -quiet\n";
    entry += "Path=" + installDir + "\n";
    entry += "Icon=" + installDir + kSchedulerProgram + "\n";
    entry += "Terminal=false\n"
             "X-GNOME-Autostart-enabled=true\n";
    return entry;
}

bool CreateStartupShortcut(const std::string& installDir, const std::string& autostartDir)
{
    if (autostartDir.empty())
        return false;
    std::error_code error;
    std::filesystem::create_directories(autostartDir, error);
    return WriteTextFile(autostartDir + kAutostartFileName, AutostartEntry(installDir));
}

bool DeleteStartupShortcut(const std::string& autostartDir)
{
    if (!autostartDir.empty())
        DeleteFile(autostartDir + kAutostartFileName);
    return true;
}
