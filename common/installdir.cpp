#include "common/installdir.h"

#include <climits>
#include <unistd.h>

std::string CurrentDirectory()
{
    char buffer[PATH_MAX];
    if (::getcwd(buffer, sizeof buffer) == nullptr)
        return "./";
    std::string dir(buffer);
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    return dir;
}

std::string EnterInstallationDirectory()
{
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n > 0) {
        std::string exe(buffer, static_cast<std::size_t>(n));
        const std::size_t slash = exe.find_last_of('/');
        if (slash != std::string::npos) {
            const std::string dir = exe.substr(0, slash + 1);
            if (::chdir(dir.c_str()) != 0) {
                // Stay where we are: the current directory is then the base.
            }
        }
    }
    return CurrentDirectory();
}
