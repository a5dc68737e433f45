#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>
#include <sys/types.h>

// Helpers for tests that run the real programs: private directories,
// processes with their own environment, and the local HTTP server of
// httpserver.py.
namespace testsupport {

using namespace std::chrono_literals;

// A fresh directory (mkdtemp), removed with its content on destruction,
// folders a test made read-only included.
class TempDir {
public:
    explicit TempDir(const std::string& prefix = "sonalto-test");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Absolute, symbolic links resolved, with a trailing '/'.
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// A private runtime directory (mode 0700) for the sockets of the programs a
// test starts. This process's XDG_RUNTIME_DIR names it too, so that the test
// finds the programs there; the variable is put back on destruction.
class RuntimeDirectory {
public:
    RuntimeDirectory();
    ~RuntimeDirectory();
    RuntimeDirectory(const RuntimeDirectory&) = delete;
    RuntimeDirectory& operator=(const RuntimeDirectory&) = delete;

    const std::string& path() const { return m_dir.path(); }
    // Names it in XDG_RUNTIME_DIR again, after a SoundServer named its own.
    void use() const;

private:
    TempDir m_dir { "sonalto-runtime" };
    std::optional<std::string> m_saved;
};

// Copies a built program into dir, executable, and returns the copy's path.
// A program makes its own directory its installation directory, so a copy in
// a temporary directory keeps what it writes away from the build tree.
std::string CopyProgram(const std::string& program, const std::string& dir);

// Environment changes for a child: a value sets the variable, nullopt
// removes it; everything else is inherited.
using Environment = std::map<std::string, std::optional<std::string>>;

// A child process. Killed and reaped on destruction if still running.
class Process {
public:
    Process() = default;
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Starts program with arguments in workDir (empty: the current one),
    // standard output and error appended to outputFile (empty: inherited).
    // Unless the environment names one, XDG_DATA_HOME is a folder of the
    // test run, shared by the programs it starts.
    bool start(const std::string& program, const std::vector<std::string>& arguments,
        const Environment& environment = {}, const std::string& workDir = {},
        const std::string& outputFile = {});

    // The exit status once the process ended within timeout: the exit code,
    // or 128 + the signal that ended it. nullopt while it still runs.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout);
    bool isRunning();
    pid_t pid() const { return m_pid; }

    void terminate(); // SIGTERM
    void kill(); // SIGKILL, then reaped

private:
    pid_t m_pid = -1;
    std::optional<int> m_status;
};

// Runs a second start of the player to its end, as a user's command line
// or a file manager does while one is already running: no display and no
// diagnostic log of its own, so that it must hand its arguments over. The
// exit status, or nullopt if it could not start or did not end within 30 s.
std::optional<int> RunSecondStart(const std::string& player,
    const std::vector<std::string>& arguments, Environment environment,
    const std::string& outputFile = {});

// The file's lines without their line ends ("\n" or "\r\n"); none when the
// file cannot be read.
std::vector<std::string> ReadLines(const std::string& path);

// Checks pred every 20 ms until it holds or timeout has passed, and returns
// pred(). For conditions that another process or thread makes true; a Qt
// test waits on its own event loop instead (eventwait.h).
bool WaitFor(const std::function<bool()>& pred, std::chrono::milliseconds timeout = 20s);

// Waits until the file holds a line equal to line.
bool WaitForFileLine(
    const std::string& path, const std::string& line, std::chrono::milliseconds timeout);

// What an HttpServer does beyond serving its root.
struct HttpServerOptions {
    // Requests for exactly this path (e.g. "/soft/big.bin") wait this many
    // seconds before they are answered.
    std::vector<std::pair<std::string, double>> stalls;
    // Requests for exactly this path get only this many bytes of the file,
    // sent without a length, before the server closes the connection: a
    // transfer cut short that looks complete.
    std::vector<std::pair<std::string, long long>> cuts;
    // Serve https with the certificate and key of this PEM file
    // (TlsCertificateFile() is one for 127.0.0.1, signed by the authority
    // of TlsAuthorityFile()).
    std::string tlsPemFile;
};

// The threaded HTTP server of httpserver.py on 127.0.0.1, serving root.
class HttpServer {
public:
    HttpServer() = default;
    ~HttpServer() { stop(); }

    // Starts the server on a free port and waits until it answers: at once
    // as a rule, but an interpreter can take many seconds to start on a
    // machine busy with other test programs.
    bool start(const std::string& root, std::chrono::milliseconds timeout = 30s);
    bool start(const std::string& root, const HttpServerOptions& options,
        std::chrono::milliseconds timeout = 30s);
    void stop();

    int port() const { return m_port; }
    // "http://127.0.0.1:<port>" + path (path starts with '/'), "https://"
    // when serving https.
    std::string url(const std::string& path) const;

private:
    TempDir m_work { "sonalto-http" };
    Process m_process;
    int m_port = 0;
    bool m_tls = false;
};

// A loopback port on which nothing listens now: connections to it are
// refused at once until a server takes it.
int UnusedPort();

// httpserver.py on a port of its own that stays the same across stops and
// starts, so that a client finds it again: a station's server that goes
// away (killed, without a goodbye) and comes back.
class RestartableServer {
public:
    explicit RestartableServer(std::string root, int port = UnusedPort());

    // Starts the server and waits until it listens.
    bool start();
    void stop() { m_process.kill(); }

    int port() const { return m_port; }
    // "http://127.0.0.1:<port>" + path (path starts with '/').
    std::string url(const std::string& path) const;

private:
    TempDir m_work { "sonalto-restart" };
    std::string m_root;
    int m_port;
    int m_starts = 0;
    Process m_process;
};

// A private certificate authority and a certificate with its key for
// 127.0.0.1 signed by it, made by make-tls.sh once per test program in a
// directory of its own: no key is kept anywhere. Empty when they could not
// be made.
std::string TlsCertificateFile();
std::string TlsAuthorityFile();

// The directory of these helpers and scripts.
std::string SupportDirectory();

// Runs a shell command and returns what it printed on standard output.
std::string RunCommand(const std::string& command);

// The sound of an audio file as mono 16-bit little-endian samples at rate,
// decoded by gst-launch-1.0; empty when the file cannot be decoded.
std::string DecodedSamples(const std::string& file, int rate);
// The peak of each whole window of such samples, in dB of full scale; -120
// for a window of zeros.
std::vector<double> PeaksDb(const std::string& samples, std::size_t windowSamples);

// The X ids of the top-level windows with this title, in stacking order.
std::vector<std::string> TopLevelWindowIds(const std::string& title);

// The headless sound server of start-pulse.sh (a null sink as the default
// output) in a private directory, for as long as the object lives. Its
// variables (XDG_RUNTIME_DIR, HOME, PULSE_RUNTIME_PATH, SONALTO_PULSE_DIR;
// PULSE_SERVER removed) are set in this process, so that this process and
// the programs it starts find it; the destructor ends the server and puts
// the variables back as they were.
class SoundServer {
public:
    // arguments go to the server as they are ("--disallow-module-loading").
    explicit SoundServer(const std::string& arguments = {});
    ~SoundServer();
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    // True once the server answered.
    bool ready() const { return !m_dir.empty(); }
    // The server's private directory (its runtime and home inside).
    const std::string& directory() const { return m_dir; }
    // Why it did not start (the script's own messages).
    const std::string& error() const { return m_error; }

private:
    void setVariable(const std::string& name, const std::optional<std::string>& value);

    std::string m_dir;
    std::string m_error;
    Environment m_saved;
};

// Writes seconds of a 440 Hz tone at half scale (-6 dB) as MP3 at the test
// stream's bit rate, for the local server's endless stream to loop
// ("/_stream?audio="). A hundred seconds is longer than any test's count of
// quiet moments, which would otherwise take the file's own start and end
// for a gap.
void MakeStreamTone(const std::string& path, int seconds = 100);

// One SoundServer for the whole test program, for tests that start it at
// their beginning and end it at their end: true once it answers.
bool StartSoundServer();
void StopSoundServer();

// pid and every process under it, each with its parent (0 for pid itself),
// from the parent links in /proc/<pid>/stat.
std::vector<std::pair<pid_t, pid_t>> ProcessTree(pid_t root);

} // namespace testsupport
