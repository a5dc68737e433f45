#include "view/mappedfiles.h"

#include <cstdint>
#include <fstream>
#include <sstream>
#include <sys/mman.h>

#ifndef MADV_PAGEOUT
#define MADV_PAGEOUT 21
#endif

namespace {

struct Mapping {
    std::uintptr_t start = 0;
    std::uintptr_t end = 0;
    std::string perms; // "r-xp": readable, not writable, executable, private
    std::string path;
};

// "start-end perms offset dev inode [path]"; the path is empty for
// anonymous memory.
bool ParseMapping(const std::string& line, Mapping& mapping)
{
    std::istringstream fields(line);
    std::string range, skip;
    fields >> range >> mapping.perms >> skip >> skip >> skip;
    mapping.path.clear();
    std::getline(fields >> std::ws, mapping.path);
    const std::size_t dash = range.find('-');
    if (dash == std::string::npos)
        return false;
    mapping.start = std::stoull(range.substr(0, dash), nullptr, 16);
    mapping.end = std::stoull(range.substr(dash + 1), nullptr, 16);
    return true;
}

bool IsRegularFile(const std::string& path)
{
    static const std::string deleted = " (deleted)";
    return path.size() > 1 && path[0] == '/' && path.rfind("/dev/", 0) != 0
        && path.rfind("/memfd:", 0) != 0
        && !(path.size() > deleted.size()
            && path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0);
}

template <typename Visit> void EachMapping(Visit visit)
{
    std::ifstream maps("/proc/self/maps");
    Mapping mapping;
    for (std::string line; std::getline(maps, line);) {
        if (ParseMapping(line, mapping) && IsRegularFile(mapping.path))
            visit(mapping);
    }
}

} // namespace

std::set<std::string> MappedFiles()
{
    std::set<std::string> files;
    EachMapping([&](const Mapping& mapping) { files.insert(mapping.path); });
    return files;
}

namespace {

// Pages other processes map too stay; private pages written here
// (relocations) could only go to swap, and stay without it.
std::size_t PageOut(const Mapping& mapping)
{
    const std::size_t size = mapping.end - mapping.start;
    return ::madvise(reinterpret_cast<void*>(mapping.start), size, MADV_PAGEOUT) == 0 ? size : 0;
}

} // namespace

std::size_t PageOutFiles(const std::set<std::string>& files)
{
    std::size_t advised = 0;
    EachMapping([&](const Mapping& mapping) {
        if (files.count(mapping.path) != 0)
            advised += PageOut(mapping);
    });
    return advised;
}

std::size_t PageOutReadOnlyData()
{
    std::size_t advised = 0;
    EachMapping([&](const Mapping& mapping) {
        if (mapping.perms == "r--p")
            advised += PageOut(mapping);
    });
    return advised;
}
