// libFuzzer entry point over the Halstead pass over an unpreprocessed source file.
#include "fuzz/harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::runHalsteadInput(data, size);
    return 0;
}
