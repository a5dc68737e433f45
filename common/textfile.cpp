#include "common/textfile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <csignal>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/cp1252.h"

namespace {

constexpr std::string_view kWritePrefix = ".sonalto-write-";

// Whether a temporary file of WriteTextFile can still be in use: its writer
// runs, or (a name without a process number) it is less than an hour old.
bool WriteMayBeUnderWay(const std::string& path, std::string_view name)
{
    std::string_view rest = name.substr(kWritePrefix.size());
    const std::size_t dash = rest.find('-');
    if (dash != std::string_view::npos && dash > 0 && dash < 10
        && std::all_of(
            rest.begin(), rest.begin() + dash, [](char c) { return c >= '0' && c <= '9'; })) {
        const pid_t pid = static_cast<pid_t>(std::stol(std::string(rest.substr(0, dash))));
        return pid > 0 && (::kill(pid, 0) == 0 || errno != ESRCH);
    }
    struct stat st { };
    return ::lstat(path.c_str(), &st) == 0 && std::time(nullptr) - st.st_mtime < 3600;
}

} // namespace

std::string ReadTextFile(const std::string& path)
{
    return TryReadTextFile(path).value_or(std::string());
}

std::optional<std::string> TryReadTextFile(const std::string& path)
{
    std::string content;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st { };
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
        content.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            content.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            ::close(fd);
            return std::nullopt;
        }
    }
    ::close(fd);
    return content;
}

namespace {

// The bytes into a flushed temporary file beside path. mode, when given, is
// its permissions; otherwise those of the file it will replace, or the
// usual ones for the user's umask.
std::string stageFile(const std::string& path, std::string_view text, const mode_t* mode)
{
    const std::size_t slash = path.find_last_of('/');
    const std::string dir
        = slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
    // The writer's process number in the name lets a later sweep tell the
    // file of a write cut short from one under way.
    std::string tmpl = (slash == std::string::npos ? std::string() : dir)
        + std::string(kWritePrefix) + std::to_string(::getpid()) + "-XXXXXX";
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0)
        return {};

    bool ok = true;
    const char* p = text.data();
    std::size_t left = text.size();
    while (ok && left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n > 0) {
            p += n;
            left -= static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            ok = false;
        }
    }
    struct stat old { };
    if (ok) {
        if (mode != nullptr) {
            ok = ::fchmod(fd, *mode) == 0;
        } else if (::stat(path.c_str(), &old) == 0) {
            ok = ::fchmod(fd, old.st_mode & 07777) == 0;
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            ok = ::fchmod(fd, 0666 & ~mask) == 0;
        }
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok) {
        ::unlink(tmpl.c_str());
        return {};
    }
    return tmpl;
}

} // namespace

std::string StageTextFile(const std::string& path, std::string_view text)
{
    return stageFile(path, text, nullptr);
}

bool CommitStagedFile(const std::string& staged, const std::string& path)
{
    if (staged.empty())
        return false;
    if (::rename(staged.c_str(), path.c_str()) == 0)
        return true;
    ::unlink(staged.c_str());
    return false;
}

void DiscardStagedFile(const std::string& staged)
{
    if (!staged.empty())
        ::unlink(staged.c_str());
}

bool WriteTextFile(const std::string& path, std::string_view text)
{
    return CommitStagedFile(StageTextFile(path, text), path);
}

bool WriteProgramFile(const std::string& path, std::string_view bytes)
{
    const mode_t mode = 0755;
    return CommitStagedFile(stageFile(path, bytes, &mode), path);
}

int SweepAbandonedWrites(const std::string& dir)
{
    int removed = 0;
    DIR* handle = ::opendir(dir.c_str());
    if (!handle)
        return 0;
    while (const dirent* entry = ::readdir(handle)) {
        const std::string_view name = entry->d_name;
        if (name.substr(0, kWritePrefix.size()) != kWritePrefix)
            continue;
        const std::string path = dir + std::string(name);
        struct stat st { };
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        if (!WriteMayBeUnderWay(path, name) && ::unlink(path.c_str()) == 0)
            ++removed;
    }
    ::closedir(handle);
    return removed;
}

void ReplaceFirst(std::string& text, std::string_view search, std::string_view replacement)
{
    if (search.empty())
        return;
    const std::size_t pos = text.find(search);
    if (pos != std::string::npos)
        text.replace(pos, search.size(), replacement);
}

std::string ExtractBetween(std::string_view source, std::string_view start, std::string_view end)
{
    const std::size_t s = cp1252::findNoCase(source, start);
    if (s == std::string_view::npos)
        return kNotFound;
    const std::size_t from = s + start.size();
    const std::size_t e = cp1252::findNoCase(source, end, from);
    if (e == std::string_view::npos)
        return {};
    return std::string(source.substr(from, e - from));
}

bool FileExists(const std::string& path)
{
    struct stat st { };
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool PathPresent(const std::string& path)
{
    struct stat st { };
    return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

bool DeleteFile(const std::string& path)
{
    return ::unlink(path.c_str()) == 0;
}

std::vector<std::string> ListRegularFiles(const std::string& dir)
{
    std::vector<std::string> names;
    DIR* handle = ::opendir(dir.c_str());
    if (!handle)
        return names;
    while (const dirent* entry = ::readdir(handle)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        bool regular = entry->d_type == DT_REG;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat st { };
            regular = ::stat((dir + name).c_str(), &st) == 0 && S_ISREG(st.st_mode);
        }
        if (regular)
            names.push_back(name);
    }
    ::closedir(handle);
    std::sort(names.begin(), names.end());
    return names;
}
