// HarddiskOgg/harddisk: records the player's own audio into a file.
//
//   harddisk -record -preset Snt.hdp -filter smart.hfs -output "PATH"
//            -sequential -minimize -tos [-split]
//   harddisk -quit
//
// With "-split" the recording is cut into one file per song, named after
// the titles the player sends; PATH names the pieces that have no title.
//
// The running recorder listens on the messenger under its own class and
// title; "-quit", given to a second instance, is sent there as a close
// message, and the running one ends its file cleanly and leaves.

#include <csignal>
#include <cstdio>
#include <memory>
#include <fcntl.h>
#include <unistd.h>

#include <gst/gst.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QStringList>

#include "capture.h"
#include "common/messages.h"
#include "common/messenger.h"
#include "common/recorderpreset.h"
#include "common/sound/privateoutput.h"
#include "common/textfile.h"
#include "common/titlesplit.h"
#include "common/ui/messengerserver.h"
#include "common/ui/uitext.h"
#include "recorderwindow.h"
#include "recordertexts.h"

namespace {

// Any sound server has it: asked for to tell whether the server answers.
constexpr const char* kDefaultMonitor = "@DEFAULT_MONITOR@";

struct Options {
    bool record = false;
    bool quit = false;
    QString preset;
    QString filter;
    QString output;
    bool minimize = false;
    bool onTop = false;
    bool split = false;
};

Options parseOptions(const QStringList& arguments)
{
    Options options;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == QLatin1String("-record"))
            options.record = true;
        else if (argument == QLatin1String("-quit"))
            options.quit = true;
        else if (argument == QLatin1String("-preset") && hasValue)
            options.preset = arguments[++i];
        else if (argument == QLatin1String("-filter") && hasValue)
            options.filter = arguments[++i]; // no filters are applied
        else if (argument == QLatin1String("-output") && hasValue)
            options.output = arguments[++i];
        else if (argument == QLatin1String("-minimize"))
            options.minimize = true;
        else if (argument == QLatin1String("-tos"))
            options.onTop = true;
        else if (argument == QLatin1String("-split"))
            options.split = true;
        // "-sequential" and anything else: nothing to do.
    }
    return options;
}

// Shows a message that ends the program with status once it is closed;
// the event loop goes on meanwhile, so that "-quit" or a signal still end it.
void showThenExit(QApplication& app, const QString& message, int status)
{
    std::fprintf(stderr, "harddisk: %s\n", message.toUtf8().constData());
    std::fflush(stderr);
    auto* box
        = new QMessageBox(QMessageBox::Warning, Utf8Text(recordertexts::kErrorTitle), message);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(box, &QMessageBox::finished, &app, [&app, status] { app.exit(status); });
    box->open();
}

// Shows why nothing is recorded, also on the error output, and ends with
// status 1 once the box is closed. Unless another recorder runs, the
// player's STOP ("-quit") closes it too, so that a failed start does not
// stay on screen after the listener or the scheduler has stopped.
int failWith(QApplication& app, const QString& message, bool answerQuit = true)
{
    MessengerServer server;
    if (answerQuit)
        server.listen(kRecorderWindowClass, kRecorderWindowTitle,
            [&app](const MessengerRecord& record) -> std::int64_t {
                if (record.kind == MessengerRecord::Kind::Message && record.message == WM_CLOSE)
                    app.exit(1);
                return 0;
            });
    showThenExit(app, message, 1);
    app.exec();
    return 1;
}

// SIGTERM (logout, shutdown), SIGHUP and SIGINT reach the event loop
// through a pipe, where they finish the file like "-quit" does.
int g_signalPipe[2] = { -1, -1 };

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
}

bool catchEndSignals()
{
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action { };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : { SIGTERM, SIGHUP, SIGINT })
        ::sigaction(signal, &action, nullptr);
    return true;
}

bool folderWritable(const QString& outputPath)
{
    const QString probe = Capture::temporaryPath(outputPath);
    QFile file(probe);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.close();
    file.remove();
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    // "-quit" needs no window: it reaches the running recorder, if any.
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "-quit") {
            SendMessage(kRecorderWindowClass, kRecorderWindowTitle, WM_CLOSE, 0, 0);
            return 0;
        }
    }

    gst_init(&argc, &argv);
    QApplication app(argc, argv);
    const Options options = parseOptions(app.arguments());
    if (!options.record) {
        std::fprintf(stderr, "%s\n", recordertexts::kUsage);
        return 2;
    }
    if (FindWindow(kRecorderWindowClass, kRecorderWindowTitle))
        return failWith(app, Utf8Text(recordertexts::kAlreadyRecording), false);
    if (options.output.isEmpty())
        return failWith(app, Utf8Text(recordertexts::kNoOutput));

    // The preset, relative names resolved in the working directory.
    const std::string presetPath = PathBytes(options.preset);
    if (options.preset.isEmpty() || !QFileInfo(options.preset).isFile())
        return failWith(app, Utf8Text(recordertexts::kPresetMissing).arg(options.preset));
    const QString output = QFileInfo(options.output).absoluteFilePath();
    const auto preset = ReadEncoderPreset(ReadTextFile(presetPath), PathBytes(output));
    if (!preset)
        return failWith(app, Utf8Text(recordertexts::kPresetUnreadable).arg(options.preset));
    if (!folderWritable(output))
        return failWith(
            app, Utf8Text(recordertexts::kFolderUnwritable).arg(QFileInfo(output).absolutePath()));
    const char* encoder = Capture::encoderElement(preset->format);
    if (GstElementFactory* factory = gst_element_factory_find(encoder))
        gst_object_unref(factory);
    else
        return failWith(app, Utf8Text(recordertexts::kEncoderMissing).arg(Utf8Text(encoder)));

    // The player's own sound, from its private output. Without that output
    // there is nothing of the player's to take: the default output's monitor
    // would follow the speakers' volume and mute and mix in other programs.
    if (!SoundOutputExists(kPrivateMonitorName)) {
        const bool serverAnswers = SoundOutputExists(kDefaultMonitor);
        return failWith(app,
            Utf8Text(
                serverAnswers ? recordertexts::kNoPrivateOutput : recordertexts::kNoSoundServer));
    }
    const QString device = Utf8Text(kPrivateMonitorName);

    Capture capture;
    QString error;
    if (!capture.start(device, *preset, output, error, options.split))
        return failWith(app, Utf8Text(recordertexts::kCaptureFailed).arg(error));

    // Closing the last window must not end the program before the file is.
    app.setQuitOnLastWindowClosed(false);
    RecorderWindow window(output, capture.temporaryFile());
    // Split: the titles the player sends cut the recording into songs.
    TitleSplit titles(
        PathBytes(QFileInfo(output).completeBaseName()), recordertexts::kPartialMarker);
    const auto onTitle = [&](const MessengerRecord& record) {
        const std::string title = record.payload;
        if (record.dwData == kRecorderStartTitle) {
            titles.startTitle(title);
            capture.setPieceName(QString::fromStdString(titles.currentName()));
        } else if (const auto ended = titles.newTitle(title)) {
            capture.split(
                QString::fromStdString(*ended), QString::fromStdString(titles.currentName()));
        }
    };
    if (options.split) {
        QObject::connect(&capture, &Capture::pieceStarted, &window, &RecorderWindow::setPiece);
        QObject::connect(&capture, &Capture::pieceSaved, &app, [](const QString& path) {
            std::fprintf(stderr, "harddisk: %s\n",
                Utf8Text(recordertexts::kPieceSaved).arg(path).toUtf8().constData());
        });
        window.setPiece(capture.temporaryFile(), QFileInfo(output).completeBaseName());
    }
    if (options.onTop)
        window.setWindowFlag(Qt::WindowStaysOnTopHint);
    if (options.minimize)
        window.showMinimized();
    else
        window.show();

    int status = 0;
    bool bySystem = false;
    auto finishRecording = [&] {
        if (capture.isDone()) {
            app.exit(status); // only a message was left on screen
            return;
        }
        window.setStatus(Utf8Text(recordertexts::kFinishing));
        capture.stop();
    };
    MessengerServer server;
    server.listen(kRecorderWindowClass, kRecorderWindowTitle,
        [&](const MessengerRecord& record) -> std::int64_t {
            if (record.kind == MessengerRecord::Kind::Message && record.message == WM_CLOSE)
                finishRecording();
            else if (options.split && record.kind == MessengerRecord::Kind::CopyData
                && (record.dwData == kRecorderStartTitle || record.dwData == kRecorderNewTitle))
                onTitle(record);
            return 0;
        });
    QObject::connect(&window, &RecorderWindow::closeRequested, &app, finishRecording);
    std::unique_ptr<QSocketNotifier> endSignals;
    if (catchEndSignals()) {
        endSignals = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
        QObject::connect(endSignals.get(), &QSocketNotifier::activated, &app, [&] {
            char bytes[16];
            while (::read(g_signalPipe[0], bytes, sizeof bytes) > 0) { }
            bySystem = true;
            if (capture.isDone())
                app.exit(status);
            else
                finishRecording();
        });
    }
    QObject::connect(&capture, &Capture::finished, &app, [&] {
        const QString kept = capture.outputFile();
        switch (capture.outcome()) {
        case Capture::Outcome::Complete:
            if (bySystem)
                std::fprintf(stderr, "harddisk: %s\n",
                    Utf8Text(recordertexts::kStoppedBySystem).arg(kept).toUtf8().constData());
            app.exit(status);
            return;
        case Capture::Outcome::KeptAfterError:
            status = 1;
            window.setStatus(
                Utf8Text(recordertexts::kKeptAfterError).arg(capture.errorText(), kept));
            break;
        case Capture::Outcome::KeptUnfinished:
            status = 1;
            window.setStatus(Utf8Text(recordertexts::kKeptUnfinished).arg(kept));
            break;
        case Capture::Outcome::NothingRecorded:
            status = 1;
            window.setStatus(Utf8Text(recordertexts::kCaptureFailed).arg(capture.errorText()));
            break;
        }
        // The session is ending: no one is there to read a message box.
        if (bySystem) {
            std::fprintf(stderr, "harddisk: %s\n", window.statusText().toUtf8().constData());
            app.exit(status);
        } else {
            showThenExit(app, window.statusText(), status);
        }
    });
    const int loop = app.exec();
    return status != 0 ? status : loop;
}
