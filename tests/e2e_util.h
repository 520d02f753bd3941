// Shared by the end-to-end tests: inputs made from templates whose line
// markers point into the test tree, expected documents with the folder shown
// as a metrics file shows it, and a run of the real binary whose metrics
// files are all checked for well-formed XML.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "testutil.h"

namespace e2e {

inline std::string replaced(std::string text, const std::string &from, const std::string &to)
{
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

inline std::string upper(std::string text)
{
    for (char &c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// dataDir/name with @DIR@ replaced by the upper-case form of shownDir.
inline std::string expected(const std::string &dataDir, const std::string &name, const std::string &shownDir)
{
    return replaced(testutil::readFile(dataDir + "/" + name), "@DIR@", upper(shownDir));
}

// dataDir/name.in written into the work folder with @DATA@ replaced by
// markerDir; returns the path of the input.
inline std::string input(const testutil::TempDir &work, const std::string &dataDir, const std::string &name,
                         const std::string &markerDir)
{
    const std::string path = work.file(name.substr(name.rfind('/') + 1));
    testutil::writeFile(path, replaced(testutil::readFile(dataDir + "/" + name + ".in"), "@DATA@", markerDir));
    return path;
}

// A path the run was given or wrote, as seen from the test.
inline std::string fromWorkDir(const std::string &path, const std::string &workDir)
{
    return path.empty() || path[0] == '/' || workDir.empty() ? path : workDir + "/" + path;
}

// The log a run appends to: the value of its log option ("-v..." in any
// case), or none when it gives the option without a value.
inline bool logOption(const std::vector<std::string> &args, std::string &log)
{
    for (const std::string &arg : args) {
        if (arg.size() < 2 || arg[0] != '-' || std::toupper(static_cast<unsigned char>(arg[1])) != 'V') continue;
        const size_t eq = arg.find('=');
        log = eq == std::string::npos ? "" : arg.substr(eq + 1);
        return true;
    }
    return false;
}

// Every metrics file that the log records after offset must be well-formed.
inline void expectWellFormed(const std::string &log, size_t offset, const std::string &workDir)
{
    const std::string records = testutil::readFile(log);
    std::vector<std::string> files;
    for (size_t at = offset; at < records.size();) {
        size_t end = records.find('\n', at);
        if (end == std::string::npos) end = records.size();
        if (records.compare(at, 4, "MET ") == 0) {
            const std::string file = fromWorkDir(records.substr(at + 4, end - at - 4), workDir);
            if (testutil::exists(file)) files.push_back(file);
        }
        at = end + 1;
    }
    if (files.empty()) return;
    files.insert(files.begin(), "--noout");
    const testutil::ProcessResult lint = testutil::runProcess(TARSK1_XMLLINT, files);
    EXPECT_EQ(lint.exitCode, 0) << lint.err;
}

// Runs the binary; every metrics file it writes, as its log names them, goes
// through xmllint (a run without a log of its own is given one for that).
inline testutil::ProcessResult tarsk1(std::vector<std::string> args, const std::string &workDir,
                                      const std::string &target = "minimal")
{
    const std::string root = TARSK1_SOURCE_ROOT;
    testutil::TempDir own;
    std::string log;
    if (!logOption(args, log)) {
        log = own.file("xml.log");
        args.push_back("-VANTEL_LOG=" + log);
    }
    log = fromWorkDir(log, workDir);
    const size_t offset = log.empty() ? 0 : testutil::readFile(log).size();
    testutil::ProcessResult r = testutil::runProcess(
        TARSK1_BINARY, args,
        {"CORVELDIR=" + root + "/install", "MVRTGT=" + root + "/targets/" + target, "LANG=C", "LC_ALL=C", "LANGUAGE"},
        workDir);
    if (!log.empty()) expectWellFormed(log, offset, workDir);
    return r;
}

}  // namespace e2e
