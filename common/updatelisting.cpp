#include "common/updatelisting.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <zlib.h>

#include "common/cp1252.h"
#include "common/pagename.h"
#include "common/updatedownload.h"
#include "common/textfile.h"

namespace {

// The listing script may take a while to read a large folder.
constexpr int kListingFetchLimit = 10;
constexpr std::string_view kItemStart = "<li>";
constexpr std::string_view kItemEnd = "</li>";
constexpr std::string_view kSizeMarker = " | ";
constexpr std::string_view kChecksumMarker = " || ";
// A size that cannot be read is taken as this many bytes.
constexpr long long kUnknownSize = 5;
// Checksums are computed over pieces of this size.
constexpr std::size_t kReadPiece = 256 * 1024;

// Line breaks around a field, when an item runs over several lines.
std::string_view trimLineBreaks(std::string_view field)
{
    while (!field.empty() && (field.front() == '\r' || field.front() == '\n'))
        field.remove_prefix(1);
    while (!field.empty() && (field.back() == '\r' || field.back() == '\n'))
        field.remove_suffix(1);
    return field;
}

std::string hexText(unsigned long value)
{
    char text[24];
    std::snprintf(text, sizeof text, "%lx", value);
    return text;
}

} // namespace

std::string ChecksumText(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return "0";
    struct stat st { };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return "0";
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    // One buffer per thread, small enough to stay in the processor's cache
    // between the copy from the file and the checksum.
    thread_local const auto buffer = std::make_unique_for_overwrite<unsigned char[]>(kReadPiece);
    uLong crc = ::crc32(0L, Z_NULL, 0);
    long long total = 0;
    for (;;) {
        const ssize_t got = ::read(fd, buffer.get(), kReadPiece);
        if (got > 0) {
            crc = ::crc32(crc, buffer.get(), static_cast<uInt>(got));
            total += got;
        } else if (got == 0 || errno != EINTR) {
            break;
        }
    }
    ::close(fd);
    // A file that could not be read whole has no checksum to compare.
    if (total < static_cast<long long>(st.st_size))
        return "0";
    return hexText(crc);
}

std::vector<LocalFile> ListLocalDirectory(const std::string& dir)
{
    // Files are known by the name the listing gives them. A file whose name
    // has no Windows-1252 spelling (one written raw in that code page by an
    // older updater, say) is no file of the server's: its page comes again
    // under its proper name.
    std::vector<std::string> names;
    std::vector<std::string> textNames;
    for (std::string& name : ListRegularFiles(dir)) {
        if (std::optional<std::string> text = FileNameInText(name)) {
            textNames.push_back(std::move(*text));
            names.push_back(std::move(name));
        }
    }
    std::vector<LocalFile> files(names.size());
    // The checksums are computed on every core: reading from the cache is
    // faster than the checksum, so one core alone would leave the listing
    // well behind a plain read of the same files.
    std::atomic<std::size_t> next { 0 };
    const auto work = [&] {
        for (std::size_t i = next.fetch_add(1); i < names.size(); i = next.fetch_add(1))
            files[i] = { cp1252::lower(textNames[i]), ChecksumText(dir + names[i]) };
    };
    const std::size_t cores = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 4);
    std::vector<std::thread> helpers;
    for (std::size_t i = 1; i < std::min(cores, names.size()); ++i) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            break;
        }
    }
    work();
    for (std::thread& helper : helpers)
        helper.join();
    return files;
}

std::vector<RemoteFile> ParseRemoteListing(std::string_view text)
{
    std::vector<RemoteFile> files;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t start = cp1252::findNoCase(text, kItemStart, pos);
        if (start == std::string_view::npos)
            break;
        const std::size_t from = start + kItemStart.size();
        const std::size_t end = cp1252::findNoCase(text, kItemEnd, from);
        if (end == std::string_view::npos)
            break;
        // Each item is read on its own, so that a field missing in one item
        // is never taken from the next.
        const std::string_view item = text.substr(from, end - from);
        RemoteFile file;
        const std::size_t size = item.find(kSizeMarker);
        const std::size_t checksum = size == std::string_view::npos
            ? std::string_view::npos
            : item.find(kChecksumMarker, size + kSizeMarker.size());
        if (checksum == std::string_view::npos) {
            file.wellFormed = false;
            file.name
                = trimLineBreaks(size == std::string_view::npos ? item : item.substr(0, size));
        } else {
            file.name = trimLineBreaks(item.substr(0, size));
            file.size = trimLineBreaks(
                item.substr(size + kSizeMarker.size(), checksum - size - kSizeMarker.size()));
            file.checksum = trimLineBreaks(item.substr(checksum + kChecksumMarker.size()));
        }
        files.push_back(std::move(file));
        pos = end + kItemEnd.size();
    }
    return files;
}

bool ListRemoteDirectory(const std::string& address, std::vector<RemoteFile>& files)
{
    std::string text;
    if (!FetchListingText(address + kListingScript, kListingFetchLimit, text))
        return false;
    files = ParseRemoteListing(text);
    return true;
}

int SizeInKilobytes(std::string_view sizeText)
{
    long long bytes = SizeInBytes(sizeText);
    if (bytes < 0)
        bytes = kUnknownSize;
    return static_cast<int>(std::min(bytes / 1000, 1'000'000LL));
}

long long SizeInBytes(std::string_view sizeText)
{
    std::size_t pos = 0;
    while (pos < sizeText.size() && (sizeText[pos] == ' ' || sizeText[pos] == '\t'))
        ++pos;
    const std::size_t digits = pos;
    long long bytes = 0;
    while (pos < sizeText.size() && sizeText[pos] >= '0' && sizeText[pos] <= '9') {
        bytes = std::min(bytes * 10 + (sizeText[pos] - '0'), 1'000'000'000'000LL);
        ++pos;
    }
    return pos == digits ? -1 : bytes;
}

bool IsListenerFile(std::string_view name)
{
    static constexpr std::string_view kOwn[]
        = { "sonalto.ini", "sntscheduler.ini", "snt.hdp", "urls_update.txt", "versions.txt",
              "fichier_tmp.tmp", "pages_perso.txt", "cles_update.pub", "manifest.txt" };
    const std::string key = cp1252::lower(std::string(name));
    return std::find(std::begin(kOwn), std::end(kOwn), key) != std::end(kOwn);
}

std::vector<std::string> ReadListenerPages(const std::string& htmlDir)
{
    std::vector<std::string> pages;
    const std::string text = ReadTextFile(htmlDir + kListenerPagesFile);
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            pages.push_back(cp1252::lower(line));
        pos = end + 1;
    }
    return pages;
}

bool RecordListenerPage(const std::string& htmlDir, const std::string& pageFile)
{
    const std::vector<std::string> pages = ReadListenerPages(htmlDir);
    if (std::find(pages.begin(), pages.end(), cp1252::lower(pageFile)) != pages.end())
        return true;
    std::string text = ReadTextFile(htmlDir + kListenerPagesFile);
    if (!text.empty() && text.back() != '\n')
        text += "\r\n";
    return WriteTextFile(htmlDir + kListenerPagesFile, text + pageFile + "\r\n");
}

bool DownloadMatchesListing(
    const std::string& path, long long listedBytes, const std::string& listedChecksum)
{
    struct stat st { };
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    if (listedBytes >= 0 && st.st_size != listedBytes)
        return false;
    return cp1252::lower(ChecksumText(path)) == cp1252::lower(listedChecksum);
}

bool IsSafeRemoteName(std::string_view name)
{
    const bool control = std::any_of(
        name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
    return !name.empty() && !control && name != "." && name.find('/') == std::string_view::npos
        && name.find('\\') == std::string_view::npos && name.find("..") == std::string_view::npos;
}

DownloadList PlanDownloads(const std::vector<LocalFile>& local,
    const std::vector<RemoteFile>& remote, const std::vector<std::string>& keep)
{
    DownloadList plan;
    for (const RemoteFile& file : remote) {
        const std::string key = cp1252::lower(file.name);
        // The index is regenerated here, and the version file is written
        // here once the installation is complete: neither comes from a
        // folder of the server.
        if (key == "version.txt" || key == "haut.htm" || IsListenerFile(key)
            || std::find(keep.begin(), keep.end(), key) != keep.end())
            continue;
        if (!file.wellFormed || !IsSafeRemoteName(file.name)) {
            plan.refused.push_back(file.name);
            continue;
        }
        const auto match = std::find_if(
            local.begin(), local.end(), [&key](const LocalFile& l) { return l.name == key; });
        if (match != local.end() && match->checksum == file.checksum)
            continue;
        plan.files.push_back(file.name);
        plan.kilobytes.push_back(SizeInKilobytes(file.size));
        plan.bytes.push_back(SizeInBytes(file.size));
        plan.checksums.push_back(file.checksum);
        plan.totalKilobytes += plan.kilobytes.back();
    }
    return plan;
}

std::string MakeListing(const std::string& dir, std::vector<std::string>* skipped,
    const std::vector<std::string>& leaveOut)
{
    std::string listing;
    for (const std::string& diskName : ListRegularFiles(dir)) {
        if (std::find(leaveOut.begin(), leaveOut.end(), diskName) != leaveOut.end())
            continue;
        // The listing speaks Windows-1252: a name it cannot spell is left out.
        const std::optional<std::string> text = FileNameInText(diskName);
        const std::string name = text.value_or(diskName);
        const bool carried = text && IsSafeRemoteName(name)
            && name.find(kSizeMarker) == std::string::npos && name.find(" |") == std::string::npos
            && name.find("| ") == std::string::npos
            && cp1252::findNoCase(name, kItemStart) == std::string::npos
            && cp1252::findNoCase(name, kItemEnd) == std::string::npos
            && name.find_first_of("\r\n") == std::string::npos;
        if (!carried) {
            if (skipped != nullptr)
                skipped->push_back(diskName);
            continue;
        }
        struct stat st { };
        if (::stat((dir + diskName).c_str(), &st) != 0)
            continue;
        listing += "<li>" + name + " | " + std::to_string(st.st_size) + " || "
            + ChecksumText(dir + diskName) + "</li>\n";
    }
    return listing;
}
