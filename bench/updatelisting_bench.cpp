// The updater's local listing (every file of a folder read whole for its
// CRC-32) against a plain read of the same files, over a 200 MB folder of
// files of mixed sizes, from the page cache ("warm") and with the files
// dropped from the cache before each run ("cold", as after a reboot; the
// cache is dropped file by file, which the system may only partly honour).
//
//   updatelisting_bench [megabytes] [runs]
//
// Prints the throughput of both and their ratio; the target is a listing
// within 1.5 times the time of the plain read.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "common/textfile.h"
#include "common/updatelisting.h"

namespace {

using Clock = std::chrono::steady_clock;

// Station pages, logos and a few programs: many small files and some large.
std::vector<std::size_t> fileSizes(std::size_t totalBytes)
{
    std::mt19937 random(7);
    std::vector<std::size_t> sizes;
    std::size_t total = 0;
    while (total < totalBytes) {
        const int kind = static_cast<int>(random() % 100);
        std::size_t size = kind < 60 ? 2'000 + random() % 6'000 // pages
            : kind < 95              ? 5'000 + random() % 40'000 // logos
                                     : 2'000'000 + random() % 20'000'000; // programs
        size = std::min(size, totalBytes - total);
        sizes.push_back(size);
        total += size;
    }
    return sizes;
}

void dropFromCache(const std::string& dir)
{
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const int fd = ::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        ::fdatasync(fd);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
}

// Reads every file of the folder whole, as the listing does, and nothing else.
std::size_t plainRead(const std::string& dir)
{
    std::size_t total = 0;
    const auto buffer = std::make_unique<char[]>(1 << 20);
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const int fd = ::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        for (ssize_t got; (got = ::read(fd, buffer.get(), 1 << 20)) > 0;)
            total += static_cast<std::size_t>(got);
        ::close(fd);
    }
    return total;
}

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

} // namespace

int main(int argc, char** argv)
{
    const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 200;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    const std::string dir = std::filesystem::temp_directory_path().string()
        + "/sonalto-listing-bench-" + std::to_string(::getpid()) + "/";
    std::filesystem::create_directories(dir);

    std::mt19937 random(11);
    std::size_t bytes = 0;
    const std::vector<std::size_t> sizes = fileSizes(megabytes * 1'000'000);
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        std::string content(sizes[i], '\0');
        for (char& c : content)
            c = static_cast<char>(random());
        WriteTextFile(dir + "file" + std::to_string(i) + ".bin", content);
        bytes += sizes[i];
    }
    std::printf("folder: %zu files, %.1f MB\n", sizes.size(), bytes / 1e6);

    for (const bool cold : { false, true }) {
        double best[2] = { 1e9, 1e9 };
        std::size_t listed = 0;
        for (int run = 0; run < runs; ++run) {
            if (cold)
                dropFromCache(dir);
            auto start = Clock::now();
            const std::size_t read = plainRead(dir);
            best[0] = std::min(best[0], seconds(Clock::now() - start));
            if (read != bytes)
                std::fprintf(stderr, "plain read got %zu bytes\n", read);

            if (cold)
                dropFromCache(dir);
            start = Clock::now();
            listed = ListLocalDirectory(dir).size();
            best[1] = std::min(best[1], seconds(Clock::now() - start));
        }
        std::printf("%s cache, best of %d: plain read %.0f MB/s (%.1f ms), listing with "
                    "CRC-32 %.0f MB/s (%.1f ms, %zu files): %.2fx the read's time (target 1.5x)\n",
            cold ? "cold" : "warm", runs, bytes / 1e6 / best[0], best[0] * 1e3,
            bytes / 1e6 / best[1], best[1] * 1e3, listed, best[1] / best[0]);
    }
    std::filesystem::remove_all(dir);
    return 0;
}
