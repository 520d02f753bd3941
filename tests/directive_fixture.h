// Shared set-up of the directive and pragma unit tests: fresh accept tables, a known current file, and the warnings of
// one call captured from the standard error stream.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "frontend/accept.h"
#include "frontend/diesis.h"
#include "frontend/stx_c_lex.h"
#include "frontend/stx_c_pragma.h"
#include "support/alpha.h"
#include "support/files.h"
#include "support/machine.h"

class DirectiveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setToolIdentity("Corvel", "tarsk1");
        // The identifier table lives for the whole run, as in the program:
        // each test uses names of its own.
        InitAcceptTables();
        FreePragmaState();
        files = nullptr;
        SetPragmaFileList(&files);
        ScannerState &s = Scanner();
        s.currentLine = 8;
        s.physicalLine = 8;
        s.currentFile = FindOrAddAlpha("A.C");
        s.currentDirectory = FindOrAddAlpha("\\SRC\\");
        s.instrOff = 0;
        s.analysisStopped = false;
        s.rawFileNames = false;
    }
    void TearDown() override
    {
        FreePragmaState();
        files = FreeCountedList(files);
        FreeAcceptTables();
    }

    // Scans the line and returns what it wrote on the standard error stream.
    std::string scan(const char *line, int *result = nullptr)
    {
        ::testing::internal::CaptureStderr();
        int r = ScanDirective(line);
        if (result) *result = r;
        return ::testing::internal::GetCapturedStderr();
    }

    static uint32_t flagsOf(const char *text) { return FindOrAddAlpha(text)->flags; }

    CountedList *files = nullptr;
};

// The warning line the message service writes for a message.
inline std::string warningLine(const std::string &message) { return "Corvel tarsk1 - WARNING: " + message + "\n"; }
