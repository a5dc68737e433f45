#include "support/testsupport.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <thread>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/textfile.h"

extern char** environ;

namespace testsupport {

namespace {

using Clock = std::chrono::steady_clock;

// The data folder of the programs this test run starts, removed at its end.
const std::string& runDataHome()
{
    static const TempDir dir("sonalto-data");
    return dir.path();
}

int decodeStatus(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

} // namespace

TempDir::TempDir(const std::string& prefix)
{
    std::string pattern
        = std::filesystem::temp_directory_path().string() + "/" + prefix + "-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
        return;
    char resolved[PATH_MAX];
    m_path = ::realpath(pattern.c_str(), resolved) != nullptr ? resolved : pattern;
    m_path += '/';
}

TempDir::~TempDir()
{
    if (m_path.empty())
        return;
    std::error_code error;
    // A folder left read-only would keep its entries.
    namespace fs = std::filesystem;
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, error);
    for (auto it = fs::recursive_directory_iterator(m_path, error);
         it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_directory(error) && !it->is_symlink(error))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
    }
    fs::remove_all(m_path, error);
}

RuntimeDirectory::RuntimeDirectory()
{
    if (const char* old = std::getenv("XDG_RUNTIME_DIR"))
        m_saved = old;
    ::chmod(path().c_str(), 0700);
    use();
}

RuntimeDirectory::~RuntimeDirectory()
{
    if (m_saved)
        ::setenv("XDG_RUNTIME_DIR", m_saved->c_str(), 1);
    else
        ::unsetenv("XDG_RUNTIME_DIR");
}

void RuntimeDirectory::use() const
{
    ::setenv("XDG_RUNTIME_DIR", path().c_str(), 1);
}

std::string CopyProgram(const std::string& program, const std::string& dir)
{
    const std::filesystem::path source(program);
    const std::filesystem::path target = std::filesystem::path(dir) / source.filename();
    std::filesystem::copy_file(source, target, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(
        target, std::filesystem::perms::owner_all, std::filesystem::perm_options::add);
    // The player's windowed part and its web view go with it, as the
    // package lays them out.
    if (source.filename() == "Sonalto") {
        for (const char* library : { "sonalto-player.so", "sonalto-web.so" }) {
            const std::filesystem::path part = source.parent_path() / library;
            std::filesystem::copy_file(part, std::filesystem::path(dir) / part.filename(),
                std::filesystem::copy_options::overwrite_existing);
        }
    }
    return target.string();
}

Process::~Process()
{
    if (m_pid > 0 && !m_status)
        kill();
}

bool Process::start(const std::string& program, const std::vector<std::string>& arguments,
    const Environment& environment, const std::string& workDir, const std::string& outputFile)
{
    // Everything the child needs is built before fork: after it only
    // async-signal-safe calls are made.
    std::vector<std::string> argStrings;
    argStrings.push_back(program);
    argStrings.insert(argStrings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : argStrings)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    std::map<std::string, std::string> merged;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry(*e);
        const std::size_t eq = entry.find('=');
        if (eq != std::string::npos)
            merged[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    // What the programs keep for the user (the song journal, the web
    // view's profile) goes to a folder of this run, never to the user's own,
    // unless the test names one.
    merged["XDG_DATA_HOME"] = runDataHome();
    for (const auto& [name, value] : environment) {
        if (value)
            merged[name] = *value;
        else
            merged.erase(name);
    }
    std::vector<std::string> envStrings;
    for (const auto& [name, value] : merged)
        envStrings.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& e : envStrings)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    int output = -1;
    if (!outputFile.empty()) {
        output = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (output < 0)
            return false;
    }

    const pid_t pid = ::fork();
    if (pid < 0) {
        if (output >= 0)
            ::close(output);
        return false;
    }
    if (pid == 0) {
        if (!workDir.empty() && ::chdir(workDir.c_str()) != 0)
            ::_exit(126);
        if (output >= 0) {
            ::dup2(output, STDOUT_FILENO);
            ::dup2(output, STDERR_FILENO);
        }
        ::execvpe(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    if (output >= 0)
        ::close(output);
    m_pid = pid;
    m_status.reset();
    return true;
}

std::optional<int> Process::waitForExit(std::chrono::milliseconds timeout)
{
    if (m_pid <= 0 || m_status)
        return m_status;
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(m_pid, &status, WNOHANG);
        if (r == m_pid) {
            m_status = decodeStatus(status);
            return m_status;
        }
        if (r < 0 && errno != EINTR)
            return std::nullopt;
        if (Clock::now() >= deadline)
            return std::nullopt;
        std::this_thread::sleep_for(10ms);
    }
}

bool Process::isRunning()
{
    return m_pid > 0 && !waitForExit(0ms);
}

void Process::terminate()
{
    if (m_pid > 0 && !m_status)
        ::kill(m_pid, SIGTERM);
}

void Process::kill()
{
    if (m_pid <= 0 || m_status)
        return;
    ::kill(m_pid, SIGKILL);
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) { }
    m_status = decodeStatus(status);
}

std::vector<std::string> ReadLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::optional<int> RunSecondStart(const std::string& player,
    const std::vector<std::string>& arguments, Environment environment,
    const std::string& outputFile)
{
    for (const char* name : { "SONALTO_DIAG_LOG", "QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY" })
        environment[name] = std::nullopt;
    Process second;
    if (!second.start(player, arguments, environment, "/", outputFile))
        return std::nullopt;
    return second.waitForExit(30s);
}

bool WaitFor(const std::function<bool()>& pred, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (!pred()) {
        if (Clock::now() >= deadline)
            return pred();
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

bool WaitForFileLine(
    const std::string& path, const std::string& line, std::chrono::milliseconds timeout)
{
    return WaitFor(
        [&] {
            const std::vector<std::string> lines = ReadLines(path);
            return std::find(lines.begin(), lines.end(), line) != lines.end();
        },
        timeout);
}

std::string SupportDirectory()
{
    return SONALTO_TEST_SUPPORT_DIR;
}

bool HttpServer::start(const std::string& root, std::chrono::milliseconds timeout)
{
    return start(root, HttpServerOptions {}, timeout);
}

bool HttpServer::start(
    const std::string& root, const HttpServerOptions& options, std::chrono::milliseconds timeout)
{
    stop();
    const std::string portFile = m_work.path() + "port";
    std::filesystem::remove(portFile);
    std::vector<std::string> arguments { SupportDirectory() + "/httpserver.py", "--root", root,
        "--port", "0" };
    for (const auto& [path, bytes] : options.cuts) {
        arguments.push_back("--cut");
        arguments.push_back(path + "=" + std::to_string(bytes));
    }
    for (const auto& [path, seconds] : options.stalls) {
        arguments.push_back("--stall");
        arguments.push_back(path + "=" + std::to_string(seconds));
    }
    if (!options.tlsPemFile.empty()) {
        arguments.push_back("--tls");
        arguments.push_back(options.tlsPemFile);
    }
    m_tls = !options.tlsPemFile.empty();
    if (!m_process.start("python3", arguments, { { "PYTHONUNBUFFERED", "1" } }, {}, portFile))
        return false;
    // The server prints its port on its first line once it listens.
    const auto deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
        const std::vector<std::string> lines = ReadLines(portFile);
        if (!lines.empty() && !lines.front().empty()) {
            m_port = std::atoi(lines.front().c_str());
            if (m_port > 0)
                return true;
        }
        if (!m_process.isRunning())
            return false;
        std::this_thread::sleep_for(20ms);
    }
    stop();
    return false;
}

void HttpServer::stop()
{
    if (m_process.pid() > 0 && m_process.isRunning()) {
        m_process.terminate();
        if (!m_process.waitForExit(5s))
            m_process.kill();
    }
    m_port = 0;
}

std::string HttpServer::url(const std::string& path) const
{
    return (m_tls ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(m_port) + path;
}

int UnusedPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

RestartableServer::RestartableServer(std::string root, int port)
    : m_root(std::move(root))
    , m_port(port)
{
}

bool RestartableServer::start()
{
    // Each start logs to a file of its own: the port it prints once it
    // listens is then surely this start's.
    const std::string log = m_work.path() + "server" + std::to_string(++m_starts) + ".log";
    return m_process.start("python3",
               { SupportDirectory() + "/httpserver.py", "--root", m_root, "--port",
                   std::to_string(m_port) },
               { { "PYTHONUNBUFFERED", "1" } }, {}, log)
        && WaitForFileLine(log, std::to_string(m_port), 10s);
}

std::string RestartableServer::url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

namespace {

// The files of make-tls.sh, made on first use.
const std::string& TlsDirectory()
{
    static TempDir dir { "sonalto-tls" };
    static const std::string made = [] {
        const std::string out = RunCommand(
            "sh '" + SupportDirectory() + "/make-tls.sh' '" + dir.path() + "' 2>&1 && echo made");
        return out.find("made") != std::string::npos ? dir.path() : std::string();
    }();
    return made;
}

} // namespace

std::string TlsCertificateFile()
{
    const std::string& dir = TlsDirectory();
    return dir.empty() ? dir : dir + "server.pem";
}

std::string TlsAuthorityFile()
{
    const std::string& dir = TlsDirectory();
    return dir.empty() ? dir : dir + "authority.pem";
}

std::string RunCommand(const std::string& command)
{
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            out.append(buffer, n);
        ::pclose(pipe);
    }
    return out;
}

std::string DecodedSamples(const std::string& file, int rate)
{
    const std::string raw = file + ".s16";
    RunCommand("gst-launch-1.0 -q filesrc location='" + file
        + "' ! decodebin ! audioconvert ! audioresample ! audio/x-raw,format=S16LE,channels=1,rate="
        + std::to_string(rate) + " ! filesink location='" + raw + "' 2>&1");
    std::string samples = ReadTextFile(raw);
    std::remove(raw.c_str());
    return samples;
}

std::vector<double> PeaksDb(const std::string& samples, std::size_t windowSamples)
{
    std::vector<double> peaks;
    const std::size_t window = windowSamples * 2;
    for (std::size_t at = 0; window > 0 && at + window <= samples.size(); at += window) {
        int loudest = 0;
        for (std::size_t i = at; i < at + window; i += 2) {
            const auto sample = static_cast<std::int16_t>(static_cast<unsigned char>(samples[i])
                | (static_cast<unsigned char>(samples[i + 1]) << 8));
            loudest = std::max(loudest, std::abs(static_cast<int>(sample)));
        }
        peaks.push_back(loudest == 0 ? -120.0 : 20.0 * std::log10(loudest / 32768.0));
    }
    return peaks;
}

SoundServer::SoundServer(const std::string& arguments)
{
    setVariable("PULSE_SERVER", std::nullopt);
    // Its messages, if any, come with the variables; only they are read.
    const std::string exports
        = RunCommand("'" + SupportDirectory() + "/start-pulse.sh' '' " + arguments + " 2>&1");
    // Lines "export NAME=value"; these paths need no quoting.
    std::string dir;
    for (std::size_t pos = 0; (pos = exports.find("export ", pos)) != std::string::npos;) {
        const std::size_t eq = exports.find('=', pos);
        const std::size_t end = exports.find('\n', eq);
        if (eq == std::string::npos || end == std::string::npos)
            break;
        const std::string name = exports.substr(pos + 7, eq - pos - 7);
        const std::string value = exports.substr(eq + 1, end - eq - 1);
        setVariable(name, value);
        if (name == "SONALTO_PULSE_DIR")
            dir = value;
        pos = end;
    }
    if (dir.empty())
        m_error = "the sound server did not start: " + exports;
    m_dir = dir;
}

SoundServer::~SoundServer()
{
    if (!m_dir.empty())
        RunCommand("'" + SupportDirectory() + "/stop-pulse.sh' '" + m_dir + "'");
    for (const auto& [name, value] : m_saved) {
        if (value)
            ::setenv(name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }
}

namespace {

std::unique_ptr<SoundServer> g_soundServer;

} // namespace

bool StartSoundServer()
{
    g_soundServer = std::make_unique<SoundServer>();
    return g_soundServer->ready();
}

void StopSoundServer()
{
    g_soundServer.reset();
}

void SoundServer::setVariable(const std::string& name, const std::optional<std::string>& value)
{
    if (m_saved.find(name) == m_saved.end()) {
        const char* old = std::getenv(name.c_str());
        m_saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value)
        ::setenv(name.c_str(), value->c_str(), 1);
    else
        ::unsetenv(name.c_str());
}

std::vector<std::pair<pid_t, pid_t>> ProcessTree(pid_t root)
{
    std::multimap<pid_t, pid_t> children;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || !std::all_of(name.begin(), name.end(), ::isdigit))
            continue;
        std::ifstream file(entry.path() / "stat");
        const std::string stat(
            (std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        // "pid (comm) state ppid ...": comm may hold spaces and parentheses.
        const std::size_t close = stat.rfind(')');
        if (close == std::string::npos)
            continue;
        char state = 0;
        int ppid = 0;
        if (std::sscanf(stat.c_str() + close + 1, " %c %d", &state, &ppid) == 2)
            children.emplace(ppid, std::atoi(name.c_str()));
    }
    std::vector<std::pair<pid_t, pid_t>> tree { { root, 0 } };
    for (std::size_t i = 0; i < tree.size(); ++i) {
        const auto [first, last] = children.equal_range(tree[i].first);
        for (auto it = first; it != last; ++it)
            tree.push_back({ it->second, it->first });
    }
    return tree;
}

std::vector<std::string> TopLevelWindowIds(const std::string& title)
{
    std::istringstream tree(RunCommand("xwininfo -root -children 2>/dev/null"));
    const std::string quoted = "\"" + title + "\":";
    std::vector<std::string> ids;
    for (std::string line; std::getline(tree, line);) {
        if (line.find(quoted) == std::string::npos)
            continue;
        std::istringstream words(line);
        std::string id;
        words >> id;
        ids.push_back(id);
    }
    return ids;
}

void MakeStreamTone(const std::string& path, int seconds)
{
    // 43 buffers of 1024 samples at 44.1 kHz make a second.
    RunCommand("gst-launch-1.0 -q audiotestsrc freq=440 volume=0.5 num-buffers="
        + std::to_string(seconds * 43)
        + " ! audioconvert ! lamemp3enc target=bitrate bitrate=128 cbr=true ! "
          "filesink location="
        + path);
}

} // namespace testsupport
