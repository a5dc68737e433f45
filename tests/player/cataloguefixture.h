#pragma once

#include <filesystem>
#include <string>
#include <vector>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "common/pagename.h"
#include "common/stationindex.h"
#include "common/textfile.h"
#include "support/referenceindex.h"
#include "support/testsupport.h"

// An HTML directory with an index, the two templates and one page per
// station, as the editor and the other catalogue dialogs find it.
struct CatalogueDir {
    struct Station {
        std::string name; // Windows-1252
        std::string file;
        bool active = true;
        std::string logo; // empty: none, the page shows the default logo
        std::string description;
        std::string stream = {}; // empty: an address named after the file
    };

    // The default logo as the installation ships it.
    static std::string shippedLogo() { return SONALTO_INSTALL_TREE "html/logo/sntlogo.jpg"; }

    testsupport::TempDir dir { "sonalto-catalogue" };

    const std::string& html() const { return dir.path(); }
    std::string index() const { return IndexPath(dir.path()); }

    static std::string templateText(const char* linkStart)
    {
        return "<html><head><title>x</title></head><body>\r\n"
               "<font name=\"titre\">!NomRadio!</font>\r\n"
               "<param name="
            + std::string(linkStart)
            + " value=\"!NomFichierRadio!\">\r\n"
              "!NomFichierLogo!\r\n"
              "<td valign=\"middle\"><a href=\"!LienHTTPRadio!\" target=\"_blank\">site</a>\r\n"
              "<!-- la description entre <small> et </small> "
              "-->\r\n<small>!Description!</small>\r\n"
              "</body></html>\r\n";
    }

    static std::string pageText(const Station& s)
    {
        std::string page = templateText("\"filename\"");
        ReplaceFirst(page, "!NomRadio!", s.name);
        ReplaceFirst(page, "!NomFichierRadio!",
            s.stream.empty() ? "http://stream.example/" + s.file : s.stream);
        ReplaceFirst(page, "!LienHTTPRadio!", "");
        ReplaceFirst(page, "!Description!", s.description);
        // A page without a logo of its own shows the default one, as the
        // editor writes it.
        ReplaceFirst(page, "!NomFichierLogo!",
            "<IMG SRC=\"logo/" + (s.logo.empty() ? std::string("sntlogo.jpg") : s.logo)
                + "\" BORDER=0 WIDTH=66 HEIGHT=50>");
        return page;
    }

    void write(const std::vector<Station>& stations) const
    {
        WriteTextFile(html() + "mediaplayer.htm", templateText("\"filename\""));
        WriteTextFile(html() + "realplayer.htm", templateText("\"src\""));
        std::filesystem::create_directories(html() + "logo");
        std::filesystem::copy_file(shippedLogo(), html() + "logo/sntlogo.jpg",
            std::filesystem::copy_options::overwrite_existing);
        std::string text = IndexHeader();
        for (const Station& s : stations) {
            text += s.active ? testsupport::ActiveLine(s.file, s.name)
                             : testsupport::InactiveLine(s.file, s.name);
            WriteTextFile(html() + FileNameOnDisk(s.file), pageText(s));
        }
        text += IndexFooter();
        WriteTextFile(index(), text);
    }

    std::vector<StationEntry> stations() const { return ListStations(ReadTextFile(index())); }
};

// Runs the enclosed code as an ordinary user: the superuser, as whom the
// tests may run, writes into read-only folders and reads any file.
class AsOrdinaryUser {
public:
    AsOrdinaryUser()
        : m_root(::geteuid() == 0)
    {
        if (m_root && ::seteuid(65534) != 0)
            ADD_FAILURE() << "cannot leave the superuser";
    }
    ~AsOrdinaryUser()
    {
        if (m_root && ::seteuid(0) != 0)
            ADD_FAILURE() << "cannot come back to the superuser";
    }
    AsOrdinaryUser(const AsOrdinaryUser&) = delete;
    AsOrdinaryUser& operator=(const AsOrdinaryUser&) = delete;

private:
    bool m_root;
};
