// The tool's own command table, for tests that query the decoder with it.
#pragma once

struct CommandTable;

CommandTable *toolCommandTable();
