#include "nowplaying/fetchcover.h"

#include <mutex>

#include "common/cp1252.h"
#include "common/fetch.h"
#include "common/ui/picture.h"

bool IsCoverImageAddress(const std::string& address)
{
    const std::string lowered = cp1252::lower(address);
    return lowered.find(".jpg") != std::string::npos || lowered.find(".gif") != std::string::npos
        || lowered.find(".png") != std::string::npos;
}

std::string FetchCoverFile(const std::string& coverAddress, const std::string& htmlDir)
{
    const std::string missing = htmlDir + kMissingCoverFileName;
    if (!IsCoverImageAddress(coverAddress))
        return missing;
    const std::string cover = htmlDir + kCoverFileName;
    return FetchToFile(coverAddress, cover, FetchUse::Cover) ? cover : missing;
}

QImage FetchCover(const std::string& coverAddress, const std::string& htmlDir)
{
    // Every cover goes through the same file and the same picture holder:
    // one download and decoding at a time.
    static std::mutex coverFile;
    static PictureHolder covers;
    std::lock_guard lock(coverFile);
    const QImage* picture = LoadPictureFile(FetchCoverFile(coverAddress, htmlDir), covers);
    return picture != nullptr ? *picture : QImage();
}
