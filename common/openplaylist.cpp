#include "common/openplaylist.h"

#include <sys/stat.h>

#include "common/cp1252.h"
#include "common/pagename.h"
#include "common/playlist.h"
#include "common/textfile.h"

namespace {

// Playlists are a few lines; anything bigger is not one.
constexpr off_t kMaxPlaylistBytes = 1 << 20;

bool IsRegularFile(const std::string& path, off_t* size = nullptr)
{
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    if (size != nullptr)
        *size = info.st_size;
    return true;
}

std::string LowerExtension(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string extension = path.substr(dot + 1);
    for (char& c : extension)
        c = static_cast<char>(cp1252::toLower(static_cast<unsigned char>(c)));
    return extension;
}

bool IsPlaylistExtension(const std::string& extension)
{
    return extension == "pls" || extension == "m3u" || extension == "m3u8" || extension == "asx"
        || extension == "xspf";
}

// Text for the page: the page is read back by plain text search (the name
// between its markers, the stream address in its quotes), so the marks that
// would end a tag or a value are left out rather than written as entities.
std::string HtmlText(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        if (c != '<' && c != '>' && c != '"' && c != '\r' && c != '\n')
            out += c;
    }
    return out;
}

std::string PageText(const std::string& title, const std::string& fileName, const std::string& link)
{
    const std::string& name = title;
    const std::string stream = HtmlText(link);
    return "<HTML>\r\n<HEAD>\r\n"
           "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=windows-1252\">\r\n"
           "<TITLE>Sonalto</TITLE>\r\n"
           "<LINK REL=\"stylesheet\" TYPE=\"text/css\" HREF=\"../bas.css\">\r\n"
           "</HEAD>\r\n<BODY oncontextmenu=\"return false\">\r\n<div class=\"fiche\">\r\n"
           "<table class=\"entete\"><tr>\r\n<td class=\"nom\"><font name=\"titre\">"
        + name
        + "</font>\r\n<div class=\"direct\"><span class=\"ondes\"><i></i><i></i><i></i><i></i>"
          "</span>En direct</div></td>\r\n</tr></table>\r\n"
          "<small>Liste de lecture ouverte avec Sonalto : "
        + HtmlText(fileName)
        + "</small>\r\n"
          "<div class=\"actions\"><a class=\"bouton rec\" href=\"app:rec()\">&#9679;&nbsp;"
          "Enregistrer</a></div>\r\n</div>\r\n"
          "<template id=\"lecteur\">\r\n"
          "<object id=\"RealPlayer\" classid=\"clsid:CFCDAA03-8BE4-11cf-B84B-0020AFBBCCFA\" "
          "width=0 height=0>\r\n<param name=\"src\" value=\""
        + stream
        + "\">\r\n<param name=\"autostart\" value=\"true\">\r\n</object>\r\n</template>\r\n"
          "</BODY>\r\n</HTML>\r\n";
}

} // namespace

std::string FindPlaylistArgument(
    const std::vector<std::string>& arguments, const std::string& currentDir)
{
    for (const std::string& argument : arguments) {
        if (argument.empty() || argument[0] == '-'
            || !IsPlaylistExtension(LowerExtension(argument)))
            continue;
        std::string path = argument;
        if (path.rfind("file://", 0) == 0)
            path = path.substr(7);
        if (path[0] != '/')
            path = currentDir + path;
        if (IsRegularFile(path))
            return path;
    }
    return {};
}

OpenedPlaylist MakePlaylistPage(const std::string& htmlDir, const std::string& path)
{
    OpenedPlaylist result;
    const std::string fileName = path.substr(path.find_last_of('/') + 1);
    off_t size = 0;
    if (!IsRegularFile(path, &size) || size > kMaxPlaylistBytes) {
        result.error = "La liste de lecture « " + fileName + " » est illisible.";
        return result;
    }
    const std::string text = ReadTextFile(path);
    PlaylistFormat format = SniffPlaylistFormat(text);
    if (format == PlaylistFormat::None)
        format = PlaylistFormatFromAddress(path);
    const std::vector<PlaylistEntry> entries = ParsePlaylist(text, format);
    if (entries.empty() && format != PlaylistFormat::Hls) {
        result.error
            = "La liste de lecture « " + fileName + " » ne contient aucune adresse de radio.";
        return result;
    }

    // File names arrive in UTF-8; pages and the index speak Windows-1252.
    const std::string stem = cp1252::fromUtf8(fileName.substr(0, fileName.find_last_of('.')));
    result.title = HtmlText(!entries.empty() && !entries.front().title.empty()
            ? cp1252::fromUtf8(entries.front().title)
            : stem);
    std::string base = AsciiPageBase(stem);
    if (base.empty())
        base = "Liste";
    const std::string folder = htmlDir + kOpenedPlaylistFolder;
    ::mkdir(folder.c_str(), 0755);
    const std::string copy = folder + base + "." + LowerExtension(path);
    const std::string page = base + ".htm";
    if ((copy != path && !WriteTextFile(copy, text))
        || !WriteTextFile(folder + page, PageText(result.title, stem, copy))) {
        result.error = "Impossible d'écrire la page de la liste de lecture dans " + folder + ".";
        result.title.clear();
        return result;
    }
    result.page = std::string(kOpenedPlaylistFolder) + page;
    return result;
}
