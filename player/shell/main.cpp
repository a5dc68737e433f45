#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <string>
#include <vector>

#include "common/installdir.h"
#include "common/openplaylist.h"
#include "common/settings.h"
#include "common/textfile.h"
#include "common/windowclaim.h"
#include "shell/commandline.h"
#include "shell/playerstart.h"
#include "shell/singleinstance.h"
#include "texts.h"
#include "view/appcommands.h"

// The start-up program of the player. It links neither Qt's display nor the
// web view: a start that finds the running player forwards its options with
// plain sockets and ends at once (the scheduler, the updater and desktop
// launchers start the player this way all day). Only a start that is to be
// the player loads the windowed part, from the library beside it.

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

namespace {

int runWindowedPart(int argc, char** argv, PlayerStart& start)
{
    const std::string library = start.installDir + kPlayerLibrary;
    void* handle = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    auto entry = handle != nullptr ? reinterpret_cast<PlayerEntry>(::dlsym(handle, kPlayerEntry))
                                   : nullptr;
    if (entry == nullptr) {
        std::fprintf(stderr, texts::kPlayerLibraryUnusable, ::dlerror());
        std::fputc('\n', stderr);
        return 1;
    }
    // The library stays loaded until the process ends: its objects are
    // destroyed at exit, after main.
    return entry(argc, argv, &start);
}

} // namespace

int main(int argc, char** argv)
{
    // The player's output may go to a pipe that nobody reads any more (a
    // closed terminal, a launcher that has gone), and the libraries write to
    // pipes of helper processes that can die. Such a write fails with EPIPE
    // instead of ending the player without a word; the web engine would
    // ignore the signal too, but only once it runs.
    std::signal(SIGPIPE, SIG_IGN);
    // Every relative path of the player is based on its own directory;
    // a file named on the command line is relative to where it was started.
    const std::string startDir = CurrentDirectory();
    PlayerStart start;
    start.version = kPlayerStartVersion;
    start.installDir = EnterInstallationDirectory();
    start.commandLine
        = ReadCommandLine(argc, argv, startDir, start.installDir, start.playlistError);
    if (!start.playlistError.empty())
        std::fprintf(stderr, "Sonalto : %s\n", start.playlistError.c_str());

    // One player only: the name is claimed before anything else, or the
    // options go to the player that holds it. A second start needs no
    // display.
    WindowClaim claim;
    const auto environment = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr ? std::string(value) : std::string();
    };
    const DesktopLaunch launch { environment("XDG_ACTIVATION_TOKEN"),
        environment("DESKTOP_STARTUP_ID") };
    const StartRole role = ClaimOrForward(claim, start.commandLine, launch);
    if (role == StartRole::Unreachable) {
        std::fprintf(stderr, "%s\n", texts::kPlayerUnreachable);
        return 1;
    }
    start.forwarded = role == StartRole::Forwarded;
    // "-stop" with no player running: nothing to stop, nothing created.
    if (role == StartRole::First && start.commandLine.stop)
        claim.release();
    if ((start.forwarded || start.commandLine.stop) && start.playlistError.empty())
        return 0;
    start.claim = &claim;
    return runWindowedPart(argc, argv, start);
}
