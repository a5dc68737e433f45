#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <malloc.h>

#include <QApplication>
#include <QMessageBox>

#include "commandids.h"
#include "common/diaglog.h"
#include "common/fetch.h"
#include "common/openplaylist.h"
#include "common/ui/uitext.h"
#include "common/windowclaim.h"
#include "shell/mainframe.h"
#include "shell/playerstart.h"
#include "shell/quitsignals.h"
#include "shell/sonaltoapp.h"
#include "texts.h"
#include "view/webframe.h"

namespace {

int runPlayer(int argc, char** argv, PlayerStart& start)
{
    WindowClaim& claim = *start.claim;
    const CommandLine& commandLine = start.commandLine;
    // Every thread that allocates gets a heap arena, up to eight a core, and
    // each arena keeps what it held at its busiest. The streaming, sound
    // and engine threads that each station change brings spread over more
    // and more of them: a player changing station every minute grew by
    // megabytes in its first hour. Two arenas serve them as well.
    ::mallopt(M_ARENA_MAX, 2);
    PrepareWebEngine();
    QApplication application(argc, argv);
    if (!start.playlistError.empty()) {
        QMessageBox::warning(
            nullptr, Utf8Text(kPlaylistErrorTitle), QString::fromStdString(start.playlistError));
        if (start.forwarded || commandLine.stop)
            return 0;
    }
    // The token and the startup id that started this process are for this
    // process only.
    qunsetenv("XDG_ACTIVATION_TOKEN");
    SonaltoApp app(start.installDir, commandLine);
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

} // namespace

extern "C" __attribute__((visibility("default"))) int SonaltoRunPlayer(
    int argc, char** argv, PlayerStart* start)
{
    if (start == nullptr || start->version != kPlayerStartVersion || start->claim == nullptr) {
        // A program and a library of two different builds.
        std::fprintf(stderr, texts::kPlayerLibraryUnusable, "autre version");
        std::fputc('\n', stderr);
        return 1;
    }
    return runPlayer(argc, argv, *start);
}
