#include <cstdio>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include <QApplication>
#include <QMessageBox>

#include "commandids.h"
#include "common/diaglog.h"
#include "common/fetch.h"
#include "common/installdir.h"
#include "common/openplaylist.h"
#include "common/settings.h"
#include "common/textfile.h"
#include "common/ui/uitext.h"
#include "common/windowclaim.h"
#include "shell/commandline.h"
#include "shell/mainframe.h"
#include "shell/quitsignals.h"
#include "shell/singleinstance.h"
#include "shell/sonaltoapp.h"
#include "texts.h"
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

    // One player only: the name is claimed before anything else, or the
    // options go to the player that holds it. A second start needs no
    // display.
    WindowClaim claim;
    const char* token = std::getenv("XDG_ACTIVATION_TOKEN");
    const StartRole role
        = ClaimOrForward(claim, commandLine, token != nullptr ? std::string(token) : std::string());
    if (role == StartRole::Unreachable) {
        std::fprintf(stderr, "%s\n", texts::kPlayerUnreachable);
        return 1;
    }
    const bool forwarded = role == StartRole::Forwarded;
    // "-stop" with no player running: nothing to stop, nothing created.
    if (role == StartRole::First && commandLine.stop)
        claim.release();
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
    // The token that started this process is for this process only.
    qunsetenv("XDG_ACTIVATION_TOKEN");
    SonaltoApp app(installDir, commandLine);
    // Ending the session (or a kill) ends the player as "-stop" does.
    QuitSignals quitSignals;
    bool ready = false;
    bool quitAsked = false;
    QObject::connect(&quitSignals, &QuitSignals::received, &application, [&](int number) {
        DiagLog("signal " + std::to_string(number));
        if (ready)
            app.mainFrame()->onCommand(cmd::Stop);
        else
            quitAsked = true;
    });
    if (!app.initInstance(claim.listener()))
        return 1;
    ready = true;
    if (quitAsked)
        app.mainFrame()->onCommand(cmd::Stop);
    const int code = QApplication::exec();
    app.exitInstance();
    // A feed or cover download still running would outlive main and use
    // what static destructors free: stop them all, and wait. One that does
    // not end in time leaves with the process, the settings already saved.
    if (!StopFetchWorkers(std::chrono::seconds(3))) {
        claim.release();
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}
