#pragma once

#include <optional>
#include <string>
#include <vector>
#include <string_view>

// The not-found value of every lookup and extraction; also the text shown
// for a missing value.
inline constexpr const char* kNotFound = "Introuvable";

// The whole content of the file, whatever its size; empty when it cannot be
// read.
std::string ReadTextFile(const std::string& path);

// The same, telling an empty file from one that cannot be opened or read
// (nullopt).
std::optional<std::string> TryReadTextFile(const std::string& path);

// Replaces the file with exactly these bytes. The text goes to a temporary
// file in the same folder which is flushed and renamed over the target, so a
// crash or a full disk leaves either the old or the new file, never half of
// one. False when the file cannot be written.
bool WriteTextFile(const std::string& path, std::string_view text);

// The two halves of WriteTextFile, for a set of files that is put in place
// only once every one of them has been written: StageTextFile writes the
// bytes into a flushed temporary file beside path and gives its name (empty
// when it cannot be written); CommitStagedFile renames it over path (the
// staged file is removed when that fails); DiscardStagedFile drops it.
std::string StageTextFile(const std::string& path, std::string_view text);
bool CommitStagedFile(const std::string& staged, const std::string& path);
void DiscardStagedFile(const std::string& staged);

// Replaces a program with exactly these bytes, through the same atomic
// replace as WriteTextFile. The new file may be run by everyone and written
// by its owner (0755), whatever the old one allowed.
bool WriteProgramFile(const std::string& path, std::string_view bytes);

// Removes from dir (ending with '/') the temporary files of writes that a
// killed or crashed program left, keeping those of writers still running.
// Returns how many went.
int SweepAbandonedWrites(const std::string& dir);

// Replaces in place the first exact occurrence of search; nothing when absent.
void ReplaceFirst(std::string& text, std::string_view search, std::string_view replacement);

// The text between the first start marker and the next end marker after it,
// both found without regard to letter case, with the source's own case.
// kNotFound when start is absent, empty when end is absent.
std::string ExtractBetween(std::string_view source, std::string_view start, std::string_view end);

// True when a file or directory exists at exactly this path.
bool FileExists(const std::string& path);

// True when anything is at this path, a link that leads nowhere included:
// such a file exists but cannot be read, and is not to be replaced.
bool PathPresent(const std::string& path);

// Removes a file; false when it did not exist or could not be removed.
bool DeleteFile(const std::string& path);

// The names of the regular files of dir (ending with '/'), symbolic links
// followed, directories and special files left out, sorted byte by byte so
// that every listing made from them is the same on every run.
std::vector<std::string> ListRegularFiles(const std::string& dir);
