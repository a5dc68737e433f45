#include <cstdio>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include <QApplication>
#include <QMessageBox>

#include "common/fetch.h"
#include "common/installdir.h"
#include "common/openplaylist.h"
#include "common/settings.h"
#include "common/textfile.h"
#include "common/ui/uitext.h"
#include "shell/commandline.h"
#include "shell/sonaltoapp.h"
#include "view/appcommands.h"
#include "view/framebridge.h"

namespace {

// A playlist file among the arguments (the desktop opens .pls and .m3u
// files with the player) becomes a station page, and the start goes on as a
// "-radio" start of that page: the running player is told, or a new one
// starts on it. The file's own path is kept out of the options, which are
// found by substring search.
CommandLine ReadCommandLine(int argc, char** argv, const std::string& startDir,
    const std::string& installDir, std::string& playlistError)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    const std::string playlist = FindPlaylistArgument(arguments, startDir);
    if (playlist.empty())
        return ParseCommandLine(CommandLineTail(arguments));

    Settings settings;
    ApplyDefaultSettings(settings, installDir, ScreenSize { 1920, 1080 });
    LoadSettings(settings, installDir, kSettingsFileName, ScreenSize { 1920, 1080 });
    // The HTML directory as the main window finds it: the stored one when it
    // holds the frame page, else the installation's own.
    std::string htmlDir = settings.pathHtml;
    if (htmlDir.empty() || !FileExists(htmlDir + kFramePage))
        htmlDir = installDir + "html/";
    const OpenedPlaylist opened = MakePlaylistPage(htmlDir, playlist);
    std::vector<std::string> options;
    bool skipped = false;
    for (const std::string& argument : arguments) {
        const bool isPlaylist = argument == playlist || startDir + argument == playlist
            || argument == "file://" + playlist;
        if (isPlaylist && !skipped)
            skipped = true;
        else
            options.push_back(argument);
    }
    if (opened.page.empty()) {
        playlistError = opened.error;
    } else {
        options.push_back("-radio");
        options.push_back(opened.page);
    }
    return ParseCommandLine(CommandLineTail(options));
}

} // namespace

int main(int argc, char** argv)
{
    // Every relative path of the player is based on its own directory;
    // a file named on the command line is relative to where it was started.
    const std::string startDir = CurrentDirectory();
    const std::string installDir = EnterInstallationDirectory();
    std::string playlistError;
    const CommandLine commandLine
        = ReadCommandLine(argc, argv, startDir, installDir, playlistError);
    if (!playlistError.empty())
        std::fprintf(stderr, "Sonalto : %s\n", playlistError.c_str());

    // A second start forwards its options and ends without any window, so it
    // needs no display.
    const bool forwarded = SonaltoApp::forwardToRunningPlayer(commandLine);
    // "-stop" with no player running: nothing to stop, nothing created.
    if ((forwarded || commandLine.stop) && playlistError.empty())
        return 0;

    PrepareWebEngine();
    QApplication application(argc, argv);
    if (!playlistError.empty()) {
        QMessageBox::warning(
            nullptr, Utf8Text(kPlaylistErrorTitle), QString::fromStdString(playlistError));
        if (forwarded || commandLine.stop)
            return 0;
    }
    SonaltoApp app(installDir, commandLine);
    if (!app.initInstance())
        return 1;
    const int code = QApplication::exec();
    app.exitInstance();
    // A feed or cover download still running would outlive main and use
    // what static destructors free: stop them all, and wait. One that does
    // not end in time leaves with the process, the settings already saved.
    if (!StopFetchWorkers(std::chrono::seconds(3))) {
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}
