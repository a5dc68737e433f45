#include "catalogue/aboutdialog.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "catalogue/cataloguetexts.h"
#include "common/profile.h"
#include "common/textfile.h"
#include "common/ui/uitext.h"

namespace {

std::string versionText(const Profile& versions, const char* section)
{
    const std::string version = versions.get(section, "Version");
    if (version.empty())
        return kNotFound;
    return "version " + version + " du " + versions.get(section, "Date");
}

} // namespace

AboutTexts ReadAboutTexts(const std::string& installDir, const Settings& settings)
{
    // A missing file reads as an empty profile: both versions "Introuvable".
    Profile versions;
    versions.load(installDir + kVersionsFileName);
    return { versionText(versions, "Version Soft"), versionText(versions, "Version Liste Radio"),
        settings.appearanceName };
}

AboutDialog::AboutDialog(const AboutTexts& texts, QWidget* parent)
    : QDialog(parent)
{
    namespace t = catalogue_texts;
    setWindowTitle(Utf8Text(t::kAboutTitle));

    auto* picture = new QLabel;
    picture->setObjectName("picture");
    picture->setAlignment(Qt::AlignCenter);
    picture->setPixmap(QApplication::windowIcon().pixmap(64, 64));
    const auto value = [](const std::string& text, const char* name) {
        auto* label = new QLabel(UiText(text));
        // Versions and names come from files: shown as written, never as
        // rich text.
        label->setTextFormat(Qt::PlainText);
        label->setObjectName(name);
        label->setAlignment(Qt::AlignCenter);
        return label;
    };
    auto* ok = new QPushButton(Utf8Text(t::kOk));
    ok->setObjectName("ok");
    ok->setDefault(true);

    auto* layout = new QGridLayout(this);
    layout->addWidget(picture, 0, 0, 1, 2);
    layout->addWidget(new QLabel(Utf8Text(t::kAboutSoftware)), 1, 0);
    layout->addWidget(value(texts.software, "softwareVersion"), 1, 1);
    layout->addWidget(new QLabel(Utf8Text(t::kAboutList)), 2, 0);
    layout->addWidget(value(texts.stationList, "stationListVersion"), 2, 1);
    layout->addWidget(new QLabel(Utf8Text(t::kAboutSkin)), 3, 0);
    layout->addWidget(value(texts.appearance, "appearanceName"), 3, 1);
    layout->addWidget(ok, 4, 0, 1, 2, Qt::AlignHCenter);
    layout->setColumnMinimumWidth(1, 160);

    connect(ok, &QPushButton::clicked, this, &AboutDialog::accept);
}
