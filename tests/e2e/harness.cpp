// SPDX-License-Identifier: MIT
#include "e2e/harness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "support/stream.h"

extern char** environ;

namespace mpt::e2e {

using namespace std::chrono_literals;

namespace {

const std::string kTitle = "MINI PRINTER TEST PROGRAM";

// This process's environment with the changes applied, as "NAME=value" strings.
std::vector<std::string> environmentWith(const EnvChanges& changes) {
    std::vector<std::string> result;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        if (changes.find(name) == changes.end()) {
            result.push_back(entry);
        }
    }
    for (const auto& [name, value] : changes) {
        if (value) {
            result.push_back(name + "=" + *value);
        }
    }
    return result;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> result;
    for (std::string& s : strings) {
        result.push_back(s.data());
    }
    result.push_back(nullptr);
    return result;
}

// The full path of a program named without one, from PATH; empty if it is nowhere.
std::string programPath(const std::string& name) {
    if (name.find('/') != std::string::npos) {
        return name;
    }
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path != nullptr ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        const std::string candidate = dir + "/" + name;
        if (!dir.empty() && ::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

// Starts argv[0] (looked up on PATH) with the given descriptors for its standard output and
// error; -1 for nowhere. The child ends with the suite: it gets SIGTERM when the suite goes,
// however the suite ends. Returns the process id, or -1.
pid_t spawn(const std::vector<std::string>& argv, const EnvChanges& env, int out, int err,
            int passAsFd3) {
    const std::string program = programPath(argv.at(0));
    if (program.empty()) {
        return -1;
    }
    // Everything the child needs is prepared here: between fork and exec it only calls the
    // system.
    std::vector<std::string> args = argv;
    std::vector<std::string> envStrings = environmentWith(env);
    std::vector<char*> argp = pointers(args);
    std::vector<char*> envp = pointers(envStrings);
    const pid_t parent = ::getpid();

    const pid_t pid = ::fork();
    if (pid != 0) {
        return pid;
    }
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) {
        ::_exit(127);
    }
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    ::dup2(null, 0);
    ::dup2(out >= 0 ? out : null, 1);
    ::dup2(err >= 0 ? err : null, 2);
    if (passAsFd3 >= 0) {
        ::dup2(passAsFd3, 3);
    }
    ::execve(program.c_str(), argp.data(), envp.data());
    ::_exit(127);
}

int exitCodeOf(int status) {
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);
    }
    return -1;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

char processState(const std::string& statPath) {
    const std::string stat = readFile(statPath);
    const size_t paren = stat.rfind(')');
    return paren != std::string::npos && paren + 2 < stat.size() ? stat[paren + 2] : '?';
}

// Every thread of the process is stopped: the one that writes to the printer is not the main one.
bool allThreadsStopped(pid_t pid) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code error;
    bool any = false;
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        any = true;
        if (processState(task.path().string() + "/stat") != 'T') {
            return false;
        }
    }
    return any && !error;
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

}  // namespace

EnvChanges consoleDevices(const EnvChanges& changes) {
    EnvChanges env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (entry.rfind("MPT_", 0) == 0) {
            env[entry.substr(0, entry.find('='))] = std::nullopt;
        }
    }
    for (const auto& [name, value] : changes) {
        env[name] = value;
    }
    return env;
}

std::vector<std::string> missingTools() {
    std::vector<std::string> missing;
    for (const char* tool : {"Xvfb", "xdotool", "xclip"}) {
        if (programPath(tool).empty()) {
            missing.emplace_back(tool);
        }
    }
    return missing;
}

// ---- Child -------------------------------------------------------------------------------------

Child::Child(const std::vector<std::string>& argv, const EnvChanges& env,
             const std::string& logPath, int passAsFd3) {
    int log = -1;
    if (!logPath.empty()) {
        log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    }
    m_pid = spawn(argv, env, log, log, passAsFd3);
    if (log >= 0) {
        ::close(log);
    }
}

Child::~Child() {
    terminate();
}

bool Child::running() {
    return m_pid > 0 && !wait(0ms);
}

std::optional<int> Child::wait(Milliseconds timeout) {
    if (m_status || m_pid <= 0) {
        return m_status;
    }
    const auto end = Clock::now() + timeout;
    while (true) {
        int status = 0;
        const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid) {
            m_status = exitCodeOf(status);
            return m_status;
        }
        if (done < 0 && errno != EINTR) {
            m_status = -1;
            return m_status;
        }
        if (Clock::now() >= end) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(5ms);
    }
}

void Child::terminate() {
    if (m_pid <= 0 || m_status) {
        return;
    }
    ::kill(m_pid, SIGCONT);
    ::kill(m_pid, SIGTERM);
    if (!wait(5s)) {
        ::kill(m_pid, SIGKILL);
        wait(10s);
    }
}

bool Child::freeze() {
    if (m_pid <= 0 || ::kill(m_pid, SIGSTOP) != 0) {
        return false;
    }
    const auto end = Clock::now() + 10s;
    while (Clock::now() < end) {
        if (allThreadsStopped(m_pid)) {
            return true;
        }
        std::this_thread::sleep_for(1ms);
    }
    return false;
}

void Child::thaw() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGCONT);
    }
}

CommandResult runCommand(const std::vector<std::string>& argv, const EnvChanges& env,
                         Milliseconds timeout) {
    CommandResult result;
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        return result;
    }
    const pid_t pid = spawn(argv, env, pipeFds[1], -1, -1);
    ::close(pipeFds[1]);
    if (pid <= 0) {
        ::close(pipeFds[0]);
        return result;
    }
    const auto end = Clock::now() + timeout;
    bool open = true;
    int status = 0;
    bool ended = false;
    while (!ended || open) {
        if (open) {
            pollfd pfd{pipeFds[0], POLLIN, 0};
            if (::poll(&pfd, 1, 5) > 0) {
                char buffer[4096];
                const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
                if (n > 0) {
                    result.out.append(buffer, static_cast<size_t>(n));
                } else if (n == 0 || errno != EINTR) {
                    open = false;
                }
            }
        } else {
            std::this_thread::sleep_for(2ms);
        }
        if (!ended && ::waitpid(pid, &status, WNOHANG) == pid) {
            ended = true;
        }
        if (Clock::now() >= end) {
            if (!ended) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &status, 0);
                ::close(pipeFds[0]);
                result.exitCode = -1;
                return result;
            }
            break;
        }
    }
    ::close(pipeFds[0]);
    result.exitCode = exitCodeOf(status);
    return result;
}

// ---- TempDir, XServer --------------------------------------------------------------------------

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "mpt-e2e-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary directory");
    }
    m_path = tmpl;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

XServer::XServer() {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        m_problem = "no pipe for -displayfd";
        return;
    }
    if (pipeFds[1] == 3) {
        // Descriptor 3 of Xvfb is made from it; keep the two apart.
        const int moved = ::fcntl(pipeFds[1], F_DUPFD_CLOEXEC, 10);
        ::close(pipeFds[1]);
        pipeFds[1] = moved;
    }
    // -noreset: the server would otherwise reset whenever its last client goes, and a console
    // starting at that moment would find no server to connect to.
    m_process.emplace(std::vector<std::string>{"Xvfb", "-displayfd", "3", "-ac", "-nolisten", "tcp",
                                               "-noreset", "-screen", "0", "1024x768x24"},
                      EnvChanges{}, m_dir.file("xvfb.log"), pipeFds[1]);
    ::close(pipeFds[1]);
    // Xvfb writes the number of the display it took, then a line end, once it accepts clients.
    std::string number;
    const auto end = Clock::now() + 60s;
    while (Clock::now() < end && number.find('\n') == std::string::npos) {
        pollfd pfd{pipeFds[0], POLLIN, 0};
        if (::poll(&pfd, 1, 50) > 0) {
            char buffer[64];
            const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            number.append(buffer, static_cast<size_t>(n));
        }
        if (!m_process->running()) {
            break;
        }
    }
    ::close(pipeFds[0]);
    if (number.find('\n') == std::string::npos) {
        m_problem = "Xvfb did not start: " + readFile(m_dir.file("xvfb.log"));
        return;
    }
    m_display = ":" + number.substr(0, number.find('\n'));
}

std::string XServer::log() const {
    return readFile(m_dir.file("xvfb.log"));
}

XServer::~XServer() {
    if (m_process) {
        m_process->terminate();
    }
}

// ---- The trace ---------------------------------------------------------------------------------

const std::vector<std::string>& TraceFile::lines() {
    std::ifstream in(m_path, std::ios::binary);
    if (!in) {
        return m_lines;
    }
    in.seekg(static_cast<std::streamoff>(m_offset));
    std::string chunk((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    m_offset += chunk.size();
    m_partial += chunk;
    size_t start = 0;
    for (size_t nl = m_partial.find('\n'); nl != std::string::npos;
         nl = m_partial.find('\n', start)) {
        m_lines.push_back(m_partial.substr(start, nl - start));
        start = nl + 1;
    }
    m_partial.erase(0, start);
    return m_lines;
}

std::vector<std::string> writesIn(const std::vector<std::string>& lines, size_t from, size_t to) {
    std::vector<std::string> writes;
    for (size_t i = from; i < to && i < lines.size(); ++i) {
        const std::string op = testing::field(lines[i], "op");
        if (op == "Output" || op == "Print") {
            writes.push_back(testing::fromHex(testing::field(lines[i], "hex")));
        }
    }
    return writes;
}

// ---- The window --------------------------------------------------------------------------------

namespace {

// The controls a person clicks, where the window puts them: left, top, width and height in twips
// from the top left corner of the client area; 15 twips make a pixel.
struct Place {
    std::string_view name;
    int left;
    int top;
    int width;
    int height;
};

constexpr Place kPlaces[] = {
    {"cmddevice", 120, 120, 2775, 975},     {"cmddevice1", 120, 1200, 2775, 975},
    {"cmddevice2", 7920, 120, 2775, 975},   {"cmddevice3", 7920, 1200, 2775, 975},
    {"cmddevice4", 120, 2520, 2775, 975},   {"cmddevice5", 120, 3600, 2775, 975},
    {"cmddevice6", 5160, 1320, 2655, 975},  {"cmddevice7", 5160, 2400, 2655, 975},
    {"cmddevice8", 4440, 3600, 1335, 975},  {"cmddevice9", 7920, 2280, 1335, 975},
    {"cmddevice10", 3000, 3600, 1335, 975}, {"cmddevice11", 9360, 2280, 1335, 975},
    {"cmddevice12", 3000, 2520, 2055, 975}, {"txt1", 4560, 240, 1575, 375},
    {"txt2", 3000, 600, 4815, 645},         {"port", 4320, 2160, 735, 375},
};

constexpr int kTwipsPerPixel = 15;

std::vector<std::string> consoleCommand(const ConsoleWindow::Options& options,
                                        const std::string& tracePath) {
    std::vector<std::string> argv = options.runAs;
    argv.insert(argv.end(), {options.binary, "--trace", tracePath});
    return argv;
}

EnvChanges consoleEnvironment(const ConsoleWindow::Options& options, const TempDir& dir) {
    EnvChanges env = consoleDevices(options.env);
    env["DISPLAY"] = options.display;
    env["QT_QPA_PLATFORM"] = "xcb";
    env["WAYLAND_DISPLAY"] = std::nullopt;
    if (options.otherUser) {
        env["HOME"] = dir.path();
        env["XDG_RUNTIME_DIR"] = std::nullopt;
    }
    return env;
}

TempDir& prepared(TempDir& dir, bool otherUser) {
    if (otherUser) {
        ::chmod(dir.path().c_str(), 0777);
    }
    return dir;
}

}  // namespace

Point centreOf(std::string_view control) {
    for (const Place& p : kPlaces) {
        if (p.name == control) {
            return {(p.left + p.width / 2) / kTwipsPerPixel,
                    (p.top + p.height / 2) / kTwipsPerPixel};
        }
    }
    throw std::invalid_argument("the window has no control " + std::string(control));
}

ConsoleWindow::ConsoleWindow(const Options& options)
    : m_options(options),
      m_trace(prepared(m_dir, options.otherUser).file("trace.jsonl")),
      m_process(consoleCommand(options, m_dir.file("trace.jsonl")),
                consoleEnvironment(options, m_dir), m_dir.file("console.log")) {}

ConsoleWindow::~ConsoleWindow() {
    m_process.terminate();
}

std::string ConsoleWindow::log() const {
    return readFile(m_dir.file("console.log"));
}

CommandResult ConsoleWindow::xdotool(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "xdotool");
    return runCommand(arguments, {{"DISPLAY", m_options.display}});
}

// The console's visible windows with the console's title: the window itself, and the error box
// while one is shown.
std::vector<std::string> ConsoleWindow::windows() {
    const CommandResult found =
        xdotool({"search", "--onlyvisible", "--pid", std::to_string(m_process.pid()), "--name",
                 "^" + kTitle + "$"});
    return found.exitCode == 0 ? splitLines(found.out) : std::vector<std::string>{};
}

bool ConsoleWindow::waitUntilShown(Milliseconds timeout) {
    const auto end = Clock::now() + timeout;
    while (Clock::now() < end && m_process.running()) {
        const std::vector<std::string> shown = windows();
        if (shown.size() == 1) {
            m_window = shown.front();
            return true;
        }
        std::this_thread::sleep_for(50ms);
    }
    return false;
}

void ConsoleWindow::destroyWindow() {
    xdotool({"windowclose", m_window});
}

void ConsoleWindow::click(std::string_view control) {
    const Point at = centreOf(control);
    xdotool({"mousemove", "--window", m_window, std::to_string(at.x), std::to_string(at.y), "click",
             "1"});
}

void ConsoleWindow::type(std::string_view control, std::string_view text) {
    const Point at = centreOf(control);
    xdotool({"mousemove", "--window", m_window, std::to_string(at.x), std::to_string(at.y), "click",
             "1", "key", "ctrl+a", "type", "--delay", "20", "--", std::string(text)});
}

std::string ConsoleWindow::read(std::string_view control, std::string_view expected,
                                Milliseconds timeout) {
    const Point at = centreOf(control);
    xdotool({"mousemove", "--window", m_window, std::to_string(at.x), std::to_string(at.y), "click",
             "1", "key", "ctrl+a", "ctrl+c"});
    // The copy takes effect when the console gets to the keys, after any run still going.
    std::string text;
    const auto end = Clock::now() + timeout;
    do {
        const CommandResult clip =
            runCommand({"xclip", "-o", "-selection", "clipboard", "-t", "UTF8_STRING"},
                       {{"DISPLAY", m_options.display}});
        if (clip.exitCode == 0) {
            text = clip.out;
            if (text == expected) {
                break;
            }
        }
        std::this_thread::sleep_for(50ms);
    } while (Clock::now() < end);
    return text;
}

std::optional<RunEnd> ConsoleWindow::waitForRunEnd(size_t from, Milliseconds timeout) {
    const auto end = Clock::now() + timeout;
    size_t next = from;
    while (true) {
        const std::vector<std::string>& lines = m_trace.lines();
        for (; next < lines.size(); ++next) {
            const std::string& line = lines[next];
            const std::string op = testing::field(line, "op");
            RunEnd result;
            result.line = next;
            result.at = Clock::now();
            if (op == "Error") {
                result.failed = true;
                result.number = std::stoi(testing::field(line, "number"));
                result.text = testing::field(line, "text");
                result.detail = testing::field(line, "detail");
                return result;
            }
            if (op == "SetText" && testing::field(line, "control") == "txt2") {
                result.text = testing::field(line, "text");
                return result;
            }
        }
        if (Clock::now() >= end || !m_process.running()) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(5ms);
    }
}

std::string ConsoleWindow::focusedWindow() {
    std::string id = xdotool({"getwindowfocus", "-f"}).out;
    while (!id.empty() && (id.back() == '\n' || id.back() == ' ')) {
        id.pop_back();
    }
    return id;
}

std::optional<std::string> ConsoleWindow::errorBox() {
    for (const std::string& w : windows()) {
        if (w != m_window) {
            return w;
        }
    }
    return std::nullopt;
}

std::optional<std::string> ConsoleWindow::waitForErrorBox(Milliseconds timeout) {
    const auto end = Clock::now() + timeout;
    while (Clock::now() < end && m_process.running()) {
        if (std::optional<std::string> box = errorBox()) {
            return box;
        }
        std::this_thread::sleep_for(20ms);
    }
    return std::nullopt;
}

bool ConsoleWindow::dismissErrorBox(Milliseconds timeout) {
    const std::optional<std::string> box = errorBox();
    if (!box) {
        return false;
    }
    // The box takes the keyboard focus only once the console has seen it mapped, and a Return
    // given before that goes nowhere. Return is pressed only while the box holds the focus, so
    // that no press can reach the window behind it (Return there clicks the focused button).
    const auto end = Clock::now() + timeout;
    auto nextPress = Clock::now();
    while (Clock::now() < end) {
        const std::optional<std::string> shown = errorBox();
        if (!shown) {
            return true;
        }
        if (Clock::now() >= nextPress && focusedWindow() == *shown) {
            xdotool({"mousemove", "--window", *shown, "20", "20", "key", "Return"});
            nextPress = Clock::now() + 2s;
        }
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

}  // namespace mpt::e2e
