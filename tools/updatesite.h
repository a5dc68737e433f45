#pragma once

#include <string>
#include <vector>

#include "common/updatemanifest.h"

// Turns an installation directory (or a folder laid out like one) into a
// static update site that any web server can serve:
//
//   versions.txt            the versions on offer, lines ending with LF
//   liste_radio/            the files of html/ (station pages, styles...)
//   liste_radio/logo/       the files of html/logo/
//   soft/                   the programs at the top of the installation
//
// and in each of the three folders a file "listfiles.php" holding the
// listing answer the updater asks for: one "<li>NAME | SIZE || CRC</li>"
// line per file. At the top go "manifest.txt", the size and SHA-256 of every
// file of the three folders with the versions on offer, and its signature
// "manifest.txt.minisig" made with the publisher's secret key.

struct SiteVersions {
    std::string softwareVersion;
    std::string softwareDate; // "d/m/yy"
    std::string softwareComment; // a line break written as the two characters \n
    std::string stationListVersion;
    std::string stationListDate;
    std::string stationListComment;
};

struct SiteReport {
    bool ok = false;
    std::vector<std::string> errors;
    std::vector<std::string> warnings;
    int files = 0;
};

// The files of the installation directory that belong to the listener or to
// this machine, never published in soft/: the settings, the schedule, the
// recorder preset, the version and server lists, the updater's temporary
// files.
bool IsPrivateInstallFile(const std::string& name);

// The values of installDir + "versions.txt"; empty where missing.
SiteVersions ReadInstalledVersions(const std::string& installDir);

// The text of the site's versions.txt.
std::string SiteVersionsText(const SiteVersions& versions);

// Lays out the site in siteDir (created when missing; the three folders are
// emptied of the files a previous run published). installDir and siteDir end
// with '/'. The manifest is signed with key.
SiteReport PublishSite(const std::string& installDir, const std::string& siteDir,
    const SiteVersions& versions, const SecretKey& key);

// The manifest of a laid-out site: the files of its three folders in byte
// order of their paths.
UpdateManifest SiteManifest(const std::string& siteDir, const SiteVersions& versions);
