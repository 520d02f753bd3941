// Shared helpers of the grammar tests: run the treedump tool on a C file
// (optionally after a definition file) and compare its outline and messages
// with hand-written expectations.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testutil.h"

namespace grammar {

inline const std::string dataDir = TARSK1_TEST_DATA "/grammar";

// The directory entry that messages show for a file of the data folder:
// upper case, backslashes, trailing backslash.
inline std::string programDirectory(const std::string &hostDir)
{
    std::string d;
    for (char c : hostDir) d += c == '/' ? '\\' : static_cast<char>(toupper(static_cast<unsigned char>(c)));
    if (d.empty() || d.back() != '\\') d += '\\';
    return d;
}

inline testutil::ProcessResult dump(const std::string &file, const std::string &definition = "", bool quiet = false)
{
    std::vector<std::string> args;
    if (!definition.empty()) args = {"-d", definition};
    if (quiet) args.push_back("-q");
    args.push_back(file);
    return testutil::runProcess(TREEDUMP, args);
}

// Replaces every "@DIR@" of an expectation by the data folder's directory entry.
inline std::string expand(std::string text, const std::string &hostDir = dataDir)
{
    const std::string key = "@DIR@", dir = programDirectory(hostDir);
    for (size_t p = text.find(key); p != std::string::npos; p = text.find(key, p + dir.size()))
        text.replace(p, key.size(), dir);
    return text;
}

// name.c is dumped; name.tree holds the expected outline, name.err (when
// present) the expected messages.
inline void expectGolden(const std::string &name)
{
    SCOPED_TRACE(name);
    testutil::ProcessResult r = dump(dataDir + "/" + name + ".c");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, testutil::readFile(dataDir + "/" + name + ".tree"));
    std::string errPath = dataDir + "/" + name + ".err";
    EXPECT_EQ(r.err, testutil::exists(errPath) ? expand(testutil::readFile(errPath)) : "");
}

}  // namespace grammar
