#pragma once

#include <string>
#include <vector>

#include "common/stationindex.h"
#include "common/textfile.h"
#include "support/testsupport.h"

// An HTML directory with an index, the two templates and one page per
// station, as the editor and the other catalogue dialogs find it.
struct CatalogueDir {
    struct Station {
        std::string name; // Windows-1252
        std::string file;
        bool active = true;
        std::string logo; // empty: none
        std::string description;
    };

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
        ReplaceFirst(page, "!NomFichierRadio!", "http://stream.example/" + s.file);
        ReplaceFirst(page, "!LienHTTPRadio!", "");
        ReplaceFirst(page, "!Description!", s.description);
        // A page without a logo carries no logo picture at all.
        ReplaceFirst(page, "!NomFichierLogo!",
            s.logo.empty() ? "" : "<IMG SRC=\"logo/" + s.logo + "\" BORDER=0 WIDTH=66 HEIGHT=50>");
        return page;
    }

    void write(const std::vector<Station>& stations) const
    {
        WriteTextFile(html() + "mediaplayer.htm", templateText("\"filename\""));
        WriteTextFile(html() + "realplayer.htm", templateText("\"src\""));
        std::string text = IndexHeader();
        for (const Station& s : stations) {
            const std::string line = "<option value=\"" + s.file + "\">" + s.name + "</option>";
            text += (s.active ? line : "<!--" + line + "-->") + "\r\n";
            WriteTextFile(html() + s.file, pageText(s));
        }
        text += IndexFooter();
        WriteTextFile(index(), text);
    }

    std::vector<StationEntry> stations() const { return ListStations(ReadTextFile(index())); }
};
