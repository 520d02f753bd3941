// The place table: each distinct (file, directory, instrumentation flag) of
// the positions that tokens and nodes hold, kept once for the run under a
// small index.
#pragma once

#include <cstdint>

struct _AlphaType;

struct SourcePlace {
    _AlphaType *file;
    _AlphaType *directory;
    uint8_t instr_off;
};

namespace places_detail {
// The place found last: consecutive tokens nearly always share it.
extern SourcePlace lastPlace;
extern uint32_t lastIndex;
uint32_t findOrAdd(_AlphaType *file, _AlphaType *directory, uint8_t instrOff);
}  // namespace places_detail

// The index of the place, added when new; index 0 is the place of no file.
inline uint32_t InternPlace(_AlphaType *file, _AlphaType *directory, uint8_t instrOff)
{
    const SourcePlace &last = places_detail::lastPlace;
    if (last.file == file && last.directory == directory && last.instr_off == instrOff) return places_detail::lastIndex;
    return places_detail::findOrAdd(file, directory, instrOff);
}
const SourcePlace &PlaceAt(uint32_t index);
// Empties the table; only while no token or node holds an index.
void ForgetPlaces();
