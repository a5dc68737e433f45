#include <string>

#include <QApplication>

#include "common/installdir.h"
#include "shell/commandline.h"
#include "shell/sonaltoapp.h"
#include "view/framebridge.h"

int main(int argc, char** argv)
{
    // Every relative path of the player is based on its own directory.
    const std::string installDir = EnterInstallationDirectory();
    const CommandLine commandLine = ParseCommandLine(CommandLineTail(argc, argv));

    // A second start forwards its options and ends without any window, so it
    // needs no display.
    if (SonaltoApp::forwardToRunningPlayer(commandLine))
        return 0;
    // "-stop" with no player running: nothing to stop, nothing created.
    if (commandLine.stop)
        return 0;

    PrepareWebEngine();
    QApplication application(argc, argv);
    SonaltoApp app(installDir, commandLine);
    if (!app.initInstance())
        return 1;
    const int code = QApplication::exec();
    app.exitInstance();
    return code;
}
