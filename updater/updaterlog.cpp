#include "updaterlog.h"

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

void UpdaterLog(const std::string& line)
{
    const char* path = std::getenv("SONALTO_DIAG_LOG");
    if (path == nullptr || path[0] == '\0')
        return;
    std::string text = "updater: ";
    for (const char c : line) {
        if (c == '\n')
            text += "\\n";
        else
            text += c;
    }
    text += '\n';
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    // One write per line: with O_APPEND, lines of several programs never
    // interleave.
    if (::write(fd, text.data(), text.size()) < 0) {
        // A diagnostic that cannot be written is dropped.
    }
    ::close(fd);
}
