#pragma once

#include <cstddef>
#include <set>
#include <string>

// The files this process maps, as /proc/self/maps lists them: regular
// files only (no anonymous memory, no shared-memory or device files, no
// deleted files).
std::set<std::string> MappedFiles();

// Asks the kernel to reclaim the pages of every mapping of the given files
// that this process alone holds. The pages come back from their files when
// they are next touched, so this is only for code and data that will rest
// for a long while. Returns the bytes of the mappings advised.
std::size_t PageOutFiles(const std::set<std::string>& files);

// The same for every private read-only mapping of a file that is not code:
// in a library, the symbol and relocation tables that the loader read as
// it loaded the library, its constants and its unwinding tables. Most of
// it rests for good once the program runs; what is in use comes back at
// once.
std::size_t PageOutReadOnlyData();
