// libFuzzer entry point over the C scanner and grammar, after the standard definition file.
#include "fuzz/harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::runGrammarInput(data, size);
    return 0;
}
