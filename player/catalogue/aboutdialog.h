#pragma once

#include <string>

#include <QDialog>

#include "common/settings.h"

// The three texts of "A Propos...", Windows-1252.
struct AboutTexts {
    std::string software; // "version V du D" of "Version Soft", or "Introuvable"
    std::string stationList; // the same for "Version Liste Radio"
    std::string appearance; // the current appearance's name
};

inline constexpr const char* kVersionsFileName = "versions.txt";

// Reads installDir + "versions.txt". A section whose "Version" is missing or
// empty gives "Introuvable"; a "Version" without "Date" gives a text ending
// in " du ".
AboutTexts ReadAboutTexts(const std::string& installDir, const Settings& settings);

// "A Propos...": the player's picture, the two versions and the appearance.
class AboutDialog : public QDialog {
    Q_OBJECT

public:
    AboutDialog(const AboutTexts& texts, QWidget* parent = nullptr);
};
