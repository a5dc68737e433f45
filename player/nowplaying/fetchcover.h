#pragma once

#include <string>

#include <QImage>

inline constexpr const char* kCoverFileName = "pochette.jpg";
inline constexpr const char* kMissingCoverFileName = "introuvable.jpg";

// True when the lower-cased address holds ".jpg", ".gif" or ".png" anywhere.
bool IsCoverImageAddress(const std::string& address);

// Downloads a cover into htmlDir + "pochette.jpg" (whatever its format) and
// gives the picture file to show: that one, or htmlDir + "introuvable.jpg"
// when the address is not an image address, cannot be opened, or gives
// fewer than 10 bytes.
std::string FetchCoverFile(const std::string& coverAddress, const std::string& htmlDir);

// The cover to show for an address: the decoded picture file above. A
// cover that cannot be decoded, or a missing "introuvable.jpg", gives a null
// image. Safe to call from several threads: downloads into the shared file
// take turns.
QImage FetchCover(const std::string& coverAddress, const std::string& htmlDir);
