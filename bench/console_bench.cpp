// SPDX-License-Identifier: MIT
// The console's figures beside the floors they are held to, in one run:
//   start-up    cold start to the first painted frame, beside a bare Qt Widgets window, and
//               beside that window with one line of Hangul on it (at most 1.1 times as long)
//   memory      peak resident set of the window and of --run, beside the bare programs
//   CPU         CPU time of each routine on dry-run devices, beside the time its bytes take on
//               a 9600-baud wire
//   long run    200 thermal pages through a pseudo-terminal read at a fixed slow rate
// Prints a table; exits 1 if a goal is missed, so a bench script can tell. Needs Xvfb.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "channels/devices.h"
#include "core/dispatch.h"
#include "support/pty.h"
#include "testpages/routines.h"

extern char** environ;

namespace {

using mpt::bench::cpuSeconds;
using mpt::bench::median;

using Clock = std::chrono::steady_clock;

struct Finished {
    int status = -1;
    long maxRssKiB = 0;
    std::string out;
};

long long monotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1'000'000'000LL + now.tv_nsec;
}

// Runs argv with extra environment entries to its end; its standard output is captured.
Finished runChild(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        return {};
    }
    std::vector<std::string> envStrings;
    for (char** e = environ; *e != nullptr; ++e) {
        envStrings.emplace_back(*e);
    }
    envStrings.insert(envStrings.end(), env.begin(), env.end());
    std::vector<char*> envp;
    for (std::string& s : envStrings) {
        envp.push_back(s.data());
    }
    envp.push_back(nullptr);
    std::vector<std::string> args = argv;
    std::vector<char*> argp;
    for (std::string& s : args) {
        argp.push_back(s.data());
    }
    argp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    Finished result;
    if (rc != 0) {
        ::close(pipeFds[0]);
        return result;
    }
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
        result.out.append(buffer, static_cast<size_t>(n));
    }
    ::close(pipeFds[0]);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    result.status = status;
    result.maxRssKiB = usage.ru_maxrss;
    return result;
}

// Xvfb on a display it chooses, for as long as the object lives.
class Xvfb {
  public:
    Xvfb() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            return;
        }
        m_pid = ::fork();
        if (m_pid == 0) {
            // The display number comes back on descriptor 3; everything else is closed on exec.
            ::dup2(fds[1] == 3 ? ::fcntl(3, F_DUPFD, 10) : fds[1], 3);
            const int devnull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
            ::dup2(devnull, STDERR_FILENO);
            ::execlp("Xvfb", "Xvfb", "-displayfd", "3", "-nolisten", "tcp", "-screen", "0",
                     "1024x768x24", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        std::string number;
        char c = 0;
        while (::read(fds[0], &c, 1) == 1 && c != '\n') {
            number.push_back(c);
        }
        ::close(fds[0]);
        if (!number.empty()) {
            m_display = ":" + number;
        }
    }
    ~Xvfb() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    const std::string& display() const { return m_display; }

  private:
    pid_t m_pid = -1;
    std::string m_display;
};

// Milliseconds from spawning `program` to its first painted frame. Each start begins on a settled
// machine: started straight after the previous program ended, a program took up to half as long
// again, whichever program it was, which would measure the machine rather than the program.
std::optional<double> firstPaint(const std::string& program, const std::string& display,
                                 std::vector<std::string> extraArgs, long* maxRssKiB) {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
    const Finished f = runChild(argv, {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb",
                                       "MPT_FIRST_PAINT_SINCE=" + std::to_string(monotonicNs())});
    const size_t at = f.out.find("first-paint-ms ");
    if (at == std::string::npos) {
        return std::nullopt;
    }
    if (maxRssKiB != nullptr) {
        *maxRssKiB = std::max(*maxRssKiB, f.maxRssKiB);
    }
    return std::stod(f.out.substr(at + 15));
}

class Counter final : public mpt::DeviceObserver {
  public:
    void opened(const std::string&, const std::string&) override {}
    void taken(std::size_t n) override { bytes += n; }
    void wrote() override {}
    void notTaken(std::size_t) override {}
    void dropped(std::size_t) override {}
    void state(const mpt::DeviceState&) override {}
    std::uint64_t bytes = 0;
};

}  // namespace

int main(int argc, char** argv) {
    int runs = 21;
    if (argc == 3 && std::strcmp(argv[1], "--runs") == 0) {
        runs = std::max(5, std::atoi(argv[2]));
    }
    bool allMet = true;
    const auto verdict = [&](bool met) {
        allMet = allMet && met;
        return met ? "met" : "MISSED";
    };

    std::printf("%-44s %14s %14s %8s %8s\n", "figure", "console", "floor", "ratio", "goal");

    // Start-up and the window's memory, on an X server of our own.
    {
        Xvfb x;
        if (x.display().empty()) {
            std::printf("start-up: Xvfb did not start; skipped\n");
        } else {
            std::vector<double> console, bare, text;
            long consoleRss = 0, bareRss = 0;
            // One start of each first, not counted, so that all are measured with warm caches.
            firstPaint(MPT_CONSOLE, x.display(), {"--dry-run"}, nullptr);
            firstPaint(MPT_BARE_WINDOW, x.display(), {}, nullptr);
            firstPaint(MPT_TEXT_WINDOW, x.display(), {}, nullptr);
            // Each console start beside the Hangul window's start just after it: the machine's
            // speed drifts over a run (other guests of the host), and a pair of starts a moment
            // apart sees the same machine.
            std::vector<double> paired;
            for (int i = 0; i < runs; ++i) {
                const auto c = firstPaint(MPT_CONSOLE, x.display(), {"--dry-run"}, &consoleRss);
                if (c) {
                    console.push_back(*c);
                }
                if (auto ms = firstPaint(MPT_BARE_WINDOW, x.display(), {}, &bareRss)) {
                    bare.push_back(*ms);
                }
                const auto t = firstPaint(MPT_TEXT_WINDOW, x.display(), {}, nullptr);
                if (t) {
                    text.push_back(*t);
                }
                if (c && t) {
                    paired.push_back(*c / *t);
                }
            }
            if (console.size() < 5 || bare.size() < 5 || text.size() < 5) {
                std::printf("start-up: only %zu, %zu and %zu of %d starts painted a frame\n",
                            console.size(), bare.size(), text.size(), runs);
                return 1;
            }
            const double c = median(console), b = median(bare), t = median(text);
            std::printf(
                "%-44s %11.1f ms %11.1f ms %8.2f %8s\n",
                ("start to first frame, median of " + std::to_string(console.size())).c_str(), c, b,
                c / b, verdict(c <= 1.25 * b));
            // Beside the window with one line of Hangul, which also reads the font configuration
            // and opens a Korean face: what is left is the console's own start-up.
            std::printf("%-44s %11.1f ms %11.1f ms %8.2f %8s\n",
                        "  beside a window with one Hangul line", c, t, c / t,
                        verdict(c <= 1.1 * t));
            std::printf("%-44s %14s %14s %8.2f\n",
                        "  the same, median ratio of the pairs of starts", "", "", median(paired));
            std::printf("%-44s %10ld KiB %10ld KiB %8.2f %8s\n", "peak memory, window", consoleRss,
                        bareRss, static_cast<double>(consoleRss) / static_cast<double>(bareRss),
                        verdict(consoleRss <= 1.3 * static_cast<double>(bareRss)));
        }
    }

    // The runner's memory, without a display.
    {
        const Finished console =
            runChild({MPT_CONSOLE, "--run", "cmddevice", "--count", "10", "--dry-run"}, {});
        const Finished bare = runChild({MPT_BARE_PROGRAM}, {});
        std::printf("%-44s %10ld KiB %10ld KiB %8.2f %8s\n", "peak memory, --run cmddevice",
                    console.maxRssKiB, bare.maxRssKiB,
                    static_cast<double>(console.maxRssKiB) / static_cast<double>(bare.maxRssKiB),
                    verdict(console.maxRssKiB <= 1.3 * static_cast<double>(bare.maxRssKiB)));
    }

    // CPU time of each routine at the default count, beside its bytes' time on the wire.
    std::printf("\n%-14s %10s %12s %12s %12s %8s\n", "routine", "bytes", "CPU/run", "CPU/byte",
                "wire 9600", "CPU/wire");
    for (const mpt::RoutineInfo& routine : mpt::routines()) {
        const auto devices = mpt::dryRunDevices();
        Counter counter;
        mpt::Trace silent;
        mpt::TextBoxStore boxes;
        mpt::Console con(boxes, *devices, silent);
        con.setRun(devices->startRun(&counter));
        int repeats = 0;
        const double start = cpuSeconds();
        do {
            mpt::runRoutine(con, routine.name);
            ++repeats;
        } while (cpuSeconds() - start < 0.2);
        const double perRun = (cpuSeconds() - start) / repeats;
        const double bytes = static_cast<double>(counter.bytes) / repeats;
        const double wire = bytes * 10.0 / 9600.0;
        std::printf("%-14s %10.0f %9.1f us %9.1f ns %10.2f s %7.4f%% %s\n",
                    std::string(routine.name).c_str(), bytes, perRun * 1e6, perRun / bytes * 1e9,
                    wire, 100.0 * perRun / wire, verdict(perRun < 0.01 * wire));
    }

    // The long run: 200 thermal pages through a pseudo-terminal read at a fixed slow rate.
    {
        constexpr int kRate = 20'000;  // bytes a second
        mpt::testing::PtyPrinter printer;
        printer.startReading(kRate);
        const auto start = Clock::now();
        const Finished run = runChild({MPT_CONSOLE, "--run", "cmddevice", "--count", "200"},
                                      {"MPT_COM1=" + printer.devicePath()});
        // The console has handed everything over; the reader takes the rest at its pace.
        const auto devices = mpt::dryRunDevices();
        Counter expected;
        {
            mpt::Trace silent;
            mpt::TextBoxStore boxes("200");
            mpt::Console con(boxes, *devices, silent);
            con.setRun(devices->startRun(&expected));
            mpt::runRoutine(con, "cmddevice");
        }
        const std::string got = printer.waitFor(expected.bytes, std::chrono::seconds(120));
        const double wall = std::chrono::duration<double>(Clock::now() - start).count();
        const double floor = static_cast<double>(expected.bytes) / kRate;
        std::printf("\n%-44s %14s %14s %8s %8s\n", "long run: 200 thermal pages, reader 20 kB/s",
                    "console", "floor", "ratio", "goal");
        std::printf("%-44s %14zu %14llu %8s %8s\n", "bytes received / sent", got.size(),
                    static_cast<unsigned long long>(expected.bytes), "",
                    verdict(run.status == 0 && got.size() == expected.bytes));
        std::printf("%-44s %12.1f s %12.1f s %8.2f\n", "wall time / bytes at the read rate", wall,
                    floor, wall / floor);
    }
    return allMet ? 0 : 1;
}
