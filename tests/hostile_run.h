// Runs the real binary on hostile input under a wall-clock limit and an
// address-space cap, and reports what it did and what it cost: exit code or
// signal, both output streams, wall time and peak resident memory.
#pragma once

#include <gtest/gtest.h>

#include "testutil.h"

#include <dirent.h>
#include <sys/resource.h>
#include <sys/time.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace hostile {

struct Outcome {
    int exitCode = -1;      // -1 when the child died of a signal
    int signal = 0;         // the signal that ended it, if any
    bool timedOut = false;  // killed by the wall-clock limit
    std::string out;
    std::string err;
    double seconds = 0;
    long maxRssMb = 0;
};

// Sanitized builds run several times slower, hold more memory and reserve a
// huge shadow address space: their limits widen and the address-space cap goes.
#ifdef TARSK1_SANITIZED
constexpr bool kSanitized = true;
constexpr double kSlowdown = 8;
constexpr long kMemoryFactor = 6;
#else
constexpr bool kSanitized = false;
constexpr double kSlowdown = 1;
constexpr long kMemoryFactor = 1;
#endif

struct Limits {
    double wallSeconds = 60;
    long addressSpaceMb = 4096;     // 0: no cap (valgrind reserves a lot)
    bool ignoreInterrupt = false;   // start the child with SIGINT ignored, as a background job
    long fileSizeBytes = -1;        // a file size cap; -1 for none
    bool stderrClosedPipe = false;  // standard error is a pipe nobody reads any more
};

// Called about every millisecond while the child runs, with its pid and the
// seconds since the start.
using Watcher = std::function<void(pid_t, double)>;

inline const std::string &sourceRoot()
{
    static const std::string root = TARSK1_SOURCE_ROOT;
    return root;
}

// The environment every run gets before its own entries.
inline std::vector<std::string> baseEnvironment(const std::string &target)
{
    return {"CORVELDIR=" + sourceRoot() + "/install", "MVRTGT=" + sourceRoot() + "/targets/" + target, "LANG=C",
            "LC_ALL=C", "LANGUAGE"};
}

inline std::vector<char *> pointers(std::vector<std::string> &strings)
{
    std::vector<char *> p;
    for (auto &s : strings) p.push_back(&s[0]);
    p.push_back(nullptr);
    return p;
}

// program gets args; env entries NAME=value set a variable, NAME alone
// removes it; stdin is /dev/null.
inline Outcome runLimited(const std::string &program, const std::vector<std::string> &args,
                          const std::vector<std::string> &env, const std::string &workDir, const Limits &limits = {},
                          const Watcher &watcher = {})
{
    testutil::TempDir io;
    const std::string outPath = io.file("out"), errPath = io.file("err");
    std::vector<std::string> envStrings = testutil::mergedEnvironment(env);
    std::vector<std::string> argStrings{program};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char *> envp = pointers(envStrings), argv = pointers(argStrings);

    const auto start = std::chrono::steady_clock::now();
    pid_t pid = ::fork();
    if (pid == 0) {
        int in = ::open("/dev/null", O_RDONLY);
        int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        if (limits.stderrClosedPipe) {
            int ends[2];
            if (::pipe(ends) != 0) ::_exit(125);
            ::close(ends[0]);
            ::dup2(ends[1], 2);
        }
        if (limits.addressSpaceMb > 0 && !kSanitized) {
            rlimit cap{rlim_t(limits.addressSpaceMb) << 20, rlim_t(limits.addressSpaceMb) << 20};
            ::setrlimit(RLIMIT_AS, &cap);
        }
        if (limits.ignoreInterrupt) ::signal(SIGINT, SIG_IGN);
        if (limits.fileSizeBytes >= 0) {
            rlimit cap{rlim_t(limits.fileSizeBytes), rlim_t(limits.fileSizeBytes)};
            ::setrlimit(RLIMIT_FSIZE, &cap);
        }
        if (!workDir.empty() && ::chdir(workDir.c_str()) != 0) ::_exit(126);
        ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    Outcome r;
    int status = 0;
    rusage usage{};
    for (;;) {
        pid_t done = ::wait4(pid, &status, WNOHANG, &usage);
        if (done == pid) break;
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (elapsed > limits.wallSeconds * kSlowdown && !r.timedOut) {
            r.timedOut = true;
            ::kill(pid, SIGKILL);
        }
        if (watcher && !r.timedOut) watcher(pid, elapsed);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.maxRssMb = usage.ru_maxrss / 1024;
    if (WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
    r.out = testutil::readFile(outPath);
    r.err = testutil::readFile(errPath);
    return r;
}

// tarsk1 with the given target configuration, run in workDir.
inline Outcome tarsk1(const std::vector<std::string> &args, const std::string &workDir,
                      const std::string &target = "minimal", std::vector<std::string> env = {},
                      const Limits &limits = {}, const Watcher &watcher = {})
{
    std::vector<std::string> all = baseEnvironment(target);
    all.insert(all.end(), env.begin(), env.end());
    return runLimited(TARSK1_BINARY, args, all, workDir, limits, watcher);
}

inline std::vector<std::string> listFolder(const std::string &path)
{
    std::vector<std::string> names;
    if (DIR *d = ::opendir(path.c_str())) {
        while (dirent *e = ::readdir(d)) {
            std::string n = e->d_name;
            if (n != "." && n != "..") names.push_back(n);
        }
        ::closedir(d);
    }
    return names;
}

inline bool endsWith(const std::string &text, const std::string &tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Names in the folder that are metrics files or writer temporaries.
inline std::vector<std::string> metricsLeftovers(const std::string &folder)
{
    std::vector<std::string> found;
    for (const std::string &n : listFolder(folder))
        if (n.find(".met") != std::string::npos) found.push_back(n);
    return found;
}

// The run ended on its own within the time and memory given for a normal build.
inline void expectBounded(const Outcome &r, double seconds, long megabytes)
{
    EXPECT_FALSE(r.timedOut);
    EXPECT_LT(r.seconds, seconds * kSlowdown);
    EXPECT_LT(r.maxRssMb, megabytes * kMemoryFactor);
}

}  // namespace hostile
