// Small helpers shared by the tests: temporary folders, whole-file reads and
// writes, and running a program as a child process with its output captured.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

extern char **environ;

namespace testutil {

struct ProcessResult {
    int exitCode = -1;  // exit status, or 128 + signal number
    std::string out;
    std::string err;
};

inline std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void writeFile(const std::string &path, const std::string &content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

inline bool exists(const std::string &path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// A fresh folder under /tmp, removed with its content when the object dies.
class TempDir {
public:
    TempDir()
    {
        char tmpl[] = "/tmp/tarsk1-test-XXXXXX";
        char *p = ::mkdtemp(tmpl);
        path_ = p ? p : "";
    }
    ~TempDir()
    {
        if (!path_.empty()) {
            std::string cmd = "chmod -R u+rwx '" + path_ + "' 2>/dev/null; rm -rf '" + path_ + "'";
            if (std::system(cmd.c_str()) != 0) { /* best effort */
            }
        }
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::string &path() const { return path_; }
    std::string file(const std::string &name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// The process environment with env applied: NAME=value sets a variable,
// NAME alone removes it.
inline std::vector<std::string> mergedEnvironment(const std::vector<std::string> &env)
{
    std::map<std::string, std::string> vars;
    for (char **e = environ; *e; ++e) {
        std::string s(*e);
        auto eq = s.find('=');
        if (eq != std::string::npos) vars[s.substr(0, eq)] = s.substr(eq + 1);
    }
    for (const std::string &e : env) {
        auto eq = e.find('=');
        if (eq == std::string::npos) vars.erase(e);
        else vars[e.substr(0, eq)] = e.substr(eq + 1);
    }
    std::vector<std::string> out;
    for (auto &kv : vars) out.push_back(kv.first + "=" + kv.second);
    return out;
}

// Runs program with args (argv[0] is the program). env entries of the form
// NAME=value are set, NAME alone removes the variable; the rest of the
// environment is inherited. stdin is /dev/null unless input is given.
inline ProcessResult runProcess(const std::string &program, const std::vector<std::string> &args,
                                const std::vector<std::string> &env = {}, const std::string &workDir = "",
                                const std::string &input = "")
{
    TempDir io;
    std::string outPath = io.file("out"), errPath = io.file("err"), inPath = io.file("in");
    writeFile(inPath, input);

    std::vector<std::string> envStrings = mergedEnvironment(env);
    std::vector<char *> envp, argv;
    for (auto &s : envStrings) envp.push_back(const_cast<char *>(s.c_str()));
    envp.push_back(nullptr);
    argv.push_back(const_cast<char *>(program.c_str()));
    for (auto &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);

    ProcessResult r;
    pid_t pid = ::fork();
    if (pid == 0) {
        int in = ::open(inPath.c_str(), O_RDONLY);
        int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        if (!workDir.empty() && ::chdir(workDir.c_str()) != 0) ::_exit(126);
        ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status)) r.exitCode = 128 + WTERMSIG(status);
    r.out = readFile(outPath);
    r.err = readFile(errPath);
    return r;
}

}  // namespace testutil
