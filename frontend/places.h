// The place table: each distinct (file, directory, instrumentation flag) of
// the positions that nodes hold, kept once for the run under a small index.
#pragma once

#include <cstdint>

struct _AlphaType;

struct SourcePlace {
    _AlphaType *file;
    _AlphaType *directory;
    uint8_t instr_off;
};

// The index of the place, added when new; index 0 is the place of no file.
uint32_t InternPlace(_AlphaType *file, _AlphaType *directory, uint8_t instrOff);
const SourcePlace &PlaceAt(uint32_t index);
// Empties the table; only while no node holds an index.
void ForgetPlaces();
