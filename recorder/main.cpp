// HarddiskOgg/harddisk: records the player's own audio into a file.
//
//   harddisk -record -preset Snt.hdp -filter smart.hfs -output "PATH"
//            -sequential -minimize -tos
//   harddisk -quit
//
// The running recorder listens on the messenger under its own class and
// title; "-quit", given to a second instance, is sent there as a close
// message, and the running one ends its file cleanly and leaves.

#include <cstdio>

#include <gst/gst.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

#include "capture.h"
#include "common/messages.h"
#include "common/messenger.h"
#include "common/recorderpreset.h"
#include "common/sound/privateoutput.h"
#include "common/textfile.h"
#include "common/ui/messengerserver.h"
#include "common/ui/uitext.h"
#include "recorderwindow.h"
#include "recordertexts.h"

namespace {

// The source when the player's private output is missing.
constexpr const char* kDefaultMonitor = "@DEFAULT_MONITOR@";

struct Options {
    bool record = false;
    bool quit = false;
    QString preset;
    QString filter;
    QString output;
    bool minimize = false;
    bool onTop = false;
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
        // "-sequential" and anything else: nothing to do.
    }
    return options;
}

// Shows the message, also on the error output, and ends with status 1 once
// the box is closed.
int failWith(QApplication& app, const QString& message)
{
    std::fprintf(stderr, "harddisk: %s\n", message.toUtf8().constData());
    std::fflush(stderr);
    QMessageBox box(QMessageBox::Critical, Utf8Text(recordertexts::kErrorTitle), message);
    box.exec();
    Q_UNUSED(app);
    return 1;
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
        return failWith(app, Utf8Text(recordertexts::kAlreadyRecording));
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

    // The player's own sound when its private output exists; otherwise what
    // the default output plays, after its volume and mute.
    const bool ownSound = SoundOutputExists(kPrivateMonitorName);
    const QString device = Utf8Text(ownSound ? kPrivateMonitorName : kDefaultMonitor);

    Capture capture;
    QString error;
    if (!capture.start(device, *preset, output, error))
        return failWith(app, Utf8Text(recordertexts::kCaptureFailed).arg(error));

    RecorderWindow window(output, capture.temporaryFile());
    if (!ownSound) {
        window.setWarning(Utf8Text(recordertexts::kFallbackWarning));
        std::fprintf(stderr, "harddisk: %s\n", recordertexts::kFallbackWarning);
    }
    if (options.onTop)
        window.setWindowFlag(Qt::WindowStaysOnTopHint);
    if (options.minimize)
        window.showMinimized();
    else
        window.show();

    int status = 0;
    MessengerServer server;
    server.listen(kRecorderWindowClass, kRecorderWindowTitle,
        [&](const MessengerRecord& record) -> std::int64_t {
            if (record.kind == MessengerRecord::Kind::Message && record.message == WM_CLOSE) {
                window.setStatus(Utf8Text(recordertexts::kFinishing));
                capture.stop();
            }
            return 0;
        });
    QObject::connect(&capture, &Capture::failed, &app, [&](const QString& message) {
        status = failWith(app, Utf8Text(recordertexts::kCaptureFailed).arg(message));
        app.exit(status);
    });
    QObject::connect(&capture, &Capture::finished, &app, [&](bool clean) {
        if (!clean)
            status = 1;
        app.exit(status);
    });
    const int loop = app.exec();
    return status != 0 ? status : loop;
}
