// The real program, started as a user would with the demo meter (offscreen): time from exec
// to the main window shown and the peak resident memory of that run, then the CPU it takes
// while idle with the meter connected and its polling worker running.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

constexpr int kStartupRuns = 5;
constexpr int kShownTimeoutMs = 20000;
constexpr int kExitTimeoutMs = 10000;
constexpr int kConnectTimeoutMs = 20000;
constexpr int kSettleMs = 3000;
constexpr int kIdleMs = 10000;

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string directoryOf(const std::string &path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

struct Child {
    pid_t pid = -1;
    int out = -1; // read end of the child's stdout, or -1
};

// Starts the program in its own folder (where it finds its translations) with a private
// runtime folder, so that a copy started by someone else does not make it the second instance.
Child spawn(const std::string &program, const std::vector<std::string> &args,
            const std::string &runtimeDir, const std::string &errLog, bool pipeStdout)
{
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e) {
        const std::string entry(*e);
        if (entry.rfind("QT_QPA_PLATFORM=", 0) != 0 && entry.rfind("XDG_RUNTIME_DIR=", 0) != 0)
            env.push_back(entry);
    }
    env.push_back("QT_QPA_PLATFORM=offscreen");
    env.push_back("XDG_RUNTIME_DIR=" + runtimeDir);
    std::vector<char *> envp;
    for (std::string &s : env)
        envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<std::string> argStrings{program};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &s : argStrings)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    const std::string dir = directoryOf(program);

    int fds[2] = {-1, -1};
    if (pipeStdout && pipe(fds) != 0)
        return {};
    const int err = open(errLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const pid_t pid = fork();
    if (pid == 0) {
        if (pipeStdout)
            dup2(fds[1], STDOUT_FILENO);
        else if (err >= 0)
            dup2(err, STDOUT_FILENO);
        if (err >= 0)
            dup2(err, STDERR_FILENO);
        if (chdir(dir.c_str()) != 0)
            _exit(126);
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    if (err >= 0)
        close(err);
    Child child;
    child.pid = pid;
    if (pipeStdout) {
        close(fds[1]);
        child.out = fds[0];
        if (pid < 0) {
            close(fds[0]);
            child.out = -1;
        }
    }
    return child;
}

// Waits for a line equal to `wanted` on the child's stdout; false on end of file or time-out.
bool waitForLine(int fd, const std::string &wanted, int timeoutMs)
{
    const Clock::time_point start = Clock::now();
    std::string pending;
    for (;;) {
        const int left = timeoutMs - static_cast<int>(msSince(start));
        if (left <= 0)
            return false;
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, left);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        char buffer[256];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        pending.append(buffer, static_cast<size_t>(n));
        std::string::size_type end;
        while ((end = pending.find('\n')) != std::string::npos) {
            if (pending.compare(0, end, wanted) == 0)
                return true;
            pending.erase(0, end + 1);
        }
    }
}

// Reaps the child within `timeoutMs`, killing it when it does not end by itself; true when it
// exited normally with code 0.
bool reap(pid_t pid, int timeoutMs, rusage *usage, bool terminate)
{
    if (terminate)
        kill(pid, SIGTERM);
    const Clock::time_point start = Clock::now();
    int status = 0;
    for (;;) {
        const pid_t done = wait4(pid, &status, WNOHANG, usage);
        if (done == pid)
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (done < 0)
            return false;
        if (msSince(start) > timeoutMs) {
            kill(pid, SIGKILL);
            wait4(pid, &status, 0, usage);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// utime + stime of the process, in clock ticks; -1 when it cannot be read.
long long cpuTicks(pid_t pid)
{
    const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    const auto close = stat.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    long long utime = -1, stime = -1;
    // Fields from the state on: state is 3, utime 14, stime 15.
    for (int index = 3; index <= 15 && fields >> field; ++index) {
        if (index == 14)
            utime = std::atoll(field.c_str());
        else if (index == 15)
            stime = std::atoll(field.c_str());
    }
    return utime < 0 || stime < 0 ? -1 : utime + stime;
}

// CPU time of every thread in nanoseconds, from the scheduler's own account: the clock
// ticks of /proc/PID/stat are too coarse for a figure of a tenth of a percent. -1 when the
// system keeps no such account; then the ticks serve.
double cpuSeconds(pid_t pid)
{
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code error;
    long long total = 0;
    bool any = false;
    for (const auto &task : std::filesystem::directory_iterator(tasks, error)) {
        std::istringstream fields(readFile(task.path().string() + "/schedstat"));
        long long onCpu = -1;
        if (fields >> onCpu && onCpu >= 0) {
            total += onCpu;
            any = true;
        }
    }
    if (!error && any)
        return static_cast<double>(total) / 1e9;
    const long long ticks = cpuTicks(pid);
    return ticks < 0 ? -1 : static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

int threadCount(pid_t pid)
{
    const std::string status = readFile("/proc/" + std::to_string(pid) + "/status");
    const auto at = status.find("Threads:");
    return at == std::string::npos ? -1 : std::atoi(status.c_str() + at + 8);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2.0;
}

void showLog(const std::string &path)
{
    std::fprintf(stderr, "--- %s\n%s---\n", path.c_str(), readFile(path).c_str());
}

} // namespace

int main()
{
    const std::string program = SOLVANE_BINARY;
    char dirTemplate[] = "/tmp/solvane-bench-XXXXXX";
    if (!mkdtemp(dirTemplate)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string runtimeDir = dirTemplate;
    const std::string errLog = runtimeDir + "/stderr.log";
    int status = 0;

    // Start-up: time to "shown", peak memory of the run.
    std::vector<double> times;
    double peakRssMb = 0;
    for (int run = 0; run < kStartupRuns && status == 0; ++run) {
        const Clock::time_point start = Clock::now();
        const Child child =
            spawn(program, {"--demo", "meter", "--quit-when-shown"}, runtimeDir, errLog, true);
        if (child.pid < 0 || child.out < 0) {
            std::perror("start");
            status = 1;
            break;
        }
        const bool shown = waitForLine(child.out, "shown", kShownTimeoutMs);
        const double ms = msSince(start);
        rusage usage{};
        const bool exited = reap(child.pid, kExitTimeoutMs, &usage, !shown);
        close(child.out);
        if (!shown || !exited) {
            std::fprintf(stderr, "start-up run %d failed (shown %d, clean exit %d)\n", run + 1,
                         shown, exited);
            showLog(errLog);
            status = 1;
            break;
        }
        const double rssMb = static_cast<double>(usage.ru_maxrss) / 1024.0; // ru_maxrss is in KiB
        std::fprintf(stderr, "start-up run %d: %.1f ms, peak RSS %.1f MB\n", run + 1, ms, rssMb);
        times.push_back(ms);
        peakRssMb = std::max(peakRssMb, rssMb);
    }

    // Idle: connected, worker polling, nobody clicking.
    double idlePercent = -1;
    if (status == 0) {
        const Child child = spawn(program, {"--demo", "meter"}, runtimeDir, errLog, false);
        const Clock::time_point start = Clock::now();
        bool connected = false;
        while (child.pid > 0 && !connected && msSince(start) < kConnectTimeoutMs) {
            connected = readFile(errLog).find("hidDevice Open success!") != std::string::npos;
            if (!connected)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (connected) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kSettleMs));
            const double before = cpuSeconds(child.pid);
            const Clock::time_point from = Clock::now();
            std::this_thread::sleep_for(std::chrono::milliseconds(kIdleMs));
            const double after = cpuSeconds(child.pid);
            const double wallS = msSince(from) / 1000.0;
            const int threads = threadCount(child.pid);
            if (before >= 0 && after >= before) {
                const double cpuS = after - before;
                idlePercent = 100.0 * cpuS / wallS;
                std::fprintf(stderr, "idle: %.4f s CPU over %.2f s, %d threads\n", cpuS, wallS,
                             threads);
            }
        }
        if (child.pid > 0) {
            rusage usage{};
            reap(child.pid, kExitTimeoutMs, &usage, true);
        }
        if (idlePercent < 0) {
            std::fprintf(stderr, "idle measurement failed (connected %d)\n", connected);
            showLog(errLog);
            status = 1;
        }
    }

    std::error_code ignored;
    std::filesystem::remove_all(runtimeDir, ignored);
    if (status != 0)
        return status;
    std::printf("startup_ms %.0f ms\n", median(times));
    std::printf("startup_rss_mb %.1f MB\n", peakRssMb);
    std::printf("idle_cpu_percent %.2f %%\n", idlePercent);
    return 0;
}
