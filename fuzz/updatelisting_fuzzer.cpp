// The answers of an update server: a folder listing and a version file,
// as they arrive from the network.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "common/updatelisting.h"
#include "common/updateversions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const std::vector<RemoteFile> remote = ParseRemoteListing(text);
    const std::vector<LocalFile> local = { { "radio.htm", "cbf43926" }, { "haut.htm", "0" } };
    const DownloadList plan = PlanDownloads(local, remote);
    // Nothing unsafe is ever planned, and the plan's sizes add up.
    long long total = 0;
    for (std::size_t i = 0; i < plan.files.size(); ++i) {
        if (!IsSafeRemoteName(plan.files[i]) || plan.kilobytes[i] < 0)
            std::abort();
        total += plan.kilobytes[i];
    }
    if (total != plan.totalKilobytes || plan.files.size() != plan.kilobytes.size())
        std::abort();
    for (const RemoteFile& file : remote)
        SizeInKilobytes(file.size);

    VersionCheck check;
    ParseRemoteVersions(text, { 0, 0 }, check);
    ExpandLineBreaks(text);
    return 0;
}
