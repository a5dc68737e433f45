#include "updatesite.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "common/profile.h"
#include "common/textfile.h"
#include "common/updatelisting.h"
#include "common/updatemanifest.h"
#include "common/updateversions.h"

namespace fs = std::filesystem;

namespace {

// Copies the regular files of from into to (created when missing) and writes
// its listing. Subfolders are reported, as the updater cannot carry them.
bool publishFolder(const std::string& from, const std::string& to,
    const std::vector<std::string>& leaveOut, const std::string& publishedApart,
    bool privateFilesOut, SiteReport& report)
{
    std::error_code error;
    fs::create_directories(to, error);
    if (error) {
        report.errors.push_back("cannot create " + to + ": " + error.message());
        return false;
    }
    // What a previous run published goes first, so that a file taken out of
    // the installation leaves the site too.
    for (const fs::directory_entry& entry : fs::directory_iterator(to, error)) {
        if (entry.is_regular_file())
            fs::remove(entry.path(), error);
    }
    if (!fs::is_directory(from)) {
        report.warnings.push_back("no folder " + from + ": published empty");
    } else {
        for (const fs::directory_entry& entry : fs::directory_iterator(from, error)) {
            const std::string name = entry.path().filename().string();
            if (std::find(leaveOut.begin(), leaveOut.end(), name) != leaveOut.end())
                continue;
            if (entry.is_directory()) {
                if (name != publishedApart)
                    report.warnings.push_back("folder " + from + name + " is not published");
                continue;
            }
            if (!entry.is_regular_file() || (privateFilesOut && IsPrivateInstallFile(name)))
                continue;
            fs::copy_file(
                entry.path(), fs::path(to) / name, fs::copy_options::overwrite_existing, error);
            if (error) {
                report.errors.push_back("cannot copy " + from + name + ": " + error.message());
                return false;
            }
            ++report.files;
        }
    }
    std::vector<std::string> skipped;
    const std::string listing = MakeListing(to, &skipped, { kListingScript });
    for (const std::string& name : skipped) {
        report.warnings.push_back(
            "file " + name + " has a name the listing cannot carry: left out");
        fs::remove(fs::path(to) / name, error);
        --report.files;
    }
    if (!WriteTextFile(to + kListingScript, listing)) {
        report.errors.push_back("cannot write " + to + kListingScript);
        return false;
    }
    return true;
}

} // namespace

bool IsPrivateInstallFile(const std::string& name)
{
    static const char* const kPrivate[] = { "Sonalto.ini", "SntScheduler.ini", "Snt.hdp",
        "versions.txt", "URLs_update.txt", "fichier_tmp.tmp", kListenerPagesFile, kListingScript,
        kTrustedKeysFileName, kManifestFileName, kManifestSignatureFileName };
    if (std::find_if(
            std::begin(kPrivate), std::end(kPrivate), [&name](const char* p) { return name == p; })
        != std::end(kPrivate))
        return true;
    const bool temporary = name.size() > 8 && name.rfind("temp", 0) == 0
        && name.compare(name.size() - 4, 4, ".tmp") == 0;
    return name.empty() || name[0] == '.' || temporary;
}

SiteVersions ReadInstalledVersions(const std::string& installDir)
{
    Profile profile;
    profile.load(installDir + kVersionsFileName);
    SiteVersions versions;
    versions.softwareVersion = profile.get(kSoftwareSection, "Version");
    versions.softwareDate = profile.get(kSoftwareSection, "Date");
    versions.softwareComment = profile.get(kSoftwareSection, "Comment");
    versions.stationListVersion = profile.get(kStationListSection, "Version");
    versions.stationListDate = profile.get(kStationListSection, "Date");
    versions.stationListComment = profile.get(kStationListSection, "Comment");
    return versions;
}

std::string SiteVersionsText(const SiteVersions& versions)
{
    // The updater reads the server's file as text, section by section and
    // value by value in this order.
    return std::string("[") + kSoftwareSection + "]\n" + "Version=" + versions.softwareVersion
        + "\nDate=" + versions.softwareDate + "\nComment=" + versions.softwareComment + "\n["
        + kStationListSection + "]\n" + "Version=" + versions.stationListVersion
        + "\nDate=" + versions.stationListDate + "\nComment=" + versions.stationListComment + "\n";
}

UpdateManifest SiteManifest(const std::string& siteDir, const SiteVersions& versions)
{
    UpdateManifest manifest;
    manifest.versions = { versions.softwareVersion, versions.softwareDate, versions.softwareComment,
        versions.stationListVersion, versions.stationListDate, versions.stationListComment };
    for (const char* folder : { "liste_radio/", "liste_radio/logo/", "soft/" }) {
        for (const std::string& name : ListRegularFiles(siteDir + folder)) {
            const std::string path = siteDir + folder + name;
            std::error_code error;
            const auto size = fs::file_size(path, error);
            if (error)
                continue;
            manifest.files.push_back(
                { folder + name, static_cast<long long>(size), FileSha256(path) });
        }
    }
    std::sort(manifest.files.begin(), manifest.files.end(),
        [](const ManifestFile& a, const ManifestFile& b) { return a.path < b.path; });
    return manifest;
}

SiteReport PublishSite(const std::string& installDir, const std::string& siteDir,
    const SiteVersions& versions, const SecretKey& key)
{
    SiteReport report;
    for (const auto& [value, what] : { std::pair { &versions.softwareVersion, "software version" },
             std::pair { &versions.softwareDate, "software date" },
             std::pair { &versions.stationListVersion, "station list version" },
             std::pair { &versions.stationListDate, "station list date" } }) {
        if (value->empty())
            report.errors.push_back("no " + std::string(what) + " (versions.txt or option)");
    }
    for (const std::string* date : { &versions.softwareDate, &versions.stationListDate }) {
        if (!date->empty() && !ParseUpdateDate(*date))
            report.errors.push_back("date " + *date + " does not read as day/month/year");
    }
    for (const std::string* text : { &versions.softwareVersion, &versions.softwareDate,
             &versions.softwareComment, &versions.stationListVersion, &versions.stationListDate,
             &versions.stationListComment }) {
        if (text->find_first_of("\r\n") != std::string::npos)
            report.errors.push_back("a version value holds a line break: write it as \\n");
    }
    if (!report.errors.empty())
        return report;

    std::error_code error;
    fs::create_directories(siteDir, error);
    const std::string html = installDir + "html/";
    // The index is made on each machine from the pages it has.
    if (!publishFolder(html, siteDir + "liste_radio/", { "haut.htm" }, "logo", false, report)
        || !publishFolder(html + "logo/", siteDir + "liste_radio/logo/", {}, {}, false, report)
        || !publishFolder(installDir, siteDir + "soft/", {}, "html", true, report))
        return report;
    if (!WriteTextFile(siteDir + kVersionsFileName, SiteVersionsText(versions))) {
        report.errors.push_back("cannot write " + siteDir + kVersionsFileName);
        return report;
    }
    // The manifest goes last, once every file it describes is in place; its
    // trusted comment is the one minisign writes.
    const std::string manifest = ManifestText(SiteManifest(siteDir, versions));
    const std::string signature = SignDetached(manifest, key,
        "timestamp:" + std::to_string(std::time(nullptr)) + "\tfile:" + kManifestFileName
            + "\thashed");
    if (!WriteTextFile(siteDir + kManifestFileName, manifest)
        || !WriteTextFile(siteDir + kManifestSignatureFileName, signature)) {
        report.errors.push_back("cannot write " + siteDir + kManifestFileName);
        return report;
    }
    report.ok = true;
    return report;
}
