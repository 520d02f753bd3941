// The bodies of the fuzz targets, shared by the libFuzzer entry points and by
// the regression test that replays every kept reproducer: each runs one input
// through a piece of the program and tells how the program ended.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fuzz {

// Returned when the program would have gone on normally; otherwise the
// exit code the program would have ended with.
enum : int { NORMAL_END = -1 };

// The bytes as a preprocessed file, parsed after the standard definition
// file, measured and written like an input of a real run.
int runGrammarInput(const uint8_t *data, std::size_t size);

// The bytes as directive lines for the C scanner alone: a line that begins
// with '#' stays as it is, one that begins with a blank is C text, any other
// line becomes a vendor pragma.
int runDirectiveInput(const uint8_t *data, std::size_t size);

// The bytes as an unpreprocessed source file for the Halstead pass.
int runHalsteadInput(const uint8_t *data, std::size_t size);

// The bytes up to the first NUL are the arguments, one per line; the rest
// is the option file "o" in the working folder (the arguments name it "@o").
int runDecoderInput(const uint8_t *data, std::size_t size);

}  // namespace fuzz
