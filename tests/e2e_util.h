// Shared by the end-to-end tests: inputs made from templates whose line
// markers point into the test tree, expected documents with the folder shown
// as a metrics file shows it, and a run of the real binary.
#pragma once

#include <cctype>
#include <string>
#include <vector>

#include "testutil.h"

namespace e2e {

inline std::string replaced(std::string text, const std::string &from, const std::string &to)
{
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) text.replace(at, from.size(), to);
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

inline testutil::ProcessResult tarsk1(const std::vector<std::string> &args, const std::string &workDir,
                                      const std::string &target = "minimal")
{
    const std::string root = TARSK1_SOURCE_ROOT;
    return testutil::runProcess(TARSK1_BINARY, args,
                                {"CORVELDIR=" + root + "/install", "MVRTGT=" + root + "/targets/" + target, "LANG=C",
                                 "LC_ALL=C", "LANGUAGE"},
                                workDir);
}

}  // namespace e2e
