#include "view/webframe.h"

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <malloc.h>
#include <set>
#include <string>
#include <unistd.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QOpenGLContext>
#include <QtGlobal>

#include "common/diaglog.h"
#include "view/mappedfiles.h"
#include "texts.h"

// Qt's process-wide shared OpenGL context, which the web engine reads as
// it starts.
void qt_gl_set_global_share_context(QOpenGLContext* context);

namespace {

WebFrameFactory g_factory = nullptr;
bool g_loadTried = false;
// The files that loading the web library mapped: the engine's libraries.
std::set<std::string> g_engineFiles;

// The folder of the library (or program) holding this code.
std::string ownDirectory()
{
    Dl_info info {};
    if (::dladdr(reinterpret_cast<void*>(&CreateWebFrame), &info) == 0 || info.dli_fname == nullptr)
        return {};
    const std::string path = info.dli_fname;
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

QtMessageHandler g_previousHandler = nullptr;

// The engine, loaded after the application object, warns that it should
// have been set up before for OpenGL: the view draws in software and needs
// none of it.
void quietLateLoad(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg
        && message.startsWith(QStringLiteral("Qt WebEngine seems to be initialized from a plugin")))
        return;
    if (g_previousHandler != nullptr)
        g_previousHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

void loadWebLibrary()
{
    g_loadTried = true;
    // Drawing in software, the engine still looks at the shared OpenGL
    // context as it starts: one that was never made tells it there is no
    // OpenGL, without loading any driver.
    if (QOpenGLContext::globalShareContext() == nullptr
        && qgetenv("QT_QUICK_BACKEND") == "software")
        qt_gl_set_global_share_context(new QOpenGLContext(qApp));
    const std::string library = ownDirectory() + kWebLibrary;
    g_previousHandler = qInstallMessageHandler(quietLateLoad);
    const std::set<std::string> before = MappedFiles();
    void* handle = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    qInstallMessageHandler(g_previousHandler);
    for (const std::string& file : MappedFiles()) {
        if (before.count(file) == 0)
            g_engineFiles.insert(file);
    }
    // Kept loaded until the process ends: the engine cannot start twice.
    auto entry = handle != nullptr ? reinterpret_cast<WebFrameFactory>(::dlsym(handle, kWebEntry))
                                   : nullptr;
    if (entry == nullptr) {
        const char* reason = ::dlerror();
        std::fprintf(stderr, texts::kWebLibraryUnusable, reason != nullptr ? reason : "?");
        std::fputc('\n', stderr);
        DiagLog("web library unusable");
        return;
    }
    g_factory = entry;
}

} // namespace

WebFrame* CreateWebFrame(QWidget* parent, WebFrameEvents events)
{
    if (g_factory == nullptr && !g_loadTried)
        loadWebLibrary();
    if (g_factory == nullptr)
        return nullptr;
    return g_factory(kWebFrameVersion, parent, std::move(events));
}

void ReleaseWebEngineMemory()
{
    ::malloc_trim(0);
    if (!g_engineFiles.empty()) {
        const std::size_t advised = PageOutFiles(g_engineFiles);
        DiagLog("web engine paged out " + std::to_string(advised / 1024) + " KiB");
    }
    PageOutReadOnlyData();
}

void UseWebFrameFactory(WebFrameFactory factory)
{
    g_factory = factory;
}

void PrepareWebEngine()
{
    if (::geteuid() == 0)
        ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    // The script engine's collector, callable from the program's own world
    // (pages could call it too: all it does is collect).
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!flags.contains("--js-flags")) {
        flags += flags.isEmpty() ? "" : " ";
        flags += "--js-flags=--expose-gc";
    }
    // Without the sandbox, the engine's renderers are started directly
    // rather than forked from helper processes that would stay for the
    // whole run, hidden window included.
    const bool sandboxOff
        = qgetenv("QTWEBENGINE_DISABLE_SANDBOX") == "1" || flags.contains("--no-sandbox");
    if (sandboxOff && !flags.contains("--no-zygote"))
        flags += " --no-zygote";
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
    // The catalogue's pages are still pictures: drawn in software they cost
    // no OpenGL driver in the process (tens of megabytes of it) and no GPU
    // work. A desktop that asks for another backend gets it, with the
    // shared contexts the engine then needs.
    // On X11 the engine would still probe the desktop's OpenGL through Qt's
    // GLX support as it starts, which loads the whole driver: the process
    // goes without it.
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND")) {
        qputenv("QT_QUICK_BACKEND", "software");
        if (qEnvironmentVariableIsEmpty("QT_XCB_GL_INTEGRATION"))
            qputenv("QT_XCB_GL_INTEGRATION", "none");
    } else if (qgetenv("QT_QUICK_BACKEND") != "software")
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}
