#include "common/diaglog.h"

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Set once at start-up, read by every line after.
const char* g_tag = nullptr;

} // namespace

void SetDiagLogTag(const char* tag)
{
    g_tag = tag;
}

void DiagLog(const std::string& line)
{
    const char* path = std::getenv("SONALTO_DIAG_LOG");
    if (path == nullptr || path[0] == '\0')
        return;
    std::string text;
    if (g_tag == nullptr) {
        text = line;
    } else {
        text = std::string(g_tag) + ": ";
        for (const char c : line) {
            if (c == '\n')
                text += "\\n";
            else
                text += c;
        }
    }
    text += '\n';
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    // One write per line: with O_APPEND, lines never interleave.
    if (::write(fd, text.data(), text.size()) < 0) {
        // A diagnostic that cannot be written is dropped.
    }
    ::close(fd);
}
