#include "autostart.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "common/installdir.h"
#include "common/textfile.h"

namespace {

// A value of type string in a desktop entry: a backslash and the control
// characters are written as escapes.
std::string EscapeEntryValue(const std::string& value)
{
    std::string escaped;
    for (char c : value) {
        switch (c) {
        case '\\':
            escaped += "\\\\";
            break;
        case '\n':
            escaped += "\\n";
            break;
        case '\t':
            escaped += "\\t";
            break;
        case '\r':
            escaped += "\\r";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

// An argument of Exec: quoted, with '"', '`', '$' and '\' escaped inside
// the quotes and '%' doubled so that it is no field code. The value as a
// whole is then a string, whose own escaping doubles the backslashes again.
std::string QuoteExecArgument(const std::string& argument)
{
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        if (c == '%')
            quoted += '%';
        quoted += c;
    }
    return EscapeEntryValue(quoted + '"');
}

// The program's icon, as the installed desktop files name it.
constexpr const char* kIconName = "sonalto";

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
    entry += "Path=" + EscapeEntryValue(installDir) + "\n";
    entry += std::string("Icon=") + kIconName + "\n";
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
