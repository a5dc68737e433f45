#pragma once

#include <string>
#include <string_view>
#include <vector>

// Which files of a folder differ from those of the same folder on the update
// server. Each side lists its files with a CRC-32 checksum; only files that
// are missing here or whose checksum differs are downloaded.
//
// A server folder answers "listfiles.php" with one item per file:
//   <li>NAME | SIZE || CHECKSUM</li>
// SIZE in bytes in decimal, CHECKSUM as ChecksumText writes it. Anything
// outside the items is ignored, and items may share a line.

inline constexpr const char* kListingScript = "listfiles.php";

// The CRC-32 (IEEE 802.3, as zlib computes it) of the whole file in lower-case
// hexadecimal without leading zeros: "cbf43926" for the nine bytes
// "123456789". "0" when the file cannot be opened or not all of it can be
// read.
std::string ChecksumText(const std::string& path);

struct LocalFile {
    std::string name; // lower case
    std::string checksum;
};

// The regular files of dir (which ends with '/'), subfolders left out, in
// byte order of their names, each named in Windows-1252 (lower case); a name
// without that spelling is left out. Empty when the folder cannot be read.
std::vector<LocalFile> ListLocalDirectory(const std::string& dir);

struct RemoteFile {
    std::string name; // as listed
    std::string size; // as listed
    std::string checksum; // as listed
    // The item had all three fields; a malformed one is never downloaded.
    bool wellFormed = true;
};

// The items of a listing answer, in order. An item without its closing
// "</li>" ends the listing.
std::vector<RemoteFile> ParseRemoteListing(std::string_view text);

// Fetches address + "listfiles.php" (address ends with '/') and parses it.
// False when the server did not answer within its waits, could not be
// reached, or answered with an error.
bool ListRemoteDirectory(const std::string& address, std::vector<RemoteFile>& files);

// The size text as a whole number of kilobytes (bytes / 1000); a text that
// does not start with a number counts as 5 bytes. At most 1 000 000 (a
// gigabyte), so that a watchdog period derived from it stays in range.
int SizeInKilobytes(std::string_view sizeText);

// True when a name from the server can only name a file directly inside its
// target folder: not empty, no "/", no "\", no "..", no control byte.
bool IsSafeRemoteName(std::string_view name);

// The size text as a number of bytes; -1 when it does not start with a
// number.
long long SizeInBytes(std::string_view sizeText);

// True when a name is one of the listener's own files, which no update
// replaces whatever a server lists: the settings, the schedule, the
// recorder preset, the server list, the version file, the parked updater,
// the trusted publishing keys and the manifest of the last installation
// (compared without regard to letter case).
bool IsListenerFile(std::string_view name);

// The pages the listener wrote through the personal list editor, one file
// name a line in the HTML directory's "pages_perso.txt": updates leave them
// as the listener made them.
inline constexpr const char* kListenerPagesFile = "pages_perso.txt";
// The recorded names, lower case; empty when there is no record.
std::vector<std::string> ReadListenerPages(const std::string& htmlDir);
// Adds a page to the record (once); false when it cannot be written.
bool RecordListenerPage(const std::string& htmlDir, const std::string& pageFile);

// The downloads of one category.
struct DownloadList {
    std::vector<std::string> files; // names as listed by the server
    std::vector<int> kilobytes; // the size of each, as SizeInKilobytes gives it
    std::vector<long long> bytes; // the listed size, -1 when not a number
    std::vector<std::string> checksums; // as listed
    long long totalKilobytes = 0;
    // Names refused because they would land outside the folder, or items
    // that lack a field.
    std::vector<std::string> refused;
};

// Plans the remote files that are not here or differ: matched by name
// without regard to letter case, compared by exact checksum text.
// "version.txt" and "haut.htm" are never planned (the index is regenerated
// here), nor the listener's own files, nor the names in keep (lower case:
// pages the listener changed).
DownloadList PlanDownloads(const std::vector<LocalFile>& local,
    const std::vector<RemoteFile>& remote, const std::vector<std::string>& keep = {});

// True when the downloaded file is the one the listing described: its
// CRC-32 equals the listed checksum and, when the listing gave a size, it
// holds exactly that many bytes. A transfer cut short, a page a portal sent
// in its place or a file changed on the way all fail.
bool DownloadMatchesListing(
    const std::string& path, long long listedBytes, const std::string& listedChecksum);

// The listing answer for the files of dir, as a server publishes it: one
// item per line, in byte order of the names, each named in Windows-1252
// (FileNameInText). Names that the grammar cannot carry (holding " | ",
// " || ", "<li>" or "</li>", a line break, unsafe as above, or without a
// Windows-1252 spelling) are left out and returned in skipped, as on disk.
std::string MakeListing(const std::string& dir, std::vector<std::string>* skipped = nullptr,
    const std::vector<std::string>& leaveOut = {});
